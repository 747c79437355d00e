// Virtual pad: nine logical buttons fed by keys and joystick inputs.
#ifndef QUORVEL_JOYPAD_H
#define QUORVEL_JOYPAD_H

#include <allegro.h>

// One joystick input: a button, or one direction of one axis of a stick.
// All four fields -1 is the empty value. Nothing here is validated.
struct JoystickInfo {
    int joystickIndex;      // index into joy, -1 for none
    int stickIndex;         // index into joy[].stick, -1 for a button input
    int axisIndex;          // index into the stick's axis, -1 for a button input
    int buttonOrDirection;  // button: index into joy[].button;
                            // axis: 0 reads the d1 flag (left/up), 1 d2 (right/down)

    // The empty value.
    JoystickInfo();
    // Same as set(joystick, button).
    JoystickInfo(int joystick, int button);
    // Same as set(joystick, stick, axis, direction).
    JoystickInfo(int joystick, int stick, int axis, int direction);

    // A button input: fields become joystick, -1, -1, button.
    void set(int joystick, int button);
    // Fields take the four arguments in order.
    void set(int joystick, int stick, int axis, int direction);
};

// The flag word in joy that feeds `input`, judged against the counts the
// library reports now (num_joysticks, num_sticks, num_axis, num_buttons), or
// null when the input is refused. Refused: a negative index, an index at or
// past its count, a direction other than 0 or 1, and anything counted by a
// count that is negative or above the library's array capacity. A button
// input (stickIndex -1) does not look at axisIndex.
const int* findJoystickSource(const JoystickInfo& input);

// Nine logical buttons, each fed by one key and at most one joystick input
// from fixed default tables (arrow keys / stick 0 for 0-3; space, enter, M,
// I, Esc / joystick buttons 0-4 for 4-8). Joystick inputs are validated once,
// at construction, against the joysticks reported then. All members are
// public and meant to be read directly; only poll() writes them. The pad owns
// nothing: sources point into the library's joy table, which outlives it.
class Joypad {
public:
    static constexpr int buttonCount = 9;

    // Builds the default tables. An accepted joystick input is kept in
    // infos[i] with its flag word in sources[i]; a refused one leaves
    // infos[i] empty and sources[i] null. Never fails. States start at 0.
    Joypad();

    // Calls poll_joystick() once, then sets each state: 1 while its key is
    // held, otherwise the joystick flag word copied unchanged, otherwise 0.
    void poll();

    int states[buttonCount] = {};       // 0 released, nonzero held
    int scancodes[buttonCount];         // index into key
    JoystickInfo infos[buttonCount];    // accepted joystick input, or empty
    const int* sources[buttonCount];    // read-only word in joy, or null
};

#endif
