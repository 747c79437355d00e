// How often the library fails to start on an X server that resets itself
// whenever its last client leaves (see app/startlibrary.h), started the bare
// way (one allegro_init, as the library comes) and the player's way
// (startLibrary), in one run:
//   quorvel-bench-startup [--watch] [LAUNCHES]   (300 of each unless given)
// Each launch runs this program again as a child process that starts the
// library one way, opens the 640 x 480 window of the bare library window and
// says so through a pipe; it is then ended with SIGKILL, as a test harness
// ends a program, and the next launch follows at once, the two ways taking
// turns. This program holds no connection to the display meanwhile, so each
// ended child leaves the server without clients. With --watch it also looks
// at the display every WATCH_EVERY_MS while a child starts, through a
// connection of its own each time, as a script that waits for a window with
// xwininfo or xdotool does: each look that leaves the server alone again is
// another reset for the child to meet. Run it on a server of its own,
// started without -noreset (the README gives the command).
//
// Prints, for each way: the launches that ended before their window was up
// (the failures) and those that showed none within 20 s, and the time from
// launch to the window up (median and slowest).
#include "app/startlibrary.h"

#include <allegro.h>
#include <X11/Xlib.h>

#include <poll.h>
#include <signal.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const char* const CHILD_FLAG = "--child";
const char WINDOW_UP = 'W';
const char FAILED = 'F'; // followed by the name of errno as the failed start left it
const double WINDOW_DEADLINE_S = 20;
const int WATCH_EVERY_MS = 50;
bool watch = false; // --watch

// The child: starts the library the way named, opens the window, writes
// WINDOW_UP on standard output and waits to be ended. Exits 1 when the
// library or the window cannot be started, after FAILED and errno's name
// when it was the library.
int runChild(const std::string& way)
{
    errno = 0;
    const int started = way == "bare" ? allegro_init() : startLibrary();
    if (started != 0) {
        // What the failed connection left: tells a connection the server
        // closed (EAGAIN, ECONNRESET, EPIPE, ENOENT) from one nothing took.
        const int failure = errno;
        const char* name = strerrorname_np(failure);
        std::printf("%c%s", FAILED, name ? name : "0");
        std::fflush(stdout);
        return 1;
    }
    set_color_depth(16);
    if (set_gfx_mode(GFX_AUTODETECT_WINDOWED, 640, 480, 0, 0) != 0) {
        std::fprintf(stderr, "%s: no window: %s\n", way.c_str(), allegro_error);
        return 1;
    }
    set_window_title("Quorvel");
    if (write(STDOUT_FILENO, &WINDOW_UP, 1) != 1)
        return 1;
    for (;;)
        rest(100);
}

// The library's X11 screen shares its pixels with the server through a
// shared-memory segment that stays behind a process ended by SIGKILL: the
// segments child `pid` made are removed.
void removeSegmentsOf(pid_t pid)
{
    shm_info info;
    const int highest = shmctl(0, SHM_INFO, reinterpret_cast<shmid_ds*>(&info));
    for (int index = 0; index <= highest; ++index) {
        shmid_ds segment;
        const int id = shmctl(index, SHM_STAT, &segment);
        if (id >= 0 && segment.shm_cpid == pid)
            shmctl(id, IPC_RMID, nullptr);
    }
}

struct Tally {
    explicit Tally(const char* way) : way(way) {}

    const char* way;
    int launches = 0, failed = 0, noWindow = 0;
    std::vector<double> seconds; // launch to window up, of the launches that got there
    std::vector<int> failedAt;   // launch numbers, from 1
    std::vector<std::string> errnoAt; // errno's name at each failed start of the library
};

// One launch of the child for `tally.way`.
void launch(Tally& tally, const char* self)
{
    ++tally.launches;
    int channel[2];
    if (pipe(channel) != 0) {
        std::perror("pipe");
        std::exit(2);
    }
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("fork");
        std::exit(2);
    }
    if (pid == 0) {
        dup2(channel[1], STDOUT_FILENO);
        close(channel[0]);
        close(channel[1]);
        execl(self, self, CHILD_FLAG, tally.way, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(channel[1]);
    pollfd wait{channel[0], POLLIN, 0};
    char said = 0;
    bool answered = false;
    for (;;) {
        const int ready = poll(&wait, 1, WATCH_EVERY_MS);
        if (ready == 1) {
            answered = read(channel[0], &said, 1) == 1 && said == WINDOW_UP;
            if (said == FAILED) {
                char name[64] = {};
                const ssize_t got = read(channel[0], name, sizeof name - 1);
                tally.errnoAt.push_back(got > 0 ? name : "?");
            }
            break;
        }
        if (std::chrono::duration<double>(Clock::now() - start).count() > WINDOW_DEADLINE_S)
            break;
        // A look that the server drops is simply missed, as a script's is.
        if (watch) {
            if (Display* display = XOpenDisplay(nullptr))
                XCloseDisplay(display);
        }
    }
    const double took = std::chrono::duration<double>(Clock::now() - start).count();
    close(channel[0]);
    int status = 0;
    if (answered) {
        tally.seconds.push_back(took);
    } else if (took < WINDOW_DEADLINE_S) {
        // The pipe closed before the window was up: the child has ended.
        waitpid(pid, &status, 0);
        ++tally.failed;
        tally.failedAt.push_back(tally.launches);
        removeSegmentsOf(pid);
        return;
    } else {
        ++tally.noWindow;
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    removeSegmentsOf(pid);
}

void report(Tally& tally)
{
    std::sort(tally.seconds.begin(), tally.seconds.end());
    std::printf("%-36s %4d launches: %3d failed, %d without a window in %.0f s",
                tally.way == std::string("bare") ? "bare (allegro_init once)"
                                                 : "player's (startLibrary)",
                tally.launches, tally.failed, tally.noWindow, WINDOW_DEADLINE_S);
    if (!tally.seconds.empty())
        std::printf("; window up after %.3f s (median), %.3f s (slowest)",
                    tally.seconds[tally.seconds.size() / 2], tally.seconds.back());
    std::printf("\n");
    if (!tally.failedAt.empty()) {
        std::printf("    failed at launch");
        for (int at : tally.failedAt)
            std::printf(" %d", at);
        std::printf("\n");
    }
    if (!tally.errnoAt.empty()) {
        std::printf("    errno after the failed start");
        for (const std::string& name : tally.errnoAt)
            std::printf(" %s", name.c_str());
        std::printf("\n");
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], CHILD_FLAG) == 0)
        return runChild(argv[2]);
    int launches = 300;
    bool understood = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--watch") == 0)
            watch = true;
        else if ((launches = std::atoi(argv[i])) <= 0)
            understood = false;
    }
    if (!understood) {
        std::fprintf(stderr, "usage: %s [--watch] [LAUNCHES]\n", argv[0]);
        return 2;
    }
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "needs an X display of its own (see the README)\n");
        return 2;
    }
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) {
        std::perror("/proc/self/exe");
        return 2;
    }
    self[length] = '\0';
    Tally bare("bare"), player("player");
    for (int round = 0; round < launches; ++round) {
        launch(bare, self);
        launch(player, self);
    }
    std::printf("%d launches of each way, in turns, %s\n", launches,
                watch ? "with a look at the display every 50 ms while each starts"
                      : "with nothing else connected to the display");
    report(bare);
    report(player);
    return 0;
}
END_OF_MAIN()
