#include "speech/speaker.h"

#include <libspeechd.h>

#include <pthread.h>
#include <signal.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

struct Request {
    enum class Kind { Say, CutOff, Stop } kind;
    Utterance utterance;
};

// What the screens and the thread share. Held by a shared pointer on both
// sides, so that a thread left blocked at the end of the process never
// sees it destroyed.
struct Shared {
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable stopped;
    std::deque<Request> queue;
    SpeakerState state = SpeakerState::NotTried;
    std::string problem;
    bool running = false;  // the thread has not ended
    bool stopping = false; // no request is taken any more
};

std::shared_ptr<Shared> shared;

// Adds `requests` to the queue in order, dropping the oldest past
// MAX_WAITING, under one lock and with one wake-up of the thread: the
// screens' side takes the lock once a call, for a moment.
void post(std::vector<Request> requests)
{
    if (!shared || requests.empty())
        return;
    {
        std::lock_guard<std::mutex> lock(shared->mutex);
        if (shared->stopping)
            return;
        for (Request& request : requests) {
            if (request.kind == Request::Kind::CutOff) {
                // What waits would be cut off as soon as it began.
                shared->queue.clear();
            }
            while (static_cast<int>(shared->queue.size()) >= MAX_WAITING)
                shared->queue.pop_front();
            shared->queue.push_back(std::move(request));
        }
    }
    shared->wake.notify_one();
}

void setState(Shared& s, SpeakerState state, const std::string& problem)
{
    std::lock_guard<std::mutex> lock(s.mutex);
    s.state = state;
    s.problem = problem;
}

// The thread's side: one connection, opened on the first request.
class Connection {
public:
    explicit Connection(Shared& s) : shared_(s) {}
    ~Connection() { close(); }

    // Carries out `request` when connected or when a connection can be
    // made; a request the service fails marks it Lost.
    void carryOut(const Request& request)
    {
        if (!open())
            return;
        int result = 0;
        if (request.kind == Request::Kind::CutOff) {
            result = spd_cancel(connection_);
        } else {
            if (request.utterance.language != language_) {
                result = spd_set_language(connection_, request.utterance.language.c_str());
                language_ = request.utterance.language;
            }
            // Priority "message": the service says a client's messages one
            // after another. Under the default priority "text" a newer text
            // cuts off the one being said, so that a page's title, text and
            // choices would lose all but the last.
            if (result == 0)
                result = spd_say(connection_, SPD_MESSAGE, request.utterance.text.c_str());
        }
        if (result < 0) {
            close();
            setState(shared_, SpeakerState::Lost, "the speech service stopped answering");
        }
    }

    void close()
    {
        if (connection_)
            spd_close(connection_);
        connection_ = nullptr;
        language_.clear();
    }

private:
    // Connects when the state allows it: true when connected.
    bool open()
    {
        if (connection_)
            return true;
        {
            std::lock_guard<std::mutex> lock(shared_.mutex);
            if (shared_.state != SpeakerState::NotTried)
                return false;
        }
        char* error = nullptr;
        SPDConnectionAddress* address = spd_get_default_address(&error);
        if (!address) {
            fail(error);
            return false;
        }
        const bool addressGiven = std::getenv("SPEECHD_ADDRESS") != nullptr;
        connection_ = spd_open2("quorvel", "reading", nullptr, SPD_MODE_SINGLE, address,
                                addressGiven ? 0 : 1, &error);
        SPDConnectionAddress__free(address);
        if (!connection_) {
            fail(error);
            return false;
        }
        setState(shared_, SpeakerState::Connected, "");
        return true;
    }

    void fail(char* error)
    {
        std::string problem = error && *error ? error : "no speech service answered";
        while (!problem.empty() && (problem.back() == '\n' || problem.back() == ' '))
            problem.pop_back();
        std::free(error);
        setState(shared_, SpeakerState::Missing, problem);
    }

    Shared& shared_;
    SPDConnection* connection_ = nullptr;
    std::string language_;
};

void run(std::shared_ptr<Shared> s)
{
    // A service that goes away closes its socket: a write to it then fails
    // with EPIPE instead of ending the player.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);

    Connection connection(*s);
    while (true) {
        Request request;
        {
            std::unique_lock<std::mutex> lock(s->mutex);
            s->wake.wait(lock, [&] { return !s->queue.empty(); });
            request = std::move(s->queue.front());
            s->queue.pop_front();
        }
        if (request.kind == Request::Kind::Stop)
            break;
        connection.carryOut(request);
    }
    connection.close();
    std::lock_guard<std::mutex> lock(s->mutex);
    s->running = false;
    s->stopped.notify_all();
}

} // namespace

void startSpeaker()
{
    if (shared)
        return;
    shared = std::make_shared<Shared>();
    shared->running = true;
    std::thread(run, shared).detach();
}

void speakerSay(const std::vector<Utterance>& utterances, bool cutOff)
{
    std::vector<Request> requests;
    requests.reserve(utterances.size() + 1);
    if (cutOff)
        requests.push_back({Request::Kind::CutOff, {}});
    for (const Utterance& utterance : utterances)
        requests.push_back({Request::Kind::Say, utterance});
    post(std::move(requests));
}

void speakerCutOff()
{
    post({{Request::Kind::CutOff, {}}});
}

SpeakerState speakerState()
{
    if (!shared)
        return SpeakerState::NotTried;
    std::lock_guard<std::mutex> lock(shared->mutex);
    return shared->state;
}

std::string speakerProblem()
{
    if (!shared)
        return "";
    std::lock_guard<std::mutex> lock(shared->mutex);
    return shared->problem;
}

void speakerRetry()
{
    if (!shared)
        return;
    std::lock_guard<std::mutex> lock(shared->mutex);
    if (shared->state == SpeakerState::Missing || shared->state == SpeakerState::Lost) {
        shared->state = SpeakerState::NotTried;
        shared->problem.clear();
    }
}

void stopSpeaker(int waitMs)
{
    if (!shared)
        return;
    {
        std::lock_guard<std::mutex> lock(shared->mutex);
        shared->queue.clear();
        shared->queue.push_back({Request::Kind::Stop, {}});
        shared->stopping = true;
    }
    shared->wake.notify_one();
    std::unique_lock<std::mutex> lock(shared->mutex);
    shared->stopped.wait_for(lock, std::chrono::milliseconds(waitMs), [] { return !shared->running; });
    lock.unlock();
    shared.reset();
}
