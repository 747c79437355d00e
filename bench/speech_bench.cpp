// The page screen's dialog loop while it reads aloud: does a speech service
// that is slow, gone or killed hold up a pass?
//
// The real page screen (gamePage) runs in a real window on a book of two
// pages that lead to each other, with keys fed through the keyboard buffer
// as the tests feed them: focus moves (each says a button) and page changes
// (each says a whole page: its title, a long text and three choices). The
// same script runs under each condition, in rounds that take the
// conditions in turn, all in this one run:
//   off       reading aloud off
//   answering on, a real speech-dispatcher that says each piece at once
//   slow      on, that service stopped (SIGSTOP) once connected: it takes
//             the player's requests and never answers
//   gone      on, no service at the address given
//   killed    on, the service killed (SIGKILL) halfway through the script
// A pass is timed from one look of the dialog manager at the mouse to the
// next (the GUI reads the mouse once or more a pass), so a figure is a
// pass's work and its rest (PASS_REST_MS). The longest pass under each
// condition is set beside the longest with reading aloud off, and so is the
// median over the rounds of each round's longest, which a moment's load of
// the machine in one round does not move.
//
// Needs an X display and speech-dispatcher (the private service of the
// tests, tests/support/speechrecorder.h). Prints the figures; no target is
// checked here.
#include "gamepage.h"
#include "init.h"
#include "screen/dialogpass.h"
#include "scriptedinput.h"
#include "speech/readaloud.h"
#include "speech/speaker.h"
#include "speechrecorder.h"
#include "testenv.h"
#include "text/buffers.h"

#include <allegro.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

const int ROUNDS = 5;
const int PAGE_CHANGES = 20;   // per script
const int FOCUS_MOVES = 3;     // on each page, before its change
const int READS_BETWEEN = 4;   // mouse reads (passes or more) between two keys
const int SPEECH_CALLS = 500;  // a page change's and a focus move's calls, timed alone

// The book: two pages, each with a long text and three choices leading to
// the other.
std::string bookFile()
{
    std::string text;
    for (int i = 1; i <= 20; ++i)
        text += "This is sentence " + std::to_string(i) + " of a page read aloud. ";
    std::string pages = "default_bg:bg.png;\n";
    for (int page = 1; page <= 2; ++page) {
        const std::string other = std::to_string(3 - page);
        pages += "page_start:;\nroom_name:Page " + std::to_string(page) + ";\ntext_main:" + text
                 + ";\nbut1_text:North;\nbut1_goto:" + other + ";\nbut2_text:East;\nbut2_goto:"
                 + other + ";\nbut3_text:West;\nbut3_goto:" + other + ";\npage_end:;\n";
    }
    return pages;
}

// The times the GUI looked at the mouse, on the main thread.
std::vector<Clock::time_point> looks;
int (*scriptedMouseX)() = nullptr;

int timedMouseX()
{
    looks.push_back(Clock::now());
    return scriptedMouseX();
}

double ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// Plays the script on the page screen, timing the passes; `halfway` runs
// once half the page changes are done. The gaps between looks, in ms.
std::vector<double> readThrough(const std::function<void()>& halfway)
{
    std::vector<MouseStep> script = {idle(READS_BETWEEN * 4)};
    for (int change = 0; change < PAGE_CHANGES; ++change) {
        for (int move = 0; move < FOCUS_MOVES; ++move) {
            script.push_back(then([] { pressKey(KEY_LEFT, 0); }));
            script.push_back(idle(READS_BETWEEN));
        }
        script.push_back(then([] { pressKey(KEY_1, '1'); }));
        script.push_back(idle(READS_BETWEEN));
        if (change == PAGE_CHANGES / 2 && halfway)
            script.push_back(then(halfway));
    }
    script.push_back(then([] { pressKey(KEY_ESC, 27); }));
    playMouse(script);
    scriptedMouseX = gui_mouse_x;
    gui_mouse_x = timedMouseX;
    looks.clear();
    const int result = gamePage();
    gui_mouse_x = scriptedMouseX;
    if (result != 0 || !scriptFinished()) {
        std::fprintf(stderr, "the book was not read as scripted\n");
        std::exit(1);
    }
    std::vector<double> gaps;
    for (std::size_t i = 1; i < looks.size(); ++i)
        gaps.push_back(ms(looks[i] - looks[i - 1]));
    return gaps;
}

// What the screens ask of reading aloud for a page change and a focus
// move, timed alone, `times` times: each time, in ms. Microseconds when
// nothing waits; a pass's figure above holds this and everything else.
std::vector<double> timeSpeechCalls(int times)
{
    const std::vector<std::string> page = {"Page 1", bookFile(), "1: West", "2: East", "3: North",
                                           "Menu"};
    std::vector<double> durations;
    for (int i = 0; i < times; ++i) {
        const Clock::time_point start = Clock::now();
        silence();
        sayScreen(page);
        sayFocus("2: East");
        durations.push_back(ms(Clock::now() - start));
    }
    return durations;
}

// Waits up to `seconds` for `done`.
bool waitFor(const std::function<bool()>& done, double seconds)
{
    const Clock::time_point start = Clock::now();
    while (!done()) {
        if (ms(Clock::now() - start) > seconds * 1000)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

struct Condition {
    const char* name;
    // Sets the service up and starts reading aloud; gives what to do
    // halfway.
    std::function<std::function<void()>()> begin;
    std::function<void()> end;
};

double percentile(std::vector<double> values, double share)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(share * values.size()))];
}

} // namespace

int main()
{
    const std::string root = enterScratchDir("speech-bench");
    if (!startLibraryInWindow()) {
        std::fprintf(stderr, "no window: is an X display set?\n");
        return 1;
    }
    if (!writePicture("books/bench/pico/bg.png", 640, 480, 200, 180, 120))
        return 1;
    writeFile("books/bench/pages.dat", bookFile());
    copyCut(book, sizeof book, "books/bench");

    std::unique_ptr<SpeechRecorder> service;
    std::thread killer;
    int serviceNumber = 0;
    // A fresh service, answering, with reading aloud on and connected to it.
    const auto connectToNewService = [&]() {
        service = std::make_unique<SpeechRecorder>(root + "/speechd" + std::to_string(++serviceNumber));
        if (!service->start()) {
            std::fprintf(stderr, "speech-dispatcher did not start:\n%s\n", service->log().c_str());
            std::exit(1);
        }
        setenv("SPEECHD_ADDRESS", service->address().c_str(), 1);
        startReadingAloud(true);
        sayScreen({"connecting"});
        if (!waitFor([] { return speakerState() == SpeakerState::Connected; }, 10)) {
            std::fprintf(stderr, "the player did not connect to the service\n");
            std::exit(1);
        }
    };
    const auto stop = [&]() {
        endReadingAloud();
        if (service)
            service->kill();
        service.reset();
    };
    const std::vector<Condition> conditions = {
        {"off", [] { startReadingAloud(false); return std::function<void()>(); }, stop},
        {"answering", [&] { connectToNewService(); return std::function<void()>(); }, stop},
        {"slow",
         [&] {
             connectToNewService();
             service->freeze();
             return std::function<void()>();
         },
         stop},
        {"gone",
         [&] {
             setenv("SPEECHD_ADDRESS", ("unix_socket:" + root + "/nothing.sock").c_str(), 1);
             startReadingAloud(true);
             return std::function<void()>();
         },
         stop},
        {"killed",
         [&] {
             connectToNewService();
             // From a thread of its own, so that waiting for the service's
             // end is not counted in the pass that asks for it.
             return std::function<void()>([&] { killer = std::thread([&] { service->kill(); }); });
         },
         [&] {
             if (killer.joinable())
                 killer.join();
             stop();
         }},
    };

    // Per condition: every gap, and the longest of each round.
    std::map<std::string, std::vector<double>> gaps, roundLongest, calls;
    for (int round = 0; round < ROUNDS; ++round)
        for (const Condition& condition : conditions) {
            const std::function<void()> halfway = condition.begin();
            const std::vector<double> passGaps = readThrough(halfway);
            const std::vector<double> callTimes = timeSpeechCalls(SPEECH_CALLS);
            calls[condition.name].insert(calls[condition.name].end(), callTimes.begin(), callTimes.end());
            condition.end();
            gaps[condition.name].insert(gaps[condition.name].end(), passGaps.begin(), passGaps.end());
            roundLongest[condition.name].push_back(*std::max_element(passGaps.begin(), passGaps.end()));
        }

    std::printf("The page screen's passes while reading aloud: %d rounds, each of %d page changes"
                " and %d focus moves under each condition in turn (pass rest %d ms)\n\n",
                ROUNDS, PAGE_CHANGES, PAGE_CHANGES * FOCUS_MOVES, PASS_REST_MS);
    std::printf("%-10s %8s %10s %12s %12s %16s %14s %12s %12s\n", "speech", "looks", "p99.9 ms",
                "longest ms", "- off's ms", "median round ms", "- off's ms", "calls p99 ms",
                "calls max ms");
    const auto longestOf = [](const std::vector<double>& values) {
        return *std::max_element(values.begin(), values.end());
    };
    const double offLongest = longestOf(gaps["off"]);
    const double offRound = percentile(roundLongest["off"], 0.5);
    for (const Condition& condition : conditions) {
        const std::vector<double>& g = gaps[condition.name];
        const double round = percentile(roundLongest[condition.name], 0.5);
        std::printf("%-10s %8zu %10.2f %12.2f %+12.2f %16.2f %+14.2f %12.3f %12.3f\n",
                    condition.name, g.size(), percentile(g, 0.999), longestOf(g),
                    longestOf(g) - offLongest, round, round - offRound,
                    percentile(calls[condition.name], 0.99), longestOf(calls[condition.name]));
    }
    std::printf("\nlooks: the dialog manager's looks at the mouse, one or more a pass; longest: the"
                " longest gap between two looks (a pass's work and its rest); median round: the"
                " median over the rounds of each round's longest gap; calls: the time the calls of a"
                " page change and a focus move took, timed alone (%d times a round), which is what"
                " reading aloud adds to a pass\n",
                SPEECH_CALLS);
    return 0;
}
