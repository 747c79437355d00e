// Books in which every page has its own 640 x 480 background, its own
// 500 x 300 illustration and its own 20 s stereo 44.1 kHz Ogg Vorbis sound,
// at 100 and 400 pages, and a book of 100,000 pages of short texts.
//
// Each book is read by the real page screen (gamePage) in a real window, in
// a child process of its own so that the memory figures belong to it alone;
// the mouse is scripted through the GUI's hooks, as the tests do. A child
// prints its figures as "name value" lines; this side prints the table.
//
// The moment a page is drawn is taken from the Menu button, the last element
// the page screen draws after a change of page: its drawing procedure is
// wrapped to note the time of its first draw on each page.
#include "ownmedia.h"

#include "assets.h"
#include "gamepage.h"
#include "init.h"
#include "scriptedinput.h"
#include "testenv.h"

#include <allegro.h>
#include <vorbis/vorbisfile.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

const int PAGE_COUNTS[] = {100, 400};
const int MOST_PAGES = 400;
const int SHORT_TEXT_PAGES = 100000;
const double SOUND_SECONDS = 20;
const int SOUND_RATE = 44100;
// Painting and encoding every file anew would take minutes (an Ogg of 20 s
// takes half a second to encode): each page gets its own files, copied from
// a few painted and encoded variants. Decoding a copy costs what decoding
// its original does.
const int PICTURE_VARIANTS = 16;
const int SOUND_VARIANTS = 6;
const int TURNS = 3;        // page turns measured each way
const int DECODE_RUNS = 5;  // decodes of page 1's files, of which the median counts
const double IDLE_SECONDS = 3;

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A field of /proc/self/status in kilobytes (VmRSS, VmHWM).
long statusKb(const char* field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::size_t length = std::strlen(field);
    while (std::getline(in, line))
        if (line.compare(0, length, field) == 0 && line.size() > length && line[length] == ':')
            return std::atol(line.c_str() + length + 1);
    return -1;
}

// Processor time of this process, every thread of it (the library's sound
// and input threads included), in seconds.
double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec
           + usage.ru_stime.tv_usec / 1e6;
}

// ---------------------------------------------------------------- the books

// A picture of noisy colour, as hard to compress as a painting: decoding it
// is real work.
bool writeNoisyPicture(const std::string& path, int w, int h, unsigned seed)
{
    BITMAP* picture = makeTestPicture(w, h, 0, 0, 0);
    if (!picture)
        return false;
    unsigned state = seed * 2654435761u + 1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            state = state * 1103515245u + 12345u;
            const int grain = (state >> 16) & 31;
            putpixel(picture, x, y,
                     makecol24((x + grain + seed * 40) & 255, (y + grain) & 255, (x ^ y) & 255));
        }
    const bool written = writePng(path.c_str(), picture);
    destroy_bitmap(picture);
    return written;
}

bool writeLongSound(const std::string& path, unsigned seed)
{
    const std::vector<int16_t> mono = makeWind(SOUND_SECONDS, SOUND_RATE, seed);
    std::vector<int16_t> stereo;
    stereo.reserve(mono.size() * 2);
    for (std::size_t i = 0; i < mono.size(); ++i) {
        stereo.push_back(mono[i]);
        stereo.push_back(mono[(i + SOUND_RATE / 3) % mono.size()]); // the other ear lags
    }
    return writeOgg(path.c_str(), stereo, SOUND_RATE, 2);
}

std::string backgroundName(int page) { return "bg" + std::to_string(page) + ".png"; }
std::string illustrationName(int page) { return "ill" + std::to_string(page) + ".png"; }
std::string soundName(int page) { return "s" + std::to_string(page) + ".ogg"; }

// The files of MOST_PAGES pages under `media` (its pico/ and audio/).
bool writeOwnMedia(const fs::path& media)
{
    fs::create_directories(media / "pico");
    fs::create_directories(media / "audio");
    const fs::path variants = media / "variants";
    fs::create_directories(variants);
    for (int v = 0; v < PICTURE_VARIANTS; ++v) {
        if (!writeNoisyPicture((variants / ("bg" + std::to_string(v) + ".png")).string(), 640, 480, v)
            || !writeNoisyPicture((variants / ("ill" + std::to_string(v) + ".png")).string(), 500,
                                  300, v + 100))
            return false;
    }
    for (int v = 0; v < SOUND_VARIANTS; ++v)
        if (!writeLongSound((variants / ("s" + std::to_string(v) + ".ogg")).string(), 11 + v))
            return false;
    for (int page = 0; page < MOST_PAGES; ++page) {
        const std::string p = std::to_string(page % PICTURE_VARIANTS);
        const std::string s = std::to_string(page % SOUND_VARIANTS);
        fs::copy_file(variants / ("bg" + p + ".png"), media / "pico" / backgroundName(page));
        fs::copy_file(variants / ("ill" + p + ".png"), media / "pico" / illustrationName(page));
        fs::copy_file(variants / ("s" + s + ".ogg"), media / "audio" / soundName(page));
    }
    fs::remove_all(variants);
    return true;
}

// A book of `pages` pages over the shared media folder: each page has its
// own background (a default_bg line before each page_start), illustration
// and looping sound, and its first choice leads on.
void writeOwnMediaBook(const fs::path& bookDir, const fs::path& media, int pages)
{
    fs::create_directories(bookDir);
    fs::create_symlink(media / "pico", bookDir / "pico");
    fs::create_symlink(media / "audio", bookDir / "audio");
    std::ofstream out(bookDir / "pages.dat", std::ios::trunc);
    out << "book_name:Own media;\n";
    for (int i = 0; i < pages; ++i)
        out << "default_bg:" << backgroundName(i) << ";\npage_start:;\nroom_name:Page " << i + 1
            << ";\ntext_main:The text of page " << i + 1 << ", a few words long.;\npico_name:"
            << illustrationName(i) << ";\nsound_name:" << soundName(i)
            << ";\nsound_loop:NO;\nbut1_text:On;\npage_end:;\n";
}

// A book of many pages of short texts over one background.
bool writeShortTextBook(const fs::path& bookDir, int pages)
{
    fs::create_directories(bookDir / "pico");
    if (!writeNoisyPicture((bookDir / "pico" / "bg.png").string(), 640, 480, 7))
        return false;
    std::ofstream out(bookDir / "pages.dat", std::ios::trunc);
    out << "book_name:Short texts;\ndefault_bg:bg.png;\n";
    for (int i = 0; i < pages; ++i)
        out << "page_start:;\nroom_name:Room " << i + 1 << ";\ntext_main:Page " << i + 1
            << " of a long book.;\nbut1_text:On;\nbut2_text:Back;\nbut2_goto:" << (i > 0 ? i : 1)
            << ";\npage_end:;\n";
    return static_cast<bool>(out);
}

std::uintmax_t folderBytes(const fs::path& folder)
{
    std::uintmax_t bytes = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            bytes += entry.file_size();
    return bytes;
}

// ------------------------------------------------------------ the child side

// The first draw of the Menu button on the page shown: the end of that
// page's drawing.
struct PageDrawn {
    int page = -1;
    Clock::time_point at;
};
PageDrawn lastDrawn;
DIALOG_PROC menuProc = nullptr;

int timedMenuProc(int msg, DIALOG* d, int c)
{
    const int result = menuProc(msg, d, c);
    if (msg == MSG_DRAW && lastDrawn.page != cur_page)
        lastDrawn = {cur_page, Clock::now()};
    return result;
}

bool drawnFor(double wait)
{
    return lastDrawn.page >= 0 && seconds(Clock::now() - lastDrawn.at) >= wait;
}

// Reads the book in the current working directory's books/<name> with the
// page screen and prints the figures.
int measureReading(const std::string& name)
{
    if (!startLibraryInWindow()) {
        std::fprintf(stderr, "no window: is an X display set?\n");
        return 1;
    }
    install_sound(DIGI_AUTODETECT, MIDI_NONE, nullptr);
    copyCut(book, sizeof book, ("books/" + name).c_str());
    menuProc = dialogGamePage[6].proc;
    dialogGamePage[6].proc = timedMenuProc;

    Clock::time_point opened, released;
    double firstPage = 0, reopened = 0, idleShare = 0;
    std::vector<double> warm, cold;
    long residentKb = 0;
    double cpuAtStart = 0;
    Clock::time_point idleStart;
    int page = 0;

    std::vector<MouseStep> script;
    script.push_back(when([] { return lastDrawn.page == 0; },
                          [&] { firstPage = seconds(lastDrawn.at - opened); }));
    // A click on the first choice, timed from the moment the GUI takes in
    // the release to the end of the next page's drawing.
    auto turn = [&](std::vector<double>& into) {
        std::vector<MouseStep> click = clickOn(&dialogGamePage[3]);
        auto release = click.back().action;
        click.back().action = [release, &released] {
            release();
            released = Clock::now();
        };
        append(script, click);
        const int target = ++page;
        script.push_back(when([target] { return lastDrawn.page == target; },
                              [&into, &released] { into.push_back(seconds(lastDrawn.at - released)); }));
    };
    for (int i = 0; i < TURNS; ++i) {
        script.push_back(when([] { return drawnFor(0.5); }, nullptr)); // read-ahead's time
        turn(warm);
    }
    for (int i = 0; i < TURNS; ++i)
        turn(cold); // clicked as soon as the script allows
    // On a page whose sound loops, once read-ahead has had its time.
    script.push_back(when([] { return drawnFor(1.0); }, [&] {
        residentKb = statusKb("VmRSS");
        cpuAtStart = cpuSeconds();
        idleStart = Clock::now();
    }));
    bool measured = false;
    script.push_back(when([&] { return seconds(Clock::now() - idleStart) >= IDLE_SECONDS; }, [&] {
        idleShare = (cpuSeconds() - cpuAtStart) / seconds(Clock::now() - idleStart);
        measured = true;
    }));
    append(script, clickOn(&dialogGamePage[6]));
    playMouse(script);
    opened = Clock::now();
    if (gamePage() != 0 || !measured) {
        std::fprintf(stderr, "the book was not read as scripted\n");
        return 1;
    }

    lastDrawn = {};
    script = {when([] { return lastDrawn.page == 0; },
                   [&] { reopened = seconds(lastDrawn.at - opened); })};
    append(script, clickOn(&dialogGamePage[6]));
    playMouse(script);
    opened = Clock::now();
    if (gamePage() != 0 || reopened <= 0) {
        std::fprintf(stderr, "the book was not reopened as scripted\n");
        return 1;
    }

    std::printf("first %.6f\nreopen %.6f\nwarm %.6f\ncold %.6f\nresident %ld\npeak %ld\nidle %.6f\n",
                firstPage, reopened, median(warm), median(cold), residentKb, statusKb("VmHWM"),
                idleShare);
    return 0;
}

// The share of a core that the library alone takes with its window open and
// its sound running, resting as the page screen's passes do.
int measureBareLibrary()
{
    if (!startLibraryInWindow())
        return 1;
    install_sound(DIGI_AUTODETECT, MIDI_NONE, nullptr);
    rest(500); // let the start-up settle
    const double cpu = cpuSeconds();
    const Clock::time_point start = Clock::now();
    while (seconds(Clock::now() - start) < IDLE_SECONDS)
        rest(PASS_REST_MS);
    std::printf("idle %.6f\n", (cpuSeconds() - cpu) / seconds(Clock::now() - start));
    return 0;
}

// ------------------------------------------------------------ the parent side

using FigureMap = std::map<std::string, double>;

bool runChild(const std::string& self, const std::vector<std::string>& args, FigureMap& figures)
{
    std::vector<std::string> all{"--child"};
    all.insert(all.end(), args.begin(), args.end());
    const ProgramRun run = runProgram(self, all, false);
    std::istringstream lines(run.output);
    std::string name;
    double value = 0;
    while (lines >> name >> value)
        figures[name] = value;
    if (run.status != 0)
        std::fprintf(stderr, "the measurement %s %s failed\n", args[0].c_str(),
                     args.size() > 1 ? args[1].c_str() : "");
    return run.status == 0;
}

// Median time of `decode` over DECODE_RUNS runs.
template <typename Decode>
double timeDecode(Decode decode)
{
    std::vector<double> runs;
    for (int i = 0; i < DECODE_RUNS; ++i) {
        const Clock::time_point start = Clock::now();
        decode();
        runs.push_back(seconds(Clock::now() - start));
    }
    return median(runs);
}

// Decoding the whole of an Ogg file once, as playing it decodes it.
double oggDecodeSeconds(const std::string& path)
{
    return timeDecode([&] {
        OggVorbis_File file;
        if (ov_fopen(path.c_str(), &file) != 0)
            return;
        char buffer[8192];
        int link = 0;
        while (ov_read(&file, buffer, sizeof buffer, 0, 2, 1, &link) > 0) {
        }
        ov_clear(&file);
    });
}

struct Floors {
    double pictures;  // page 1's background and illustration, decoded as the player does
    double sound;     // page 1's sound, decoded whole as the player's sample loader does
    double realTime;  // one decode of that sound over its length: its share of a core
};

Floors measureFloors(const fs::path& media)
{
    Floors f{};
    const std::string bg = (media / "pico" / backgroundName(0)).string();
    const std::string ill = (media / "pico" / illustrationName(0)).string();
    const std::string sound = (media / "audio" / soundName(0)).string();
    f.pictures = timeDecode([&] {
        destroy_bitmap(loadPico(bg.c_str()));
        destroy_bitmap(loadPico(ill.c_str()));
    });
    f.sound = timeDecode([&] { destroy_sample(loadAudio(sound.c_str())); });
    f.realTime = oggDecodeSeconds(sound) / SOUND_SECONDS;
    return f;
}

void printRow(const char* label, const std::vector<double>& values, const char* format)
{
    std::printf("  %-34s", label);
    for (double v : values)
        std::printf(format, v);
    std::printf("\n");
}

} // namespace

int runOwnMediaChild(int argc, char** argv)
{
    if (argc >= 1 && std::strcmp(argv[0], "bare") == 0)
        return measureBareLibrary();
    if (argc >= 3 && std::strcmp(argv[0], "read") == 0) {
        fs::current_path(argv[1]);
        return measureReading(argv[2]);
    }
    std::fprintf(stderr, "unknown measurement\n");
    return 2;
}

int runOwnMediaSeries(const std::string& self)
{
    const fs::path work = fs::temp_directory_path() / ("quorvel-bench-own-" + std::to_string(getpid()));
    const fs::path media = work / "media";
    std::printf("\nbooks whose every page has its own 640 x 480 background, 500 x 300 illustration\n"
                "and 20 s stereo 44.1 kHz Ogg, read by the page screen in a window (making them)\n");
    std::fflush(stdout);
    if (!writeOwnMedia(media) || !writeShortTextBook(work / "books" / "texts", SHORT_TEXT_PAGES)) {
        std::fprintf(stderr, "cannot write the books under %s\n", work.string().c_str());
        return 1;
    }
    for (int pages : PAGE_COUNTS)
        writeOwnMediaBook(work / "books" / ("own" + std::to_string(pages)), media, pages);
    // Sounds play, silently, into ALSA's null device.
    writeFile((work / ".asoundrc").string(), "pcm.!default { type null }\n");
    setenv("HOME", work.c_str(), 1);

    const Floors floors = measureFloors(media);
    FigureMap bare;
    if (!runChild(self, {"bare"}, bare))
        return 1;

    std::vector<FigureMap> player(std::size(PAGE_COUNTS));
    std::vector<double> onDisk;
    for (std::size_t i = 0; i < std::size(PAGE_COUNTS); ++i) {
        const int pages = PAGE_COUNTS[i];
        if (!runChild(self, {"read", work.string(), "own" + std::to_string(pages)}, player[i]))
            return 1;
        onDisk.push_back(static_cast<double>(folderBytes(media / "pico") + folderBytes(media / "audio"))
                         * pages / MOST_PAGES / (1024.0 * 1024.0));
    }
    FigureMap texts;
    if (!runChild(self, {"read", work.string(), "texts"}, texts))
        return 1;

    auto column = [&](const char* name, double scale) {
        std::vector<double> values;
        for (const FigureMap& f : player)
            values.push_back(f.at(name) * scale);
        return values;
    };
    std::printf("  %-34s%12d%12d\n", "pages", PAGE_COUNTS[0], PAGE_COUNTS[1]);
    printRow("media on disk, MB", onDisk, "%12.1f");
    printRow("Start Game to page 1 drawn, ms", column("first", 1e3), "%12.1f");
    printRow("reopening after Menu, ms", column("reopen", 1e3), "%12.1f");
    printRow("resident with the book open, MB", column("resident", 1 / 1024.0), "%12.1f");
    printRow("peak resident, MB", column("peak", 1 / 1024.0), "%12.1f");
    printRow("page turn after 0.5 s on a page, ms", column("warm", 1e3), "%12.1f");
    printRow("page turn clicked at once, ms", column("cold", 1e3), "%12.1f");
    printRow("idle share of a core on a page, %", column("idle", 100), "%12.1f");

    const double floor = floors.pictures + floors.sound;
    std::printf("  decoding page 1's own files (the floor): pictures %.1f ms, sound %.1f ms\n",
                floors.pictures * 1e3, floors.sound * 1e3);
    for (std::size_t i = 0; i < player.size(); ++i)
        std::printf("  %d pages: page 1 in %.2f x the floor; reopening %.2f x the first opening\n",
                    PAGE_COUNTS[i], player[i].at("first") / floor,
                    player[i].at("reopen") / player[i].at("first"));
    std::printf("  idle share of the bare library (window and sound): %.1f %%; decoding one\n"
                "  20 s sound in real time: %.1f %% of a core\n",
                bare.at("idle") * 100, floors.realTime * 100);
    std::printf("  %d pages of short texts: page 1 in %.1f ms, resident %.1f MB, peak %.1f MB\n",
                SHORT_TEXT_PAGES, texts.at("first") * 1e3, texts.at("resident") / 1024.0,
                texts.at("peak") / 1024.0);

    if (!std::getenv("QUORVEL_BENCH_KEEP")) {
        fs::current_path(fs::temp_directory_path());
        fs::remove_all(work);
    }
    return 0;
}
