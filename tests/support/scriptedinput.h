// Drives the library's dialog manager in-process: the GUI reads the mouse
// through replaceable hooks, and this feeds them from a script.
#ifndef QUORVEL_SCRIPTEDINPUT_H
#define QUORVEL_SCRIPTEDINPUT_H

#include <chrono>
#include <functional>
#include <vector>

struct MouseStep {
    int x = 0, y = 0;                // -1: where the mouse already is
    int buttons = 0;                 // the button state the GUI reads
    int reads = 1;                   // for how many reads of the button state
    std::function<bool()> holdWhile; // after those reads, the step goes on while
                                     // this holds (null: it does not)
    int wheel = 0;                   // notches the wheel turns as the step starts
                                     // (positive: away from the reader)
    std::function<bool()> waitFor;   // the step starts once this holds (null: at once)
    std::function<void()> action;    // run once when the step starts (null: nothing)
    const struct DIALOG* target = nullptr; // when set: aim at its centre as placed at the start
};

// Installs `steps` as the mouse the GUI sees. When the GUI keeps reading
// for a long while without the script going on (it has run out, or a step
// waits for a condition that never comes), the screen under test is stuck:
// the script records a test failure and presses Esc, again and again, which
// closes any dialog, so that the test ends instead of hanging.
void playMouse(std::vector<MouseStep> steps);

// Longer than the library's double-click time (about 240 ms): a press this
// long after the last release is a click of its own, not the second half of
// a double click.
const std::chrono::milliseconds PAST_DOUBLE_CLICK_TIME{400};

// Steps that press and release the left button at (x, y), once
// PAST_DOUBLE_CLICK_TIME has passed since the last scripted release.
std::vector<MouseStep> clickAt(int x, int y);

// Steps that press and release the left button on the centre of `element`,
// wherever that element has placed itself by then.
std::vector<MouseStep> clickOn(const struct DIALOG* element);

// clickOn, with the button held down for `held` before it is let go, as a
// slow hand holds it. The library's wait for a double click runs from the
// press: a hold of PAST_DOUBLE_CLICK_TIME ends that wait before the release.
std::vector<MouseStep> slowClickOn(const struct DIALOG* element, std::chrono::milliseconds held);

// A step that waits for `condition`, then runs `action`, leaving the mouse
// where it is.
MouseStep when(std::function<bool()> condition, std::function<void()> action);

// A step that waits for `condition` for at most `seconds` (from when the
// step is reached), then runs `action` (which tells which way it went by
// asking again), leaving the mouse where it is.
MouseStep whenWithin(double seconds, std::function<bool()> condition,
                     std::function<void()> action);

// A step that runs `action` at once.
MouseStep then(std::function<void()> action);

// Steps that leave the mouse untouched for `reads` reads: time for the
// screen to draw itself.
MouseStep idle(int reads);

// Queues a key press for the dialog manager (scancode and character).
void pressKey(int scancode, int ascii);

// True while the active dialog is an alert showing `line` as one of its texts.
bool alertShowing(const char* line);

// Appends steps to a script.
void append(std::vector<MouseStep>& script, const std::vector<MouseStep>& more);

// True once the whole script has been played.
bool scriptFinished();

#endif
