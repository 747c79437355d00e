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
// wrapped to note the time of its first draw on each page. The pass then
// shows what it drew on the display (presentChanges): how long that takes
// for a whole page is timed apart.
#include "ownmedia.h"

#include "assets.h"
#include "gamepage.h"
#include "init.h"
#include "media/media.h"
#include "screen/dialogpass.h"
#include "screen/display.h"
#include "scriptedinput.h"
#include "testenv.h"
#include "text/buffers.h"

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
const int REOPENINGS = 3;   // reopenings after Menu, of which the median counts
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

} // namespace

bool writeOwnMedia(const fs::path& media, int pages)
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
    for (int page = 0; page < pages; ++page) {
        const std::string p = std::to_string(page % PICTURE_VARIANTS);
        const std::string s = std::to_string(page % SOUND_VARIANTS);
        fs::copy_file(variants / ("bg" + p + ".png"), media / "pico" / backgroundName(page));
        fs::copy_file(variants / ("ill" + p + ".png"), media / "pico" / illustrationName(page));
        fs::copy_file(variants / ("s" + s + ".ogg"), media / "audio" / soundName(page));
    }
    fs::remove_all(variants);
    return true;
}

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

namespace {

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
// The longest time between two passes of the page screen's loop on one
// page (the dialog manager sends every element an idle message each pass):
// a streamed sound is fed once a pass, so this must stay well within what
// it holds ahead.
Clock::time_point lastPass;
int lastPassPage = -1;
double longestPass = 0;

int timedMenuProc(int msg, DIALOG* d, int c)
{
    const int result = menuProc(msg, d, c);
    const Clock::time_point now = Clock::now();
    if (msg == MSG_DRAW && lastDrawn.page != cur_page)
        lastDrawn = {cur_page, now};
    if (msg == MSG_IDLE) {
        if (lastPassPage == cur_page)
            longestPass = std::max(longestPass, seconds(now - lastPass));
        lastPass = now;
        lastPassPage = cur_page;
    }
    return result;
}

bool drawnFor(double wait)
{
    return lastDrawn.page >= 0 && seconds(Clock::now() - lastDrawn.at) >= wait;
}

// How the player opened a book before it decoded files only when needed,
// for comparison in the same run: every file the book names decoded when
// the book is read, and all of it kept while the book is open. The checks
// decode and keep what they decode; the store then takes it from here.
std::map<std::string, BITMAP*> picturesDecodedAtOpening;
std::map<std::string, SAMPLE*> soundsDecodedAtOpening;

PictureHeader decodePictureAtOpening(const char* path)
{
    PictureHeader header = inspectPicture(path);
    if (!header.problem)
        picturesDecodedAtOpening[path] = loadPico(path);
    return header;
}

SoundHeader decodeSoundAtOpening(const char* path)
{
    SoundHeader header = inspectSound(path);
    if (!header.problem)
        soundsDecodedAtOpening[path] = loadAudio(path);
    return header;
}

template <typename T>
T* takeDecoded(std::map<std::string, T*>& decoded, const char* path)
{
    const auto found = decoded.find(path);
    if (found == decoded.end())
        return nullptr;
    T* object = found->second;
    decoded.erase(found);
    return object;
}

Result<BITMAP*> takePicture(const char* path, const PictureHeader&)
{
    BITMAP* picture = takeDecoded(picturesDecodedAtOpening, path);
    return {picture ? picture : loadPico(path), std::nullopt};
}

Result<SAMPLE*> takeSound(const char* path, const SoundHeader&)
{
    SAMPLE* sound = takeDecoded(soundsDecodedAtOpening, path);
    return {sound ? sound : loadAudio(path), std::nullopt};
}

// What the store never took, once the book is closed.
void freeDecodedAtOpening()
{
    for (auto& entry : picturesDecodedAtOpening)
        destroy_bitmap(entry.second);
    for (auto& entry : soundsDecodedAtOpening)
        destroy_sample(entry.second);
    picturesDecodedAtOpening.clear();
    soundsDecodedAtOpening.clear();
}

void decodeEverythingAtOpening()
{
    MediaLoaders loaders = playerMediaLoaders();
    loaders.inspectPicture = decodePictureAtOpening;
    loaders.decodePicture = takePicture;
    loaders.inspectSound = decodeSoundAtOpening;
    loaders.decodeSound = takeSound;
    setMediaLoaders(loaders);
    setMediaBudget(SIZE_MAX); // nothing decoded is let go while the book is open
}

// Reads the book in the current working directory's books/<name> with the
// page screen and prints the figures; `asBefore`: decoding everything at
// opening.
int measureReading(const std::string& name, bool asBefore)
{
    if (!startLibraryInWindow()) {
        std::fprintf(stderr, "no window: is an X display set?\n");
        return 1;
    }
    install_sound(DIGI_AUTODETECT, MIDI_NONE, nullptr);
    copyCut(book, sizeof book, ("books/" + name).c_str());
    menuProc = dialogGamePage[6].proc;
    dialogGamePage[6].proc = timedMenuProc;
    if (asBefore)
        decodeEverythingAtOpening();

    Clock::time_point opened, released;
    double firstPage = 0, idleShare = 0;
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
    // With no budget, nothing beside the page on screen is kept decoded:
    // the next page is decoded when its choice is taken. (Before, every
    // page was decoded at opening.)
    const std::size_t budget = mediaBudget();
    for (int i = 0; i < TURNS; ++i) {
        if (!asBefore)
            script.push_back(then([] { setMediaBudget(0); }));
        turn(cold);
        script.push_back(then([budget] { setMediaBudget(budget); }));
    }
    // On a page whose sound loops, once read-ahead has had its time.
    script.push_back(when([] { return drawnFor(1.0); }, [&] {
        residentKb = statusKb("VmRSS");
        cpuAtStart = cpuSeconds();
        idleStart = Clock::now();
    }));
    bool measured = false;
    double present = 0;
    script.push_back(when([&] { return seconds(Clock::now() - idleStart) >= IDLE_SECONDS; }, [&] {
        idleShare = (cpuSeconds() - cpuAtStart) / seconds(Clock::now() - idleStart);
        // Showing a whole page drawn anew: every row of the logical screen.
        blit(doubleBuffer, doubleBuffer, 0, 0, 0, 0, doubleBuffer->w, doubleBuffer->h);
        const Clock::time_point start = Clock::now();
        presentChanges();
        present = seconds(Clock::now() - start);
        measured = true;
    }));
    append(script, clickOn(&dialogGamePage[6]));
    playMouse(script);
    opened = Clock::now();
    if (gamePage() != 0 || !measured) {
        std::fprintf(stderr, "the book was not read as scripted\n");
        return 1;
    }
    freeDecodedAtOpening();

    // Reopened a few times: the median counts.
    std::vector<double> reopenings;
    for (int i = 0; i < REOPENINGS; ++i) {
        lastDrawn = {};
        double reopened = 0;
        script = {when([] { return lastDrawn.page == 0; },
                       [&] { reopened = seconds(lastDrawn.at - opened); })};
        append(script, clickOn(&dialogGamePage[6]));
        playMouse(script);
        opened = Clock::now();
        if (gamePage() != 0 || reopened <= 0) {
            std::fprintf(stderr, "the book was not reopened as scripted\n");
            return 1;
        }
        freeDecodedAtOpening();
        reopenings.push_back(reopened);
    }

    // What decoding the pictures of the pages the turns without read-ahead
    // went to takes, here in this process, beside the window.
    std::vector<double> ownPictures;
    for (int turned = TURNS + 1; turned <= 2 * TURNS; ++turned) {
        const std::string folder = std::string(book) + "/pico/";
        const std::string bg = folder + backgroundName(turned), ill = folder + illustrationName(turned);
        if (!exists(bg.c_str()) || !exists(ill.c_str()))
            break;
        const Clock::time_point start = Clock::now();
        destroy_bitmap(loadPico(bg.c_str()));
        destroy_bitmap(loadPico(ill.c_str()));
        ownPictures.push_back(seconds(Clock::now() - start));
    }

    std::printf("first %.6f\nreopen %.6f\nwarm %.6f\ncold %.6f\nresident %ld\npeak %ld\nidle %.6f\n"
                "pass %.6f\npictures %.6f\npresent %.6f\n",
                firstPage, median(reopenings), median(warm), median(cold), residentKb,
                statusKb("VmHWM"), idleShare, longestPass, median(ownPictures), present);
    return 0;
}

// The share of a core this process takes over `duration` seconds while it
// rests as the page screen's passes do.
double idleShareFor(double duration)
{
    const double cpu = cpuSeconds();
    const Clock::time_point start = Clock::now();
    while (seconds(Clock::now() - start) < duration)
        rest(PASS_REST_MS);
    return (cpuSeconds() - cpu) / seconds(Clock::now() - start);
}

// The share of a core that the library alone takes with its window open and
// its sound running, resting as the page screen's passes do; and how fast
// the sound device takes sound (a device without hardware behind it, as
// under a virtual display, may take it faster than it would play).
int measureBareLibrary()
{
    if (!startLibraryInWindow())
        return 1;
    install_sound(DIGI_AUTODETECT, MIDI_NONE, nullptr);
    rest(500); // let the start-up settle
    std::printf("idle %.6f\n", idleShareFor(IDLE_SECONDS));
    // The same while the library plays a looping sample of the rate and
    // channels of the book's sounds: its own cost of mixing a sound.
    SAMPLE* sample = create_sample(16, TRUE, SOUND_RATE, SOUND_RATE);
    if (!sample)
        return 1;
    std::fill_n(static_cast<uint16_t*>(sample->data), 2 * SOUND_RATE, 0x8000);
    play_sample(sample, 255, 128, 1000, TRUE);
    std::printf("playing %.6f\n", idleShareFor(IDLE_SECONDS));
    stop_sample(sample);
    destroy_sample(sample);

    const int frames = 4096, rate = 44100;
    AUDIOSTREAM* stream = play_audio_stream(frames, 16, FALSE, rate, 0, 128);
    if (!stream)
        return 0;
    long taken = 0;
    const Clock::time_point start = Clock::now();
    while (seconds(Clock::now() - start) < 2) {
        if (void* buffer = get_audio_stream_buffer(stream)) {
            std::memset(buffer, 0x80, frames * 2);
            free_audio_stream_buffer(stream);
            taken += frames;
        }
        rest(1);
    }
    std::printf("speed %.6f\n", taken / (rate * seconds(Clock::now() - start)));
    stop_audio_stream(stream);
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

} // namespace

int runOwnMediaChild(int argc, char** argv)
{
    if (argc >= 1 && std::strcmp(argv[0], "bare") == 0)
        return measureBareLibrary();
    if (argc >= 4 && std::strcmp(argv[0], "read") == 0) {
        fs::current_path(argv[1]);
        return measureReading(argv[2], std::strcmp(argv[3], "before") == 0);
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
    if (!writeOwnMedia(media, MOST_PAGES) || !writeShortTextBook(work / "books" / "texts", SHORT_TEXT_PAGES)) {
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

    // Each book read by the player as it is ("now"), and with the baseline's
    // way of decoding every file at opening ("before"), one after the other.
    std::vector<FigureMap> now(std::size(PAGE_COUNTS)), before(std::size(PAGE_COUNTS));
    std::vector<double> onDisk;
    for (std::size_t i = 0; i < std::size(PAGE_COUNTS); ++i) {
        const std::string name = "own" + std::to_string(PAGE_COUNTS[i]);
        if (!runChild(self, {"read", work.string(), name, "now"}, now[i])
            || !runChild(self, {"read", work.string(), name, "before"}, before[i]))
            return 1;
        onDisk.push_back(static_cast<double>(folderBytes(media / "pico") + folderBytes(media / "audio"))
                         * PAGE_COUNTS[i] / MOST_PAGES / (1024.0 * 1024.0));
    }
    FigureMap texts;
    if (!runChild(self, {"read", work.string(), "texts", "now"}, texts))
        return 1;

    std::printf("  %-36s", "pages");
    for (int pages : PAGE_COUNTS)
        std::printf("%10d %10s %7s", pages, "before", "ratio");
    std::printf("\n  %-36s", "media on disk, MB");
    for (double mb : onDisk)
        std::printf("%10.1f %10s %7s", mb, "", "");
    std::printf("\n");
    auto row = [&](const char* label, const char* name, double scale) {
        std::printf("  %-36s", label);
        for (std::size_t i = 0; i < now.size(); ++i) {
            const double a = now[i].at(name), b = before[i].at(name);
            std::printf("%10.1f %10.1f %7.2f", a * scale, b * scale, a > 0 ? b / a : 0);
        }
        std::printf("\n");
    };
    row("Start Game to page 1 drawn, ms", "first", 1e3);
    row("reopening after Menu, ms", "reopen", 1e3);
    row("resident with the book open, MB", "resident", 1 / 1024.0);
    row("peak resident, MB", "peak", 1 / 1024.0);
    row("page turn after 0.5 s on a page, ms", "warm", 1e3);
    row("  then showing the drawn page, ms", "present", 1e3);
    row("page turn, no read-ahead, ms", "cold", 1e3);
    row("  its page's pictures decoded, ms", "pictures", 1e3);
    row("idle share of a core on a page, %", "idle", 100);
    row("longest pass on a page, ms", "pass", 1e3);
    std::printf("  (ratio: before / now)\n");

    const double speed = bare.count("speed") ? bare.at("speed") : 1;
    const double streamShare = floors.realTime * speed;
    std::printf("  page 1's own files decoded: pictures %.1f ms, sound (whole) %.1f ms\n",
                floors.pictures * 1e3, floors.sound * 1e3);
    std::printf("  bare library idle (window and sound): %.1f %%, and playing a looping sample\n"
                "  like the pages' sounds: %.1f %%; decoding a 20 s sound as it plays: %.2f %% of\n"
                "  a core (the sound device here takes sound at %.2f x real time: %.2f %%)\n",
                bare.at("idle") * 100, bare.at("playing") * 100, floors.realTime * 100, speed,
                streamShare * 100);
    std::printf("targets, each book as it is now\n");
    for (std::size_t i = 0; i < now.size(); ++i) {
        const FigureMap& f = now[i];
        const double pageOneLimit = 2 * (floors.pictures + floors.sound) + 0.050;
        std::printf("  %d pages: page 1 %.1f ms (limit 2 x floor + 50 ms = %.1f ms; %.2f x the\n"
                    "    pictures' own decode); reopening %.2f x the first opening; resident\n"
                    "    %.1f MB (limit 64); turn after read-ahead %.1f ms (limit 20, with %.1f ms\n"
                    "    to show it); turn\n"
                    "    without %.1f ms: %.1f ms more, its pictures decode in %.1f ms; idle %.1f %%\n"
                    "    (the bare library playing a sound, plus decoding it: %.1f %%)\n",
                    PAGE_COUNTS[i], f.at("first") * 1e3, pageOneLimit * 1e3,
                    f.at("first") / floors.pictures, f.at("reopen") / f.at("first"),
                    f.at("resident") / 1024.0, f.at("warm") * 1e3, f.at("present") * 1e3,
                    f.at("cold") * 1e3,
                    (f.at("cold") - f.at("warm")) * 1e3, f.at("pictures") * 1e3,
                    f.at("idle") * 100, (bare.at("playing") + streamShare) * 100);
    }
    std::printf("  %d pages of short texts: page 1 %.1f ms, resident %.1f MB (limit 150),\n"
                "    peak %.1f MB\n",
                SHORT_TEXT_PAGES, texts.at("first") * 1e3, texts.at("resident") / 1024.0,
                texts.at("peak") / 1024.0);

    fs::current_path(fs::temp_directory_path());
    fs::remove_all(work);
    return 0;
}
