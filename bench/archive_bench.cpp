// Books as one file: what opening a zipped book costs beside the same book
// as a folder, and what each hostile archive costs the checker to refuse.
//
// First, a book of 100 pages with the media of the own-media books
// (ownmedia.h: each page its own 640 x 480 background, 500 x 300
// illustration and 20 s stereo Ogg Vorbis sound) is opened as the player
// opens it (the place found, the archive opened and looked at, loadBook
// looking at every file), then its first page's pictures decoded and its
// sound opened: from its folder, from a zip archive whose entries are
// packed (as zip tools make them) and from one whose entries are stored.
// Each opening runs in a child process of its own, the three in turn,
// several rounds; the medians are printed, the folder's as the baseline.
//
// Then every hostile archive of the tests (tests/support/hostilearchives.h)
// is given to the real checker, beside the sound zipped book as the
// baseline: the wall time and the peak resident memory of each run.
#include "hostilearchives.h"
#include "ownmedia.h"
#include "testenv.h"
#include "zipwriter.h"

#include "app/bookplace.h"
#include "assets.h"
#include "book/book.h"
#include "gamepage.h"
#include "init.h"
#include "media/picture.h"
#include "media/sound.h"
#include "text/buffers.h"

#include <allegro.h>
#include <loadpng.h>

#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

const int PAGES = 100;
const int ROUNDS = 7;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A field of /proc/<pid>/status in kilobytes (VmHWM: the peak resident memory).
long statusKb(pid_t pid, const char* field)
{
    std::FILE* status = std::fopen(("/proc/" + std::to_string(pid) + "/status").c_str(), "r");
    if (!status)
        return -1;
    char line[256];
    long kb = -1;
    const std::size_t length = std::strlen(field);
    while (std::fgets(line, sizeof line, status))
        if (std::strncmp(line, field, length) == 0 && line[length] == ':')
            kb = std::atol(line + length + 1);
    std::fclose(status);
    return kb;
}

struct OpenFigures {
    double openSeconds = 0;      // place, archive and loadBook
    double firstPageSeconds = 0; // then page 1's pictures decoded, its sound opened
    long addedKb = 0;            // the peak resident memory above what the process began with
};

// Opens the book at `path` as the player does, in this process.
OpenFigures openBook(const std::string& path)
{
    OpenFigures figures;
    const long startKb = statusKb(getpid(), "VmRSS");
    const Clock::time_point start = Clock::now();
    const BookPlace place = locateBook(path);
    if (place.kind != BookPlace::Kind::BookFolder || !enterBookPlace(place)) {
        std::fprintf(stderr, "no book at %s\n", path.c_str());
        std::exit(1);
    }
    copyCut(book, sizeof book, place.book.c_str());
    if (!loadBook() || static_cast<int>(gamedataPages.size()) != PAGES) {
        std::fprintf(stderr, "the book at %s did not open whole\n", path.c_str());
        std::exit(1);
    }
    figures.openSeconds = secondsSince(start);
    const std::string folder = place.book;
    for (const char* picture : {"/pico/bg0.png", "/pico/ill0.png"}) {
        const Result<BITMAP*> decoded = decodePicture((folder + picture).c_str());
        if (!decoded.value) {
            std::fprintf(stderr, "%s%s: %s\n", folder.c_str(), picture, decoded.problem->phrase.c_str());
            std::exit(1);
        }
        destroy_bitmap(decoded.value);
    }
    const std::string sound = folder + "/audio/s0.ogg";
    const SoundHeader header = inspectSound(sound.c_str());
    std::unique_ptr<SoundFrames> frames = openSoundFrames(sound.c_str(), header);
    std::uint16_t first[4096];
    if (!frames || frames->read(first, 1024) != 1024) {
        std::fprintf(stderr, "%s does not play\n", sound.c_str());
        std::exit(1);
    }
    figures.firstPageSeconds = secondsSince(start);
    figures.addedKb = statusKb(getpid(), "VmHWM") - startKb;
    return figures;
}

// openBook in a child process, whose figures come back through a pipe.
bool openInChild(const std::string& path, OpenFigures& figures)
{
    int ends[2];
    if (pipe(ends) != 0)
        return false;
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        close(ends[0]);
        const OpenFigures f = openBook(path);
        _exit(write(ends[1], &f, sizeof f) == static_cast<ssize_t>(sizeof f) ? 0 : 1);
    }
    close(ends[1]);
    const bool got = read(ends[0], &figures, sizeof figures) == static_cast<ssize_t>(sizeof figures);
    close(ends[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return got && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

struct RunFigures {
    double seconds = 0;
    long peakKb = 0;
    int status = -1;
};

// The checker on `path`, its output thrown away: wall time, peak memory and
// exit status. The peak is the checker's own: read from its status as it
// exits (it is traced to stop there), since the peak wait4 gives counts the
// memory of the process it was forked from too.
RunFigures runChecker(const std::string& path)
{
    RunFigures figures;
    std::fflush(stdout);
    const Clock::time_point start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        execl(QUORVEL_CHECK_PROGRAM, QUORVEL_CHECK_PROGRAM, path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0); // stopped at its exec
    ptrace(PTRACE_SETOPTIONS, pid, nullptr, reinterpret_cast<void*>(PTRACE_O_TRACEEXIT));
    ptrace(PTRACE_CONT, pid, nullptr, nullptr);
    for (;;) {
        waitpid(pid, &status, 0);
        if (WIFEXITED(status) || WIFSIGNALED(status))
            break;
        if (WIFSTOPPED(status) && status >> 8 == (SIGTRAP | (PTRACE_EVENT_EXIT << 8))) {
            figures.peakKb = statusKb(pid, "VmHWM");
            ptrace(PTRACE_CONT, pid, nullptr, nullptr);
            continue;
        }
        // Any other signal goes on to the checker.
        ptrace(PTRACE_CONT, pid, nullptr,
               reinterpret_cast<void*>(static_cast<long>(WIFSTOPPED(status) ? WSTOPSIG(status) : 0)));
    }
    figures.seconds = secondsSince(start);
    figures.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return figures;
}

} // namespace

int main()
{
    install_allegro(SYSTEM_NONE, &errno, atexit);
    set_uformat(U_UTF8);
    register_png_file_type();
    set_color_depth(16);

    const fs::path work = fs::temp_directory_path() / ("quorvel-bench-archive-" + std::to_string(getpid()));
    fs::create_directories(work);
    std::printf("Writing a book of %d pages with media of their own...\n", PAGES);
    std::fflush(stdout);
    const fs::path media = work / "media";
    const fs::path folder = work / "books" / "own";
    if (!writeOwnMedia(media, PAGES)) {
        std::fprintf(stderr, "cannot write the media under %s\n", media.c_str());
        return 1;
    }
    writeOwnMediaBook(folder, media, PAGES);
    // Files of its own, not links, so that the archives hold them.
    for (const char* kind : {"pico", "audio"}) {
        fs::remove(folder / kind);
        fs::copy(media / kind, folder / kind, fs::copy_options::recursive);
    }
    fs::remove_all(media);
    const std::string packed = (work / "books" / "packed.zip").string();
    const std::string stored = (work / "books" / "stored.zip").string();
    writeFile(packed, zipArchive(folderMembers(folder.string(), "own/", true)));
    writeFile(stored, zipArchive(folderMembers(folder.string(), "own/", false)));

    struct Kind {
        const char* name;
        std::string path;
        std::vector<double> open, firstPage, peakMb;
    };
    std::vector<Kind> kinds = {{"folder", folder.string(), {}, {}, {}},
                               {"zip, packed", packed, {}, {}, {}},
                               {"zip, stored", stored, {}, {}, {}}};
    for (int round = 0; round < ROUNDS; ++round)
        for (Kind& kind : kinds) {
            OpenFigures f;
            if (!openInChild(kind.path, f)) {
                std::fprintf(stderr, "opening %s failed\n", kind.path.c_str());
                return 1;
            }
            kind.open.push_back(f.openSeconds * 1e3);
            kind.firstPage.push_back(f.firstPageSeconds * 1e3);
            kind.peakMb.push_back(f.addedKb / 1024.0);
        }
    const double folderOpen = median(kinds[0].open);
    const double folderFirst = median(kinds[0].firstPage);
    std::printf("\nOpening a book of %d pages, %.0f MB of media (medians of %d runs, each in a process of its own)\n",
                PAGES, [&] {
                    std::uintmax_t bytes = 0;
                    for (const auto& e : fs::recursive_directory_iterator(folder))
                        if (e.is_regular_file())
                            bytes += e.file_size();
                    return bytes / 1048576.0;
                }(),
                ROUNDS);
    std::printf("%-12s %10s %8s %13s %8s %9s %10s %s\n", "book", "size MB", "open ms", "+ page 1 ms",
                "x folder", "added MB", "limit ms", "");
    for (const Kind& kind : kinds) {
        const double open = median(kind.open), first = median(kind.firstPage);
        // The target: within 1.2 x the folder's, plus 50 ms.
        const double limit = 1.2 * folderFirst + 50;
        std::error_code ignored;
        const double size = fs::is_regular_file(kind.path) ? fs::file_size(kind.path, ignored) / 1048576.0 : 0;
        std::printf("%-12s %10.1f %8.1f %13.1f %8.2f %9.1f %10.1f %s\n", kind.name, size, open, first,
                    first / folderFirst, median(kind.peakMb), limit,
                    &kind == &kinds[0] ? "(baseline)" : first <= limit ? "within" : "OVER THE LIMIT");
    }
    std::printf("open: the place found, the archive opened and looked at, loadBook (every file\n"
                "looked at); + page 1: then its background and illustration decoded and its\n"
                "sound opened and read a little; x folder: + page 1 against the folder's (%.1f ms\n"
                "open); limit: 1.2 x the folder's + page 1, plus 50 ms; added: the peak resident\n"
                "memory above what the process held before it began.\n",
                folderOpen);

    // The hostile archives, given to the real checker.
    const fs::path hostile = work / "hostile";
    fs::create_directories(hostile);
    fs::current_path(hostile); // the makers write their pictures here for a moment
    const std::string baseline = (hostile / "sound.zip").string();
    writeFile(baseline, zipArchive(bookMembers("forest/")));
    std::printf("\nThe checker on each hostile archive (median of %d runs), beside a sound zipped book\n",
                ROUNDS);
    std::printf("%-46s %8s %9s %7s\n", "archive", "time ms", "peak MB", "status");
    const auto measureChecker = [&](const char* name, const std::string& path) {
        std::vector<double> times, peaks;
        int status = 0;
        for (int round = 0; round < ROUNDS; ++round) {
            const RunFigures f = runChecker(path);
            times.push_back(f.seconds * 1e3);
            peaks.push_back(f.peakKb / 1024.0);
            status = f.status;
        }
        std::printf("%-46s %8.1f %9.1f %7d\n", name, median(times), median(peaks), status);
    };
    measureChecker("(baseline: a sound zipped book of two pages)", baseline);
    for (const HostileArchive& archive : hostileArchives()) {
        const std::string path = (hostile / (std::string(archive.name) + ".zip")).string();
        archive.make(path);
        measureChecker(archive.name, path);
    }
    std::printf("time: wall time of quorvel-check from start to exit; peak: its own peak\n"
                "resident memory (VmHWM as it exits); status: 0 a sound book, 1 refused.\n");
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(work);
    return 0;
}
