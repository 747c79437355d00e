// What the real player costs while a reader looks at it, and how long it
// takes to start: run under an X display (bench/idle.sh provides one).
//
// Start-up: from launch to the title menu on screen, beside the bare
// library start-up (a program that only opens the same window) and the
// loads of the font and the title picture, all measured in this run.
// Idle: the share of one core used by the player and by the X server over
// 10 s on the title menu and 10 s on the demo book's first page, beside the
// bare library's own cost with its window open.
#include "xplayer.h"

#include <allegro.h>
#include <loadpng.h>

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

const int RUNS = 9;
const double IDLE_SECONDS = 10;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Processor time used so far by process `pid`, in seconds.
double cpuSeconds(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The command name may hold spaces: the fields count from its ')'.
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    unsigned long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14)
            utime = std::stoul(field);
        if (i == 15)
            stime = std::stoul(field);
    }
    return static_cast<double>(utime + stime) / sysconf(_SC_CLK_TCK);
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

// Shares of one core used by the player and the X server over `seconds`.
void measureIdle(pid_t playerPid, pid_t serverPid, double seconds, double& player, double& server)
{
    const double player0 = cpuSeconds(playerPid);
    const double server0 = serverPid > 0 ? cpuSeconds(serverPid) : 0;
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double elapsed = secondsSince(start);
    player = (cpuSeconds(playerPid) - player0) / elapsed;
    server = serverPid > 0 ? (cpuSeconds(serverPid) - server0) / elapsed : -1;
}

bool near(Rgb a, Rgb b)
{
    return std::abs(a.r - b.r) <= 12 && std::abs(a.g - b.g) <= 12 && std::abs(a.b - b.b) <= 12;
}

// The title menu is on screen: its picture shows beside the buttons and
// the Start Game button is drawn.
bool titleShown(const Screenshot& shot, BITMAP* title)
{
    for (int y = 190; y < 220; y += 10)
        for (int x = 240; x < 410; x += 20) {
            const int c = getpixel(title, x, y);
            if (!near(shot.at(x, y), {getr24(c), getg24(c), getb24(c)}))
                return false;
        }
    const Rgb button = shot.at(236, 140);
    return button.b > 200 && button.r < 40;
}

// The first page is on screen: its Menu button is drawn.
bool pageShown(const Screenshot& shot)
{
    return near(shot.at(566, 12), {225, 225, 225});
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <build folder> <working directory of the demo>\n", argv[0]);
        return 2;
    }
    const std::string buildDir = fs::absolute(argv[1]).string();
    const std::string demoDir = fs::absolute(argv[2]).string();
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
    DATAFILE* font = load_datafile((demoDir + "/font.dat").c_str());
    const double fontLoad = secondsSince(start);
    start = Clock::now();
    BITMAP* title = load_png((demoDir + "/pico/title.png").c_str(), nullptr);
    const double titleLoad = secondsSince(start);
    if (!font || !title) {
        std::fprintf(stderr, "cannot load %s/font.dat or pico/title.png\n", demoDir.c_str());
        return 1;
    }
    unload_datafile(font);

    const std::string log = fs::temp_directory_path() / "quorvel-bench-idle.log";
    const pid_t server = findXServer();
    std::vector<double> bare, toWindow, toTitle;
    double bareIdle = 0, bareServer = 0;
    double titlePlayer = 0, titleServer = 0, pagePlayer = 0, pageServer = 0;
    XPlayer player;
    // Bare and player runs take turns, so that both meet the same machine.
    for (int run = 0; run < RUNS; ++run) {
        const bool last = run + 1 == RUNS;
        XPlayer window;
        start = Clock::now();
        if (!window.start(buildDir + "/bench/quorvel-bench-bare", demoDir, log)
            || !window.waitForWindow(20)) {
            std::fprintf(stderr, "the bare window did not open (see %s)\n", log.c_str());
            return 1;
        }
        bare.push_back(secondsSince(start));
        if (last) // the library's own cost with a window open and no sound
            measureIdle(window.pid(), server, IDLE_SECONDS / 2, bareIdle, bareServer);
        window.pressCloseButton();
        window.waitForExit(5);

        start = Clock::now();
        Screenshot shot;
        if (!player.start(buildDir + "/bin/quorvel", demoDir, log) || !player.waitForWindow(20)) {
            std::fprintf(stderr, "the player did not open its window (see %s)\n", log.c_str());
            return 1;
        }
        toWindow.push_back(secondsSince(start));
        if (!player.waitForScreen([&](const Screenshot& s) { return titleShown(s, title); }, 20,
                                  shot)) {
            std::fprintf(stderr, "the title menu did not show (see %s)\n", log.c_str());
            return 1;
        }
        toTitle.push_back(secondsSince(start));
        if (!last) {
            player.pressCloseButton();
            player.waitForExit(5);
        }
    }

    // The last player stays: idle on the title, then on the first page.
    measureIdle(player.pid(), server, IDLE_SECONDS, titlePlayer, titleServer);
    player.click(324, 156);
    Screenshot shot;
    if (!player.waitForScreen(pageShown, 20, shot)) {
        std::fprintf(stderr, "the first page did not show (see %s)\n", log.c_str());
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    measureIdle(player.pid(), server, IDLE_SECONDS, pagePlayer, pageServer);
    player.pressCloseButton();
    player.waitForExit(5);
    destroy_bitmap(title);

    const double bareStart = median(bare);
    const double limit = 1.5 * bareStart + fontLoad + titleLoad;
    std::printf("start-up (median of %d runs)\n", RUNS);
    std::printf("  bare library, launch to window      %8.1f ms\n", bareStart * 1e3);
    std::printf("  font.dat load                       %8.1f ms\n", fontLoad * 1e3);
    std::printf("  title picture load                  %8.1f ms\n", titleLoad * 1e3);
    std::printf("  player, launch to window            %8.1f ms\n", median(toWindow) * 1e3);
    std::printf("  player, launch to title on screen   %8.1f ms  (%.2f x bare; limit %.1f ms)\n",
                median(toTitle) * 1e3, median(toTitle) / bareStart, limit * 1e3);
    std::printf("idle, share of one core over %.0f s   player    X server\n", IDLE_SECONDS);
    std::printf("  title menu                          %6.1f %%  %6.1f %%\n", titlePlayer * 100,
                titleServer * 100);
    std::printf("  first page                          %6.1f %%  %6.1f %%\n", pagePlayer * 100,
                pageServer * 100);
    std::printf("  bare library window (no sound)      %6.1f %%  %6.1f %%\n", bareIdle * 100,
                bareServer * 100);
    if (server < 0)
        std::printf("  (the X server is not an Xvfb of this display: its share is not measured)\n");
    return 0;
}
