#include "scriptedinput.h"

#include <allegro.h>
#include <allegro/internal/aintern.h> // _gui_ctext_proc: the text element alerts are built of
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>
#include <utility>

namespace {

std::vector<MouseStep> script;
std::size_t current = 0;
int readsLeft = 0;
bool started = false;
long idleReads = 0;
int lastX = 0, lastY = 0;
// The wheel's place, kept from one script to the next as a real wheel's is.
std::atomic<int> wheelPlace{0};
std::atomic<int> lastButtons{0};
// The dialog manager also samples the button from its double-click timer,
// on the library's timer thread; only the thread that plays the script
// advances it, the others see the state it last gave.
std::thread::id scriptThread;

// Reads of the button state without progress in the script before the
// screen under test counts as stuck (the loops rest a few ms a pass).
const long STUCK_AFTER = 4000;

// Moves to the next step that may start, running its action; false while
// the current step waits for its condition or the script is over.
bool stepReady()
{
    while (current < script.size()) {
        MouseStep& step = script[current];
        if (!started) {
            if (step.waitFor && !step.waitFor())
                return false;
            started = true;
            readsLeft = step.reads;
            wheelPlace += step.wheel;
            if (step.target) {
                step.x = step.target->x + step.target->w / 2;
                step.y = step.target->y + step.target->h / 2;
            }
            if (step.action)
                step.action();
        }
        if (readsLeft > 0)
            return true;
        if (step.holdWhile && step.holdWhile()) {
            readsLeft = 1;
            return true;
        }
        ++current;
        started = false;
    }
    return false;
}

int readButtons();

int scriptedX()
{
    return lastX;
}

int scriptedY()
{
    return lastY;
}

int scriptedZ()
{
    return wheelPlace;
}

int scriptedButtons()
{
    if (std::this_thread::get_id() != scriptThread)
        return lastButtons;
    lastButtons = readButtons();
    return lastButtons;
}

int readButtons()
{
    if (stepReady()) {
        const MouseStep& step = script[current];
        if (step.x >= 0)
            lastX = step.x;
        if (step.y >= 0)
            lastY = step.y;
        --readsLeft;
        idleReads = 0;
        return step.buttons;
    }
    // The script is over, or its next step waits for a condition that does
    // not come: either way the screen is stuck. Esc, pressed again while it
    // stays stuck, closes alerts and screens until the test can go on.
    if (++idleReads % STUCK_AFTER == 0) {
        if (idleReads == STUCK_AFTER) {
            if (current < script.size())
                ADD_FAILURE() << "step " << current << " of the input script waited in vain";
            else
                ADD_FAILURE() << "the screen under test did not finish after its input script";
        }
        pressKey(KEY_ESC, 27);
    }
    return 0;
}

} // namespace

// The library takes a press within about 240 ms of the last release in the
// same dialog for the second half of a double click, not for a click of its
// own; a reader's hand is never that quick between two choices, a script is.
// A script drives one run of a screen, whose new dialog has no click behind
// it: its first click need not wait.
namespace {
using Clock = std::chrono::steady_clock;
Clock::time_point lastRelease;
} // namespace

void playMouse(std::vector<MouseStep> steps)
{
    lastRelease = Clock::time_point();
    script = std::move(steps);
    current = 0;
    started = false;
    idleReads = 0;
    lastButtons = 0;
    scriptThread = std::this_thread::get_id();
    gui_mouse_x = scriptedX;
    gui_mouse_y = scriptedY;
    gui_mouse_z = scriptedZ;
    gui_mouse_b = scriptedButtons;
}


std::vector<MouseStep> clickAt(int x, int y)
{
    MouseStep move, press, release;
    move.x = press.x = release.x = x;
    move.y = press.y = release.y = y;
    move.reads = 3;
    move.waitFor = [] { return Clock::now() - lastRelease >= PAST_DOUBLE_CLICK_TIME; };
    release.action = [] { lastRelease = Clock::now(); };
    press.buttons = 1;
    press.reads = 5;
    release.reads = 3;
    return {move, press, release};
}

std::vector<MouseStep> clickOn(const DIALOG* element)
{
    std::vector<MouseStep> steps = clickAt(0, 0);
    for (MouseStep& step : steps)
        step.target = element;
    return steps;
}

std::vector<MouseStep> slowClickOn(const DIALOG* element, std::chrono::milliseconds held)
{
    std::vector<MouseStep> steps = clickOn(element);
    MouseStep& press = steps[1];
    auto pressed = std::make_shared<Clock::time_point>();
    press.action = [pressed] { *pressed = Clock::now(); };
    press.holdWhile = [pressed, held] { return Clock::now() - *pressed < held; };
    return steps;
}

MouseStep when(std::function<bool()> condition, std::function<void()> action)
{
    MouseStep step;
    step.x = step.y = -1; // the mouse stays where it is
    step.waitFor = std::move(condition);
    step.action = std::move(action);
    return step;
}

MouseStep whenWithin(double seconds, std::function<bool()> condition,
                     std::function<void()> action)
{
    // The clock starts at the step's first look at its condition.
    auto reached = std::make_shared<Clock::time_point>();
    auto waiting = [=] {
        if (*reached == Clock::time_point())
            *reached = Clock::now();
        return condition()
               || Clock::now() - *reached >= std::chrono::duration<double>(seconds);
    };
    return when(std::move(waiting), std::move(action));
}

MouseStep then(std::function<void()> action)
{
    return when(nullptr, std::move(action));
}

MouseStep idle(int reads)
{
    MouseStep step;
    step.x = step.y = -1;
    step.reads = reads;
    return step;
}

void pressKey(int scancode, int ascii)
{
    simulate_keypress((scancode << 8) | ascii);
}

void append(std::vector<MouseStep>& to, const std::vector<MouseStep>& more)
{
    to.insert(to.end(), more.begin(), more.end());
}

bool scriptFinished()
{
    return current >= script.size();
}

bool alertShowing(const char* line)
{
    if (!active_dialog)
        return false;
    for (const DIALOG* d = active_dialog; d->proc; ++d) {
        const bool isText =
            d->proc == _gui_ctext_proc || d->proc == d_ctext_proc || d->proc == d_text_proc;
        if (isText && d->dp && std::strcmp(static_cast<const char*>(d->dp), line) == 0)
            return true;
    }
    return false;
}
