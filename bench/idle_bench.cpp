// What the real player costs while a reader looks at it, how long it takes
// to start, and how soon a click shows on screen: run under an X display
// (bench/idle.sh provides a 1920 x 1080 one).
//
// Start-up: from launch to the title menu on screen (a 640 x 480 window),
// beside the bare library start-up (a program that only opens the same
// window) and the loads of the font and the title picture, all measured in
// this run.
// Idle: the share of one core used by the bare library window and by the
// player in a scale-1 window, a scale-2 window and full screen, all running
// at once and measured over the same 10 s, on the title menu and then on
// the demo book's first page, which plays a sound in a loop (there, also
// beside the bare window playing the same sound); and the X server's share
// meanwhile.
// Click: from the release of the button on the first choice of page 1 to
// the first change of the next page on screen, for the player at scale 1
// and 2 and, when given, an earlier build of the player (the baseline),
// taking turns.
#include "screen/display.h"
#include "text/fontfile.h"
#include "screens.h"
#include "app/startlibrary.h"
#include "xplayer.h"

#include <allegro.h>
#include <loadpng.h>
#include <X11/Xlib.h>

#include <dirent.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <system_error>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

const int RUNS = 9;
const double IDLE_SECONDS = 15;
const int CLICK_ROUNDS = 10;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void pause(double seconds)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

double median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Processor time used so far by the threads of process `pid`, in seconds,
// from the scheduler's own count in nanoseconds (the tick count of
// /proc/<pid>/stat is too coarse for shares of a percent or two).
double cpuSeconds(pid_t pid)
{
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code failed;
    double total = 0;
    for (const auto& task : fs::directory_iterator(tasks, failed)) {
        std::ifstream in(task.path() / "schedstat");
        unsigned long long running = 0;
        if (in >> running)
            total += static_cast<double>(running) * 1e-9;
    }
    return total;
}

// The process of the Xvfb server that holds our display, or -1.
pid_t findXServer()
{
    const char* display = std::getenv("DISPLAY");
    if (!display)
        return -1;
    const std::string wanted = display;
    DIR* proc = opendir("/proc");
    if (!proc)
        return -1;
    pid_t found = -1;
    while (dirent* entry = readdir(proc)) {
        const pid_t pid = std::atoi(entry->d_name);
        if (pid <= 0)
            continue;
        std::ifstream in(std::string("/proc/") + entry->d_name + "/cmdline");
        std::string cmdline((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<std::string> args;
        std::istringstream parts(cmdline);
        for (std::string arg; std::getline(parts, arg, '\0');)
            args.push_back(arg);
        if (args.empty() || fs::path(args[0]).filename() != "Xvfb")
            continue;
        if (std::find(args.begin(), args.end(), wanted) != args.end()) {
            found = pid;
            break;
        }
    }
    closedir(proc);
    return found;
}

// Shares of one core used by each of `pids` over the same `seconds`.
std::vector<double> idleShares(const std::vector<pid_t>& pids, double seconds)
{
    std::vector<double> before;
    for (pid_t pid : pids)
        before.push_back(cpuSeconds(pid));
    const auto start = Clock::now();
    pause(seconds);
    const double elapsed = secondsSince(start);
    std::vector<double> shares;
    for (std::size_t i = 0; i < pids.size(); ++i)
        shares.push_back((cpuSeconds(pids[i]) - before[i]) / elapsed);
    return shares;
}

// One program under measurement, and where its 640 x 480 picture shows.
struct Subject {
    Subject(std::string label, std::string program, std::string dir, int scale = 1,
            bool fullScreen = false, int x = 0, int y = 0)
        : label(std::move(label)), program(std::move(program)), dir(std::move(dir)),
          fullScreen(fullScreen), x(x), y(y), scale(scale)
    {
    }

    std::string label;
    std::string program;
    std::string dir; // its working directory
    bool fullScreen;
    int x, y, scale;
    XPlayer run;
    std::string log;

    // The picture as the reader sees it now; empty when it is not shown.
    Screenshot logical() { return logicalView(run.grab(), x, y, scale); }

    bool await(const std::function<bool(const Screenshot&)>& ready, double seconds = 20)
    {
        Screenshot shot;
        return run.waitForScreen(
            [&](const Screenshot& s) {
                const Screenshot view = logicalView(s, x, y, scale);
                return view.w && ready(view);
            },
            seconds, shot);
    }

    int displayX(int logicalX) const { return x + logicalX * scale + scale / 2; }
    int displayY(int logicalY) const { return y + logicalY * scale + scale / 2; }
    void click(int logicalX, int logicalY) { run.click(displayX(logicalX), displayY(logicalY)); }

    // Starts the program in `dir` and waits for its title menu.
    bool start(const Reference& titlePicture)
    {
        log = dir + "/bench.log";
        if (!run.start(program, dir, log))
            return false;
        run.aimAtWholeDisplay(fullScreen);
        run.showsPixelsAs(scale);
        if (!fullScreen && !run.waitForWindow(20))
            return false;
        return await([&](const Screenshot& s) { return showsTitle(s, titlePicture); });
    }

    // Ends the program as a reader would: by the window's close button, or
    // in full screen, which has none, by Menu and Quit.
    void close(const Reference& titlePicture)
    {
        if (fullScreen) {
            click(MENU_BUTTON_X, MENU_BUTTON_Y);
            await([&](const Screenshot& s) { return showsTitle(s, titlePicture); }, 5);
            click(MENU_X, QUIT_Y);
        } else {
            run.pressCloseButton();
        }
        if (run.waitForExit(5) == -1)
            std::fprintf(stderr, "%s did not close: see %s\n", label.c_str(), log.c_str());
    }
};

// A copy of the demo's working directory with its own settings.
std::string workingCopy(const std::string& demoDir, const std::string& name,
                        const std::string& settings)
{
    const fs::path dir = fs::temp_directory_path() / ("quorvel-bench-" + name);
    fs::remove_all(dir);
    fs::copy(demoDir, dir, fs::copy_options::recursive);
    std::ofstream(dir / "ini.dat") << "book:demo;\nmain_bg:title.png;\n" << settings;
    return dir.string();
}

bool showsFirstPage(const Screenshot& logical, const Reference& illustration)
{
    return showsPage(logical, illustration, 150);
}

// A part of the picture, as the subject shows it.
struct Area {
    int x, y, w, h; // logical pixels
    Screenshot grab(Subject& s) const
    {
        return s.run.grabArea(s.x + x * s.scale, s.y + y * s.scale, w * s.scale, h * s.scale);
    }
};

// Where page 2 first differs from page 1 (its illustration), and the room
// name, which the page screen draws last.
const Area TURN_AREA{300, 100, 80, 40}, ROOM_NAME_AREA{5, 5, 200, 16};

// Times from the release of a click on page 1's first choice to the first
// change on screen (`first`) and to the new room name (`whole`); -1 when
// it did not come in 5 s. Leaves the subject back on page 1.
void pageTurnAnswer(Subject& s, const Reference& pageOne, double& first, double& whole)
{
    s.run.raise();
    pause(0.2); // whatever the raise uncovered is drawn again
    const Screenshot turnBefore = TURN_AREA.grab(s), nameBefore = ROOM_NAME_AREA.grab(s);
    // The click returns as it lets go of the button.
    s.run.click(s.displayX(FIRST_X), s.displayY(CHOICE_CLICK_Y));
    const auto released = Clock::now();
    first = whole = -1;
    while (secondsSince(released) < 5 && (first < 0 || whole < 0)) {
        if (first < 0 && TURN_AREA.grab(s).pixels != turnBefore.pixels)
            first = secondsSince(released);
        if (whole < 0 && ROOM_NAME_AREA.grab(s).pixels != nameBefore.pixels)
            whole = secondsSince(released);
        pause(0.0002);
    }
    // Both may show in one copy to the display, between two looks.
    if (first > whole && whole >= 0)
        first = whole;
    pause(0.5); // the double-click time, and the page drawn whole
    s.click(20, CHOICE_CLICK_Y); // the fork's third choice leads back to page 1
    s.await([&](const Screenshot& v) { return showsFirstPage(v, pageOne); }, 5);
    pause(0.2);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr,
                     "usage: %s <build folder> <working directory of the demo> [baseline player]\n",
                     argv[0]);
        return 2;
    }
    const std::string buildDir = fs::absolute(argv[1]).string();
    const std::string demoDir = fs::absolute(argv[2]).string();
    const std::string baseline = argc == 4 ? fs::absolute(argv[3]).string() : "";
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "needs an X display (bench/idle.sh starts one)\n");
        return 2;
    }
    install_allegro(SYSTEM_NONE, &errno, atexit);
    set_uformat(U_UTF8);
    register_png_file_type();
    set_color_depth(24);

    // The loads the player does before its title shows, measured here.
    auto start = Clock::now();
    OwnedFont font = readFontFile(demoDir + "/font.dat").value;
    const double fontLoad = secondsSince(start);
    start = Clock::now();
    BITMAP* titleBitmap = load_png((demoDir + "/pico/title.png").c_str(), nullptr);
    const double titleLoad = secondsSince(start);
    if (!font || !titleBitmap) {
        std::fprintf(stderr, "cannot load %s/font.dat or pico/title.png\n", demoDir.c_str());
        return 1;
    }
    font.reset();
    destroy_bitmap(titleBitmap);
    const Reference titlePicture(demoDir + "/pico/title.png");
    const Reference pageOne(demoDir + "/books/demo/pico/path.png");

    const std::string player = buildDir + "/bin/quorvel";
    const std::string bareProgram = buildDir + "/bench/quorvel-bench-bare";
    const pid_t server = findXServer();
    int screenW = 0, screenH = 0;
    Display* display = nullptr;
    if (connectToDisplay([&] { return (display = XOpenDisplay(nullptr)) != nullptr; })) {
        screenW = DisplayWidth(display, DefaultScreen(display));
        screenH = DisplayHeight(display, DefaultScreen(display));
        XCloseDisplay(display);
    }
    const int fullScale = fullScreenScaleFor(screenW, screenH);

    Subject bare("bare library window (640 x 480, no sound)", bareProgram, demoDir);
    // The first page plays this sound in a loop: the floor for that page.
    const std::string pageSound = demoDir + "/books/demo/audio/wind.ogg";
    Subject bareSound("bare library window playing page 1's sound", bareProgram, demoDir);
    Subject scaleOne("player, window at scale 1 (640 x 480)", player,
                     workingCopy(demoDir, "scale1", "scale:1;\n"));
    Subject scaleTwo("player, window at scale 2 (1280 x 960)", player,
                     workingCopy(demoDir, "scale2", "scale:2;\n"), 2);
    Subject full("player, full screen (" + std::to_string(screenW) + " x "
                     + std::to_string(screenH) + ", scale " + std::to_string(fullScale) + ")",
                 player, workingCopy(demoDir, "full", "windowed:NO;\n"), fullScale, true,
                 (screenW - 640 * fullScale) / 2, (screenH - 480 * fullScale) / 2);
    // An earlier build, which knows no scale: a 640 x 480 window.
    std::unique_ptr<Subject> before;
    if (!baseline.empty())
        before.reset(new Subject("baseline player, window (640 x 480)", baseline,
                                 workingCopy(demoDir, "baseline", "")));

    // ---- start-up, in a 640 x 480 window ----
    std::vector<Subject*> starters = {&scaleOne};
    if (before)
        starters.push_back(before.get());
    std::vector<double> bareStarts;
    std::vector<std::vector<double>> toWindow(starters.size()), toTitle(starters.size());
    // The programs take turns, so that all meet the same machine.
    for (int run = 0; run < RUNS; ++run) {
        auto launched = Clock::now();
        if (!bare.run.start(bareProgram, demoDir, "/dev/null") || !bare.run.waitForWindow(20)) {
            std::fprintf(stderr, "the bare window did not open\n");
            return 1;
        }
        bareStarts.push_back(secondsSince(launched));
        bare.close(titlePicture);
        // Each run starts with another of them, so that none always follows the bare window.
        for (std::size_t k = 0; k < starters.size(); ++k) {
            const std::size_t i = (k + run) % starters.size();
            Subject& subject = *starters[i];
            launched = Clock::now();
            if (!subject.run.start(subject.program, subject.dir, subject.dir + "/bench.log")
                || !subject.run.waitForWindow(20)) {
                std::fprintf(stderr, "%s did not open its window\n", subject.label.c_str());
                return 1;
            }
            toWindow[i].push_back(secondsSince(launched));
            if (!subject.await([&](const Screenshot& s) { return showsTitle(s, titlePicture); })) {
                std::fprintf(stderr, "%s did not show its title menu\n", subject.label.c_str());
                return 1;
            }
            toTitle[i].push_back(secondsSince(launched));
            subject.close(titlePicture);
        }
    }

    // ---- idle: all at once, over the same seconds ----
    std::vector<Subject*> idle = {&bare};
    if (before)
        idle.push_back(before.get());
    for (Subject* subject : {&scaleOne, &scaleTwo, &full})
        idle.push_back(subject);
    if (!bare.run.start(bareProgram, demoDir, "/dev/null") || !bare.run.waitForWindow(20)) {
        std::fprintf(stderr, "the bare window did not open\n");
        return 1;
    }
    for (std::size_t i = 1; i < idle.size(); ++i)
        if (!idle[i]->start(titlePicture)) {
            std::fprintf(stderr, "%s: the title menu did not show (see %s)\n",
                         idle[i]->label.c_str(), idle[i]->log.c_str());
            return 1;
        }
    const auto processes = [&] {
        std::vector<pid_t> pids;
        for (Subject* subject : idle)
            pids.push_back(subject->run.pid());
        pids.push_back(server);
        return pids;
    };
    pause(1);
    const std::vector<double> titleShares = idleShares(processes(), IDLE_SECONDS);
    // The full-screen player holds the pointer while it runs: it leaves
    // while the windows turn to the first page, and comes back for it.
    full.click(MENU_X, QUIT_Y);
    full.run.waitForExit(5);
    for (std::size_t i = 1; i < idle.size(); ++i) {
        if (idle[i] == &full && !full.start(titlePicture)) {
            std::fprintf(stderr, "%s: the title menu did not show again\n", full.label.c_str());
            return 1;
        }
        idle[i]->click(MENU_X, START_Y);
        if (!idle[i]->await([&](const Screenshot& s) { return showsFirstPage(s, pageOne); })) {
            std::fprintf(stderr, "%s: the first page did not show (see %s)\n",
                         idle[i]->label.c_str(), idle[i]->log.c_str());
            return 1;
        }
    }
    if (!bareSound.run.start(bareProgram, demoDir, "/dev/null", {pageSound})
        || !bareSound.run.waitForWindow(20)) {
        std::fprintf(stderr, "the bare window playing a sound did not open\n");
        return 1;
    }
    pause(1);
    std::vector<pid_t> pagePids = processes();
    pagePids.insert(pagePids.end() - 1, bareSound.run.pid()); // the X server stays last
    std::vector<double> pageShares = idleShares(pagePids, IDLE_SECONDS);
    const double bareSoundShare = pageShares[pageShares.size() - 2];
    pageShares.erase(pageShares.end() - 2);
    full.close(titlePicture);
    bare.close(titlePicture);
    bareSound.close(titlePicture);

    // ---- a click answered on screen, the windows taking turns ----
    std::vector<Subject*> clicked;
    if (before)
        clicked.push_back(before.get());
    clicked.push_back(&scaleOne);
    clicked.push_back(&scaleTwo);
    std::vector<std::vector<double>> firsts(clicked.size()), wholes(clicked.size());
    for (int round = 0; round < CLICK_ROUNDS; ++round)
        for (std::size_t i = 0; i < clicked.size(); ++i) {
            double first = -1, whole = -1;
            pageTurnAnswer(*clicked[i], pageOne, first, whole);
            firsts[i].push_back(first);
            wholes[i].push_back(whole);
        }
    for (Subject* subject : clicked)
        subject->close(titlePicture);

    // ---- figures ----
    const double bareStart = median(bareStarts);
    const double limit = 1.5 * bareStart + fontLoad + titleLoad;
    std::printf("start-up in a 640 x 480 window (median of %d runs)\n", RUNS);
    std::printf("  bare library, launch to window                 %8.1f ms\n", bareStart * 1e3);
    std::printf("  font.dat load                                  %8.1f ms\n", fontLoad * 1e3);
    std::printf("  title picture load                             %8.1f ms\n", titleLoad * 1e3);
    for (std::size_t i = 0; i < starters.size(); ++i) {
        const std::string who = i == 0 ? "player" : "baseline player";
        std::printf("  %-46s %8.1f ms\n", (who + ", launch to window").c_str(),
                    median(toWindow[i]) * 1e3);
        std::printf("  %-46s %8.1f ms  (%.2f x bare; limit %.1f ms)\n",
                    (who + ", launch to title on screen").c_str(), median(toTitle[i]) * 1e3,
                    median(toTitle[i]) / bareStart, limit * 1e3);
    }

    std::printf("idle, share of one core over the same %.0f s, on a %d x %d display\n",
                IDLE_SECONDS, screenW, screenH);
    std::printf("%-48s title menu  first page   x bare (limit 1.15)   page x bare with its sound\n",
                "");
    for (std::size_t i = 0; i < idle.size(); ++i) {
        std::printf("  %-44s %7.2f %%   %7.2f %%", idle[i]->label.c_str(), titleShares[i] * 100,
                    pageShares[i] * 100);
        if (i > 0)
            std::printf("    %.2f / %.2f         %.2f", titleShares[i] / titleShares[0],
                        pageShares[i] / pageShares[0], pageShares[i] / bareSoundShare);
        std::printf("\n");
    }
    std::printf("  %-44s             %7.2f %%\n", bareSound.label.c_str(), bareSoundShare * 100);
    if (server > 0)
        std::printf("  %-44s %7.2f %%   %7.2f %%\n", "X server, meanwhile",
                    titleShares.back() * 100, pageShares.back() * 100);
    else
        std::printf("  (the X server is not an Xvfb of this display: its share is not measured)\n");

    std::printf("click on page 1's first choice, from the release (median of %d, taking turns)\n",
                CLICK_ROUNDS);
    std::printf("%-48s first change  whole page   first change beside the baseline\n", "");
    for (std::size_t i = 0; i < clicked.size(); ++i) {
        const double first = median(firsts[i]), whole = median(wholes[i]);
        std::printf("  %-44s %7.1f ms   %7.1f ms", clicked[i]->label.c_str(), first * 1e3,
                    whole * 1e3);
        if (before && i > 0)
            std::printf("    %+.1f ms (limit +16.7 ms)", (first - median(firsts[0])) * 1e3);
        std::printf("\n");
    }
    return 0;
}
