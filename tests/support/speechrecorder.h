// A real speech-dispatcher for the tests, with no sound card: a private
// service on a socket of its own whose one output module is the service's
// generic module, running a shell command that appends each piece it is
// given to a file as "<language>|<text>". The tests read that file to know
// exactly what was said, in which language, in order.
//
// The generic module says a message sentence by sentence, so a message of
// several sentences arrives as several pieces. Each piece takes
// `pieceSeconds` to say (a sleep after it is written): time in which a
// cut-off is seen, as the service stops the piece being said and drops the
// rest. Every call waits with a deadline, never a fixed sleep.
#ifndef QUORVEL_SPEECHRECORDER_H
#define QUORVEL_SPEECHRECORDER_H

#include <functional>
#include <string>
#include <vector>

struct Said {
    std::string language;
    std::string text; // one piece, without the spaces around it
};

class SpeechRecorder {
public:
    // Makes the configuration under `dir` (created when missing); starts
    // nothing yet.
    SpeechRecorder(const std::string& dir, double pieceSeconds = 0);
    ~SpeechRecorder(); // ends the service if it still runs

    SpeechRecorder(const SpeechRecorder&) = delete;
    SpeechRecorder& operator=(const SpeechRecorder&) = delete;

    // Starts the service and waits up to `seconds` for its socket to take
    // connections. False when it does not come up (its log is log()).
    bool start(double seconds = 10);

    // The address a client is given: "unix_socket:<socket>", for
    // SPEECHD_ADDRESS.
    std::string address() const;

    // Everything said so far, in order.
    std::vector<Said> said() const;

    // Waits up to `seconds` for `done` to hold for what has been said.
    bool waitFor(const std::function<bool(const std::vector<Said>&)>& done, double seconds) const;

    // Waits up to `seconds` for a piece whose text is `text` after piece
    // `from` (an index into said()). Its index, or -1.
    int waitForText(const std::string& text, std::size_t from, double seconds) const;

    // Ends the service at once (SIGKILL), as a crash would; its module ends
    // with it.
    void kill();

    // Stops the service (SIGSTOP) so that it answers nothing while it
    // still holds its socket, or lets it go on (SIGCONT).
    void freeze();
    void thaw();

    // The service's own output, for a failing test's message.
    std::string log() const;

private:
    std::string dir_, socket_, saidPath_, logPath_;
    int pid_ = -1;
};

// The texts of `said` from index `from` on, joined by " | ".
std::string describe(const std::vector<Said>& said, std::size_t from = 0);

#endif
