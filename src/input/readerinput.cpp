#include "input/readerinput.h"

#include <allegro.h>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <memory>

namespace {

std::unique_ptr<Joypad> pad;
bool lastCommandWasKey = false;
std::vector<int> returnedKeys; // scancodes

// What each of the pad's nine buttons asks for, in the pad's order (arrow
// keys, Space, Enter, M, I, Esc and their gamepad inputs).
const Command padCommands[Joypad::buttonCount] = {
    Command::Up,   Command::Down, Command::Left,  Command::Right, Command::Take,
    Command::Take, Command::Menu, Command::About, Command::Leave,
};

// The keys beyond the pad's, each with what it asks for.
struct KeyCommand {
    int scancode;
    Command command;
};

const KeyCommand keyCommands[] = {
    {KEY_TAB, Command::Next}, // with Shift: Previous
    {KEY_1, Command::Pick1},      {KEY_2, Command::Pick2},      {KEY_3, Command::Pick3},
    {KEY_1_PAD, Command::Pick1},  {KEY_2_PAD, Command::Pick2},  {KEY_3_PAD, Command::Pick3},
    {KEY_PGUP, Command::PageUp},  {KEY_PGDN, Command::PageDown},
    {KEY_HOME, Command::Home},    {KEY_END, Command::End},
    {KEY_BACKSPACE, Command::Back},
    {KEY_F5, Command::Reload},
};

const int LEFT_BUTTON = 1, RIGHT_BUTTON = 2;

bool shiftHeld()
{
    return key[KEY_LSHIFT] || key[KEY_RSHIFT] || (key_shifts & KB_SHIFT_FLAG);
}

bool altHeld()
{
    return key[KEY_ALT] || key[KEY_ALTGR] || (key_shifts & KB_ALT_FLAG);
}

// The keyboard buffer, emptied, and the keys the dialog manager handed
// back: the scancode of each key typed since the last call, auto-repeats
// included.
std::vector<int> drainTypedKeys()
{
    std::vector<int> typed;
    typed.swap(returnedKeys);
    while (keypressed()) {
        int scancode = 0;
        ureadkey(&scancode);
        typed.push_back(scancode);
    }
    return typed;
}

bool contains(const std::vector<int>& typed, int scancode)
{
    return std::find(typed.begin(), typed.end(), scancode) != typed.end();
}

// Whether an input went down: it is held now, or the keyboard buffer holds a
// press of it, while it was not held at the last look. The buffer catches a
// tap shorter than a pass; the held state catches a gamepad, and a key
// typed between the buffer's emptying and the look at the states (its
// buffered copy, read a pass later, then meets `wasHeld` and is dropped).
bool wentDown(bool wasHeld, bool heldNow, bool typed)
{
    return !wasHeld && (heldNow || typed);
}

// Presses of the display keys, counted by the library's keyboard thread as
// they come (keyboard_lowlevel_callback), so that a tap shorter than a pass
// is not lost: F11, and + or - with Ctrl held.
std::atomic<int> fullScreenTaps{0}, largerTaps{0}, smallerTaps{0};

bool ctrlHeld()
{
    return key[KEY_LCONTROL] || key[KEY_RCONTROL];
}

void countDisplayKeyTap(int scancode)
{
    const bool released = scancode & 0x80;
    if (released)
        return;
    switch (scancode) {
    case KEY_F11: ++fullScreenTaps; break;
    case KEY_EQUALS:
    case KEY_PLUS_PAD:
        if (ctrlHeld())
            ++largerTaps;
        break;
    case KEY_MINUS:
    case KEY_MINUS_PAD:
        if (ctrlHeld())
            ++smallerTaps;
        break;
    default: break;
    }
}

// One display key: whether it was held at the last look, for wentDown.
struct DisplayKey {
    bool held = false;
    bool pressed(bool heldNow, std::atomic<int>& taps)
    {
        const bool tapped = taps.exchange(0) > 0;
        const bool fresh = wentDown(held, heldNow, tapped);
        held = heldNow;
        return fresh;
    }
};

DisplayKey fullScreenKey, largerKey, smallerKey;

} // namespace

void returnKeyToReader(int keyCode)
{
    returnedKeys.push_back(keyCode >> 8);
}

void installReaderPad()
{
    pad = std::make_unique<Joypad>();
}

Joypad& readerPad()
{
    if (!pad)
        installReaderPad();
    return *pad;
}

bool readingWithKeys()
{
    return lastCommandWasKey;
}

ReaderInput::ReaderInput()
    : keyHeld_(std::size(keyCommands)), mouseButtons_(0), wheel_(0), wheelSeen_(false)
{
    resync();
}

void ReaderInput::resync()
{
    clear_keybuf();
    returnedKeys.clear();
    Joypad& p = readerPad();
    p.poll();
    for (int i = 0; i < Joypad::buttonCount; ++i)
        padHeld_[i] = p.states[i] != 0;
    for (std::size_t k = 0; k < keyHeld_.size(); ++k)
        keyHeld_[k] = key[keyCommands[k].scancode] != 0;
}

std::vector<Command> ReaderInput::readKeys()
{
    // The buffer first, the states after: see wentDown.
    const std::vector<int> typed = drainTypedKeys();
    Joypad& p = readerPad();
    p.poll();

    std::vector<Command> commands;
    for (int i = 0; i < Joypad::buttonCount; ++i) {
        const bool held = p.states[i] != 0;
        const bool pressed = wentDown(padHeld_[i], held, contains(typed, p.scancodes[i]));
        padHeld_[i] = held;
        if (!pressed)
            continue;
        Command command = padCommands[i];
        if (command == Command::Left && altHeld())
            command = Command::Back;
        commands.push_back(command);
    }
    for (std::size_t k = 0; k < keyHeld_.size(); ++k) {
        const KeyCommand& entry = keyCommands[k];
        const bool held = key[entry.scancode] != 0;
        const bool pressed = wentDown(keyHeld_[k], held, contains(typed, entry.scancode));
        keyHeld_[k] = held;
        if (!pressed)
            continue;
        if (entry.command == Command::Next && shiftHeld())
            commands.push_back(Command::Previous);
        else
            commands.push_back(entry.command);
    }
    if (!commands.empty())
        lastCommandWasKey = true;
    return commands;
}

void ReaderInput::readMouse(const DIALOG_PLAYER* player, std::vector<Command>& commands)
{
    const int pressed = player->mouse_b & ~mouseButtons_;
    mouseButtons_ = player->mouse_b;
    if (pressed & (LEFT_BUTTON | RIGHT_BUTTON))
        lastCommandWasKey = false;
    if (pressed & RIGHT_BUTTON)
        commands.push_back(Command::Back);

    // The wheel's place counts from wherever it was when the screen first looked.
    if (!wheelSeen_) {
        wheel_ = player->mouse_oz;
        wheelSeen_ = true;
    }
    for (; wheel_ < player->mouse_oz; ++wheel_)
        commands.push_back(Command::WheelUp);
    for (; wheel_ > player->mouse_oz; --wheel_)
        commands.push_back(Command::WheelDown);
}

void countDisplayKeyTaps(bool on)
{
    keyboard_lowlevel_callback = on ? countDisplayKeyTap : nullptr;
}

DisplayKeys readDisplayKeys()
{
    const bool ctrl = ctrlHeld();
    DisplayKeys keys;
    keys.switchFullScreen = fullScreenKey.pressed(key[KEY_F11], fullScreenTaps);
    keys.larger = largerKey.pressed(ctrl && (key[KEY_EQUALS] || key[KEY_PLUS_PAD]), largerTaps);
    keys.smaller = smallerKey.pressed(ctrl && (key[KEY_MINUS] || key[KEY_MINUS_PAD]), smallerTaps);
    return keys;
}
