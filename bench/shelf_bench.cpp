// How long the shelf takes to show 200 books: the real player started with
// no book, from launch to its shelf on screen, beside the same player
// started in the demo's working directory, from launch to its title menu
// (the baseline: the same start-up with no shelf to gather). Each is timed
// over several launches, in turns, and the medians printed.
#include "screens.h"
#include "testenv.h"
#include "xplayer.h"
#include "zipwriter.h"

#include <allegro.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const int BOOKS = 200;
const int ROUNDS = 7;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Seconds from launch until `ready` holds for the player's window; -1 when
// it never did.
double launchUntil(const std::string& dir, const std::vector<std::string>& args,
                   const std::function<bool(const Screenshot&)>& ready, const std::string& log)
{
    XPlayer player;
    const auto start = std::chrono::steady_clock::now();
    Screenshot shot;
    if (!player.start(QUORVEL_PROGRAM, dir, log, args) || !player.waitForWindow(20)
        || !player.waitForScreen(ready, 20, shot))
        return -1;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    player.pressKey(XK_Escape);
    player.waitForExit(10);
    return seconds;
}

} // namespace

int main()
{
    startLibraryWithoutDisplay();
    set_color_depth(24);
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "shelf-bench: needs an X display (scripts/with-display.sh)\n");
        return 1;
    }
    const std::string root = enterScratchDir("shelf-bench");
    fs::copy(QUORVEL_DEMO_DIR, root + "/work", fs::copy_options::recursive);
    fs::create_directories(root + "/elsewhere");
    writeFile(root + "/.asoundrc", "pcm.!default { type null }\n");
    setenv("HOME", root.c_str(), 1);
    setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
    setenv("XDG_STATE_HOME", (root + "/state").c_str(), 1);
    // Half the books folders, half zip archives of the demo.
    const std::string shelf = root + "/data/quorvel/books";
    fs::create_directories(shelf);
    const std::string archive = zipArchive(folderMembers(QUORVEL_DEMO_DIR "/books/demo", "", false));
    for (int i = 0; i < BOOKS; ++i) {
        const std::string name = shelf + "/book" + std::to_string(1000 + i);
        if (i % 2)
            writeFile(name + ".zip", archive);
        else
            fs::copy(QUORVEL_DEMO_DIR "/books/demo", name, fs::copy_options::recursive);
    }
    const Reference title(QUORVEL_DEMO_DIR "/pico/title.png");
    std::vector<double> shelfTimes, titleTimes;
    for (int round = 0; round < ROUNDS; ++round) {
        titleTimes.push_back(launchUntil(root + "/work", {},
                                         [&](const Screenshot& s) { return showsTitle(s, title); },
                                         root + "/title.log"));
        shelfTimes.push_back(launchUntil(root + "/elsewhere", {}, showsShelf, root + "/shelf.log"));
    }
    if (std::count(shelfTimes.begin(), shelfTimes.end(), -1.0) || std::count(titleTimes.begin(), titleTimes.end(), -1.0)) {
        std::fprintf(stderr, "shelf-bench: a launch never showed its screen\n");
        return 1;
    }
    const double base = median(titleTimes), shelfTime = median(shelfTimes);
    std::printf("launch to first frame, median of %d launches each\n", ROUNDS);
    std::printf("  title menu of a working directory: %7.1f ms  baseline\n", base * 1000);
    std::printf("  shelf of %d books:                %7.1f ms  %.2fx the baseline, +%.0f ms (target: under 1 s)\n",
                BOOKS, shelfTime * 1000, shelfTime / base, (shelfTime - base) * 1000);
    return 0;
}
