#include "speechrecorder.h"

#include "testenv.h"

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

bool timeLeft(Clock::time_point start, double seconds)
{
    return std::chrono::duration<double>(Clock::now() - start).count() < seconds;
}

void pause(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// Whether a client can connect to the unix socket at `path` now.
bool takesConnections(const std::string& path)
{
    const int s = socket(AF_UNIX, SOCK_STREAM, 0);
    if (s < 0)
        return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const bool connected = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(s);
    return connected;
}

std::string trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

SpeechRecorder::SpeechRecorder(const std::string& dir, double pieceSeconds)
    : dir_(dir), socket_(dir + "/speechd.sock"), saidPath_(dir + "/said.txt"),
      logPath_(dir + "/speechd.log")
{
    std::filesystem::create_directories(dir_ + "/conf/modules");
    // Without an audio method that needs no sound card the service will not
    // start on a machine without one; the generic module's command plays
    // nothing anyway.
    writeFile(dir_ + "/conf/speechd.conf", "AddModule \"recorder\" \"sd_generic\" \"recorder.conf\"\n"
                                           "DefaultModule recorder\n"
                                           "AudioOutputMethod \"libao\"\n");
    char sleep[64] = "";
    if (pieceSeconds > 0)
        std::snprintf(sleep, sizeof sleep, "; sleep %.3f", pieceSeconds);
    // Without the "utf-8" of each language the module would hand the command
    // Latin-1, and Cyrillic would arrive as question marks.
    writeFile(dir_ + "/conf/modules/recorder.conf",
              "GenericExecuteSynth \"printf '%s|%s\\\\n' \\'$LANGUAGE\\' \\'$DATA\\' >> " + saidPath_
                  + sleep + "\"\n"
                            "GenericCmdDependency \"printf\"\n"
                            "AddVoice \"en\" \"MALE1\" \"en\"\n"
                            "AddVoice \"ru\" \"MALE1\" \"ru\"\n"
                            "GenericLanguage \"en\" \"en\" \"utf-8\"\n"
                            "GenericLanguage \"ru\" \"ru\" \"utf-8\"\n");
    writeFile(saidPath_, "");
}

SpeechRecorder::~SpeechRecorder()
{
    kill();
}

bool SpeechRecorder::start(double seconds)
{
    const std::string conf = dir_ + "/conf";
    const std::string pidFile = dir_ + "/speechd.pid";
    const pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        // A group of its own, so that its module and the module's commands
        // end with it.
        setpgid(0, 0);
        std::FILE* log = std::freopen(logPath_.c_str(), "w", stdout);
        if (log)
            dup2(fileno(stdout), STDERR_FILENO);
        setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
        setenv("HOME", dir_.c_str(), 1);
        // The system's own, whatever PATH the tests left (they hide
        // xmessage); the module's command needs `sleep`.
        setenv("PATH", "/usr/bin:/bin", 1);
        execlp("speech-dispatcher", "speech-dispatcher", "-s", "-t", "600", "-C", conf.c_str(), "-P",
               pidFile.c_str(), "-S", socket_.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    setpgid(pid, pid);
    pid_ = pid;
    const Clock::time_point started = Clock::now();
    while (timeLeft(started, seconds)) {
        if (takesConnections(socket_))
            return true;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
        pause(20);
    }
    return false;
}

std::string SpeechRecorder::address() const
{
    return "unix_socket:" + socket_;
}

std::vector<Said> SpeechRecorder::said() const
{
    std::vector<Said> pieces;
    std::istringstream lines(readFile(saidPath_));
    for (std::string line; std::getline(lines, line);) {
        const std::size_t bar = line.find('|');
        if (bar == std::string::npos)
            continue;
        const std::string text = trimmed(line.substr(bar + 1));
        if (!text.empty())
            pieces.push_back({line.substr(0, bar), text});
    }
    return pieces;
}

bool SpeechRecorder::waitFor(const std::function<bool(const std::vector<Said>&)>& done,
                             double seconds) const
{
    const Clock::time_point started = Clock::now();
    do {
        if (done(said()))
            return true;
        pause(20);
    } while (timeLeft(started, seconds));
    return done(said());
}

int SpeechRecorder::waitForText(const std::string& text, std::size_t from, double seconds) const
{
    int found = -1;
    waitFor(
        [&](const std::vector<Said>& pieces) {
            for (std::size_t i = from; i < pieces.size(); ++i)
                if (pieces[i].text == text) {
                    found = static_cast<int>(i);
                    return true;
                }
            return false;
        },
        seconds);
    return found;
}

void SpeechRecorder::kill()
{
    if (pid_ < 0)
        return;
    ::kill(-pid_, SIGCONT);
    ::kill(-pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

void SpeechRecorder::freeze()
{
    if (pid_ >= 0)
        ::kill(-pid_, SIGSTOP);
}

void SpeechRecorder::thaw()
{
    if (pid_ >= 0)
        ::kill(-pid_, SIGCONT);
}

std::string SpeechRecorder::log() const
{
    return readFile(logPath_);
}

std::string describe(const std::vector<Said>& said, std::size_t from)
{
    std::string text;
    for (std::size_t i = from; i < said.size(); ++i)
        text += (i > from ? " | " : "") + said[i].language + ":" + said[i].text;
    return text;
}
