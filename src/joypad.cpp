#include "joypad.h"

JoystickInfo::JoystickInfo()
{
    set(-1, -1, -1, -1);
}

JoystickInfo::JoystickInfo(int joystick, int button)
{
    set(joystick, button);
}

JoystickInfo::JoystickInfo(int joystick, int stick, int axis, int direction)
{
    set(joystick, stick, axis, direction);
}

void JoystickInfo::set(int joystick, int button)
{
    set(joystick, -1, -1, button);
}

void JoystickInfo::set(int joystick, int stick, int axis, int direction)
{
    joystickIndex = joystick;
    stickIndex = stick;
    axisIndex = axis;
    buttonOrDirection = direction;
}

namespace {

// True when `index` names one of `count` entries of a table of `capacity`.
// A count outside 0..capacity is not trusted at all, so that a corrupt count
// can never lead outside the library's fixed arrays.
bool isCounted(int index, int count, int capacity)
{
    return count >= 0 && count <= capacity && index >= 0 && index < count;
}

} // namespace

const int* findJoystickSource(const JoystickInfo& input)
{
    const int j = input.joystickIndex;
    if (!isCounted(j, num_joysticks, MAX_JOYSTICKS))
        return nullptr;
    JOYSTICK_INFO& joystick = joy[j];

    const int v = input.buttonOrDirection;
    if (input.stickIndex == -1) {
        if (!isCounted(v, joystick.num_buttons, MAX_JOYSTICK_BUTTONS))
            return nullptr;
        return &joystick.button[v].b;
    }

    const int s = input.stickIndex;
    if (!isCounted(s, joystick.num_sticks, MAX_JOYSTICK_STICKS))
        return nullptr;
    JOYSTICK_STICK_INFO& stick = joystick.stick[s];
    if (!isCounted(input.axisIndex, stick.num_axis, MAX_JOYSTICK_AXIS))
        return nullptr;
    JOYSTICK_AXIS_INFO& axis = stick.axis[input.axisIndex];
    if (v == 0)
        return &axis.d1;
    if (v == 1)
        return &axis.d2;
    return nullptr;
}

Joypad::Joypad()
{
    const int defaultKeys[buttonCount] = {
        KEY_UP, KEY_DOWN, KEY_LEFT, KEY_RIGHT,
        KEY_SPACE, KEY_ENTER, KEY_M, KEY_I, KEY_ESC,
    };
    const JoystickInfo defaultInputs[buttonCount] = {
        JoystickInfo(0, 0, 1, 0), JoystickInfo(0, 0, 1, 1),
        JoystickInfo(0, 0, 0, 0), JoystickInfo(0, 0, 0, 1),
        JoystickInfo(0, 0), JoystickInfo(0, 1), JoystickInfo(0, 2),
        JoystickInfo(0, 3), JoystickInfo(0, 4),
    };

    for (int i = 0; i < buttonCount; ++i) {
        scancodes[i] = defaultKeys[i];
        const JoystickInfo& input = defaultInputs[i];
        sources[i] = findJoystickSource(input);
        // A refused input leaves infos[i] empty. Button defaults already
        // carry -1 stick and axis, so an accepted input is kept as it is.
        if (sources[i])
            infos[i] = input;
    }
}

void Joypad::poll()
{
    poll_joystick();
    for (int i = 0; i < buttonCount; ++i) {
        if (key[scancodes[i]])
            states[i] = 1;
        else if (sources[i])
            states[i] = *sources[i];
        else
            states[i] = 0;
    }
}
