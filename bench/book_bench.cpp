// How long a book takes to open, how much memory it holds, and how long a
// page takes to show.
//
// First, synthetic books of growing length over the same few pictures and
// sounds, read without a window. Beside each figure: what decoding every
// named file once per naming costs (a reader without sharing), and what
// decoding each distinct file once costs (the floor). Each book size is
// measured in a child process of its own, so that the peak resident memory
// printed belongs to that size alone.
//
// Then, with an X display, books whose every page has its own media, read
// by the page screen in a window (ownmedia.cpp).
#include "ownmedia.h"

#include "assets.h"
#include "book/book.h"
#include "gamepage.h"
#include "init.h"
#include "text/buffers.h"

#include <allegro.h>
#include <loadpng.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const int ILLUSTRATIONS = 20;
const int SOUNDS = 4;
const int PAGE_COUNTS[] = {50, 200, 800};

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

long peakResidentKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A picture with some texture, so that decoding it is real work.
bool writeTexturedPicture(const std::string& path, int w, int h, int seed)
{
    BITMAP* picture = makeTestPicture(w, h, 40 + seed * 7 % 200, 90, 160 - seed * 5 % 120);
    if (!picture)
        return false;
    for (int y = 0; y < h; y += 3)
        hline(picture, (y * 37 + seed * 11) % w, y, w - 1, makecol24(seed * 13 % 256, y % 256, 99));
    const bool written = writePng(path.c_str(), picture);
    destroy_bitmap(picture);
    return written;
}

// The shared media of every book: one 640 x 480 background, the
// illustrations and the sounds (stereo Ogg, 10 s each).
bool writeMedia(const std::string& bookDir)
{
    fs::create_directories(bookDir + "/pico");
    fs::create_directories(bookDir + "/audio");
    if (!writeTexturedPicture(bookDir + "/pico/bg.png", 640, 480, 1))
        return false;
    for (int i = 0; i < ILLUSTRATIONS; ++i)
        if (!writeTexturedPicture(bookDir + "/pico/p" + std::to_string(i) + ".png", 400, 300, i + 2))
            return false;
    for (int i = 0; i < SOUNDS; ++i) {
        std::vector<int16_t> mono = makeWind(10.0, 22050, 7 + i);
        std::vector<int16_t> stereo;
        stereo.reserve(mono.size() * 2);
        for (int16_t s : mono) {
            stereo.push_back(s);
            stereo.push_back(static_cast<int16_t>(s / 2));
        }
        if (!writeOgg((bookDir + "/audio/s" + std::to_string(i) + ".ogg").c_str(), stereo, 22050, 2))
            return false;
    }
    return true;
}

// A book of `pages` pages: every page names the background, one of the
// illustrations and one of the sounds, and leads on to the next.
void writePages(const std::string& bookDir, int pages)
{
    std::ofstream out(bookDir + "/pages.dat", std::ios::trunc);
    out << "book_name:Bench;\ndefault_bg:bg.png;\n";
    for (int i = 0; i < pages; ++i)
        out << "page_start:;\nroom_name:Page " << i + 1 << ";\ntext_main:Text of page " << i + 1
            << ".;\npico_name:p" << i % ILLUSTRATIONS << ".png;\nsound_name:s" << i % SOUNDS
            << ".ogg;\nsound_loop:" << (i % 2 ? "YES" : "NO") << ";\nbut1_text:On;\npage_end:;\n";
}

// Decodes `path` and frees it again: the time a reader spends per naming.
// Returns the bytes the decoded picture or sound took.
double decodeOnce(const std::string& path, bool isPicture)
{
    double bytes = 0;
    if (isPicture) {
        BITMAP* picture = loadPico(path.c_str());
        bytes = static_cast<double>(picture->w) * picture->h * (bitmap_color_depth(picture) + 7) / 8;
        destroy_bitmap(picture);
    } else {
        SAMPLE* sound = loadAudio(path.c_str());
        bytes = static_cast<double>(sound->len) * (sound->stereo ? 2 : 1) * sound->bits / 8;
        destroy_sample(sound);
    }
    return bytes;
}

struct Figures {
    double openSeconds;
    long peakKb;
    double applySeconds; // per page
    double perNamingSeconds;
    double perNamingBytes; // what a reader without sharing would hold
    double distinctSeconds;
};

// Measures one book size in this process.
Figures measure(int pages)
{
    Figures f{};
    const long before = peakResidentKb();

    auto start = std::chrono::steady_clock::now();
    loadBook();
    f.openSeconds = secondsSince(start);
    f.peakKb = peakResidentKb() - before;
    if (static_cast<int>(gamedataPages.size()) != pages) {
        std::fprintf(stderr, "the book has %zu pages, expected %d\n", gamedataPages.size(), pages);
        std::exit(1);
    }

    bindPageElements(); // as the page screen does when it opens
    start = std::chrono::steady_clock::now();
    for (cur_page = 0; cur_page < pages; ++cur_page)
        changePage(cur_page);
    f.applySeconds = secondsSince(start) / pages;
    freePages();

    // Without sharing: the background, the illustration and the sound of
    // every page decoded anew (each freed at once here, so memory stays low).
    const std::string dir = book;
    start = std::chrono::steady_clock::now();
    for (int i = 0; i < pages; ++i) {
        f.perNamingBytes += decodeOnce(dir + "/pico/bg.png", true);
        f.perNamingBytes += decodeOnce(dir + "/pico/p" + std::to_string(i % ILLUSTRATIONS) + ".png", true);
        f.perNamingBytes += decodeOnce(dir + "/audio/s" + std::to_string(i % SOUNDS) + ".ogg", false);
    }
    f.perNamingSeconds = secondsSince(start);

    // The floor: each distinct file decoded once.
    const int illustrations = pages < ILLUSTRATIONS ? pages : ILLUSTRATIONS;
    const int sounds = pages < SOUNDS ? pages : SOUNDS;
    start = std::chrono::steady_clock::now();
    decodeOnce(dir + "/pico/bg.png", true);
    for (int i = 0; i < illustrations; ++i)
        decodeOnce(dir + "/pico/p" + std::to_string(i) + ".png", true);
    for (int i = 0; i < sounds; ++i)
        decodeOnce(dir + "/audio/s" + std::to_string(i) + ".ogg", false);
    f.distinctSeconds = secondsSince(start);
    return f;
}

// Runs `measure` in a child process and reads its figures back.
bool measureInChild(int pages, Figures& figures)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return false;
    const pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        close(pipeEnds[0]);
        const Figures f = measure(pages);
        const bool sent = write(pipeEnds[1], &f, sizeof f) == static_cast<ssize_t>(sizeof f);
        _exit(sent ? 0 : 1);
    }
    close(pipeEnds[1]);
    const bool received = read(pipeEnds[0], &figures, sizeof figures) == static_cast<ssize_t>(sizeof figures);
    close(pipeEnds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return received && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::string(argv[1]) == "--child")
        return runOwnMediaChild(argc - 2, argv + 2);

    install_allegro(SYSTEM_NONE, &errno, atexit);
    set_uformat(U_UTF8);
    register_png_file_type();
    set_color_depth(16); // the depth the player's screen gets first

    const fs::path work = fs::temp_directory_path() / ("quorvel-bench-" + std::to_string(getpid()));
    const std::string bookDir = (work / "books" / "bench").string();
    if (!writeMedia(bookDir)) {
        std::fprintf(stderr, "cannot write the benchmark's media under %s\n", bookDir.c_str());
        return 1;
    }
    fs::current_path(work);
    copyCut(book, sizeof book, "books/bench");
    // Decode everything once beforehand, so that no size pays for the disk
    // cache or the decoders' first start.
    decodeOnce(bookDir + "/pico/bg.png", true);
    for (int i = 0; i < ILLUSTRATIONS; ++i)
        decodeOnce(bookDir + "/pico/p" + std::to_string(i) + ".png", true);
    for (int i = 0; i < SOUNDS; ++i)
        decodeOnce(bookDir + "/audio/s" + std::to_string(i) + ".ogg", false);

    std::printf("%6s %9s %8s %11s %10s %10s %11s %8s %9s %9s\n", "pages", "open ms", "peak MB",
                "apply us/pg", "naming ms", "naming MB", "distinct ms", "open/flr",
                "name/open", "limit ms");
    for (int pages : PAGE_COUNTS) {
        writePages(bookDir, pages);
        Figures f{};
        if (!measureInChild(pages, f)) {
            std::fprintf(stderr, "measuring the %d-page book failed\n", pages);
            return 1;
        }
        // What opening may cost: 1.3 x the floor plus 1 ms a page.
        const double limit = 1.3 * f.distinctSeconds + 0.001 * pages;
        std::printf("%6d %9.1f %8.1f %11.1f %10.1f %10.1f %11.1f %8.2f %9.1f %9.1f%s\n", pages,
                    f.openSeconds * 1e3, f.peakKb / 1024.0, f.applySeconds * 1e6,
                    f.perNamingSeconds * 1e3, f.perNamingBytes / (1024.0 * 1024.0),
                    f.distinctSeconds * 1e3,
                    f.openSeconds / f.distinctSeconds, f.perNamingSeconds / f.openSeconds,
                    limit * 1e3, f.openSeconds <= limit ? "" : "  over the limit");
    }
    std::printf("open: loadBook as the player calls it (every file looked at, none decoded);\n"
                "apply: showing a page, its files decoded then; peak: resident memory it added;\n"
                "naming: every named file decoded once per naming, and the decoded bytes a\n"
                "reader holding them all would keep; distinct: each file decoded once;\n"
                "limit: 1.3 x distinct + 1 ms a page.\n");
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(work);

    if (!std::getenv("DISPLAY")) {
        std::printf("\nThe books with media of their own are read in a window: run this under an\n"
                    "X display, for instance scripts/with-display.sh %s\n", argv[0]);
        return 0;
    }
    return runOwnMediaSeries(fs::canonical("/proc/self/exe").string());
}
