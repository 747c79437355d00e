// Connecting to an X server that resets when its last client leaves: a
// connection still in its set-up at that moment is dropped, and the
// player's start-up and the harness's connection try again. The moment is
// made on a real server of the test's own: the server is stopped while its
// last client leaves and resumed once the connection under test waits for
// the answer to its set-up, so that the server meets both at once. It then
// drops the connection nearly every time (29 times in 30 here), so each case
// makes that moment a few times.
#include "app/startlibrary.h"
#include "testenv.h"
#include "virtualdisplay.h"

#include <gtest/gtest.h>

// After GoogleTest, whose names Xlib's macros (None, Bool) would take.
#include <allegro.h>
#include <X11/Xlib.h>

#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <ostream>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// A child process connected to the display until it is told to leave.
class OtherClient {
public:
    OtherClient()
    {
        if (pipe(said_) != 0 || pipe(told_) != 0)
            return;
        pid_ = fork();
        if (pid_ != 0)
            return;
        Display* display = nullptr;
        const bool connected =
            connectToDisplay([&] { return (display = XOpenDisplay(nullptr)) != nullptr; });
        const char word = connected ? 'c' : 'x';
        char go = 0;
        const bool told = write(said_[1], &word, 1) == 1 && read(told_[0], &go, 1) == 1;
        _exit(told ? 0 : 1); // the connection closes with the process, as when a program ends
    }

    ~OtherClient()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        for (int fd : {said_[0], said_[1], told_[0], told_[1]})
            if (fd >= 0)
                close(fd);
    }

    OtherClient(const OtherClient&) = delete;
    OtherClient& operator=(const OtherClient&) = delete;

    // Waits for the child to say whether it connected.
    bool connected()
    {
        char word = 0;
        return pid_ > 0 && read(said_[0], &word, 1) == 1 && word == 'c';
    }

    // Tells the child to end, and waits until it has.
    void leave()
    {
        const char go = 'g';
        if (write(told_[1], &go, 1) == 1)
            waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    int said_[2] = {-1, -1}, told_[2] = {-1, -1};
    pid_t pid_ = -1;
};

// True while thread `tid` of this process sleeps in poll(), as Xlib does
// while it waits for the server's answer to a connection's set-up.
bool sleepsInPoll(pid_t tid)
{
    std::ifstream wchan("/proc/self/task/" + std::to_string(tid) + "/wchan");
    std::string where;
    wchan >> where;
    return where.find("poll") != std::string::npos;
}

// Runs `connect` on this thread just as the server's last client leaves:
// the server is stopped, the client ends, and the server is resumed once
// `connect` waits for the answer to its set-up (or after 5 s). Returns what
// `connect` returned.
bool connectAsLastClientLeaves(const VirtualDisplay& server, const std::function<bool()>& connect)
{
    OtherClient last;
    if (!last.connected()) {
        ADD_FAILURE() << "no other client could connect to " << server.name();
        return false;
    }
    kill(server.pid(), SIGSTOP);
    last.leave();
    const pid_t self = static_cast<pid_t>(syscall(SYS_gettid));
    std::atomic<bool> returned{false};
    std::thread resume([&] {
        const auto start = Clock::now();
        while (!returned && !sleepsInPoll(self) && Clock::now() - start < std::chrono::seconds(5))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        kill(server.pid(), SIGCONT);
    });
    const bool connected = connect();
    returned = true;
    resume.join();
    return connected;
}

struct ConnectCase {
    const char* name;
    std::function<bool()> connect; // and disconnects again when it succeeded
    bool connects;                 // every time; else, not every time
};

// Rounds a start that tries again must connect in, every one.
const int ROUNDS = 3;
// Rounds given to the library's own start to be dropped once. Which of the
// two the resumed server reads first, the leaving client's end or the new
// client's set-up, is the server's choice: the moment is met in most
// rounds, not in each.
const int MOST_ROUNDS_TO_DROP = 20;

void PrintTo(const ConnectCase& c, std::ostream* out)
{
    *out << c.name;
}

bool startAndEndLibrary(int (*start)())
{
    const bool started = start() == 0;
    allegro_exit(); // while its server still runs
    return started;
}

int bareStart()
{
    return allegro_init();
}

const ConnectCase connectCases[] = {
    // The fault itself: the library's own start, tried once, is dropped.
    {"BareLibraryStartIsDropped", [] { return startAndEndLibrary(bareStart); }, false},
    {"PlayerStartTriesAgain", [] { return startAndEndLibrary(startLibrary); }, true},
    {"HarnessConnectionTriesAgain",
     [] {
         Display* display = nullptr;
         if (!connectToDisplay([&] { return (display = XOpenDisplay(nullptr)) != nullptr; }))
             return false;
         XCloseDisplay(display);
         return true;
     },
     true},
};

class ResettingServer : public ::testing::TestWithParam<ConnectCase> {};

TEST_P(ResettingServer, AsItsLastClientLeaves)
{
    silenceMessageBoxes();
    const VirtualDisplay server(640, 480, ServerReset::WhenLastClientLeaves);
    ASSERT_TRUE(server.ready()) << "Xvfb did not start";
    const ConnectCase& c = GetParam();
    if (c.connects) {
        int connected = 0;
        for (int round = 0; round < ROUNDS; ++round)
            connected += connectAsLastClientLeaves(server, c.connect);
        EXPECT_EQ(connected, ROUNDS);
    } else {
        bool dropped = false;
        for (int round = 0; round < MOST_ROUNDS_TO_DROP && !dropped; ++round)
            dropped = !connectAsLastClientLeaves(server, c.connect);
        EXPECT_TRUE(dropped) << "the server took every connection: the moment was missed";
    }
}

INSTANTIATE_TEST_SUITE_P(Connect, ResettingServer, ::testing::ValuesIn(connectCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
