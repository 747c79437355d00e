#include "virtualdisplay.h"

#include <X11/Xlib.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

namespace {

// Display numbers tried: a range of this process's own, well clear of the
// ones xvfb-run -a starts from (99), so that parallel tests seldom meet.
const int FIRST_NUMBER = 200, NUMBERS = 600, ATTEMPTS = 40;

bool exists(const std::string& path)
{
    return access(path.c_str(), F_OK) == 0;
}

// X servers take a number by its lock file, and listen on its socket.
bool numberTaken(int number)
{
    return exists("/tmp/.X" + std::to_string(number) + "-lock")
           || exists("/tmp/.X11-unix/X" + std::to_string(number));
}

// The process that holds display `number`, from its lock file; -1 when none.
pid_t lockHolder(int number)
{
    std::ifstream lock("/tmp/.X" + std::to_string(number) + "-lock");
    long pid = -1;
    lock >> pid;
    return lock ? static_cast<pid_t>(pid) : -1;
}

pid_t startServer(int number, int width, int height, ServerReset reset)
{
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    // The server goes with the test, however the test ends.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    const int quiet = open("/dev/null", O_WRONLY);
    if (quiet >= 0) {
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
    }
    const std::string name = ":" + std::to_string(number);
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    // Tests may have emptied PATH (to keep message boxes quiet): Debian's
    // place for the server is tried after it. Without -noreset the server
    // starts afresh whenever its last client leaves, and drops a connection
    // that is still in its set-up then (app/startlibrary.h).
    const char* const noReset = reset == ServerReset::Never ? "-noreset" : nullptr;
    for (const char* program : {"Xvfb", "/usr/bin/Xvfb"})
        execlp(program, "Xvfb", name.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
               noReset, static_cast<char*>(nullptr)); // a null noReset ends the list
    _exit(127);
}

// Waits up to 10 s for the server `pid` to take connections on display
// `number`. False when it ended first (the number was taken) or never did.
bool serverReady(pid_t pid, int number)
{
    const std::string name = ":" + std::to_string(number);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return false;
        // The lock file names the server that holds the number: another
        // one may answer on it while ours is still starting.
        if (lockHolder(number) == pid) {
            if (Display* display = XOpenDisplay(name.c_str())) {
                XCloseDisplay(display);
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

} // namespace

VirtualDisplay::VirtualDisplay(int width, int height, ServerReset reset)
{
    const int base = FIRST_NUMBER + static_cast<int>(getpid() % NUMBERS);
    for (int attempt = 0; attempt < ATTEMPTS && name_.empty(); ++attempt) {
        const int number = base + attempt;
        if (numberTaken(number))
            continue;
        const pid_t pid = startServer(number, width, height, reset);
        if (pid < 0)
            return;
        if (!serverReady(pid, number)) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
            continue;
        }
        pid_ = pid;
        name_ = ":" + std::to_string(number);
    }
    if (name_.empty())
        return;
    if (const char* display = std::getenv("DISPLAY")) {
        hadDisplay_ = true;
        previousDisplay_ = display;
    }
    setenv("DISPLAY", name_.c_str(), 1);
}

VirtualDisplay::~VirtualDisplay()
{
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    if (name_.empty())
        return;
    if (hadDisplay_)
        setenv("DISPLAY", previousDisplay_.c_str(), 1);
    else
        unsetenv("DISPLAY");
}

std::string displayWithNoServer()
{
    // Above the numbers servers of the tests take.
    for (int number = FIRST_NUMBER + NUMBERS + ATTEMPTS;; ++number)
        if (!numberTaken(number))
            return ":" + std::to_string(number);
}
