#include "input/readerinput.h"

#include <allegro.h>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <memory>

namespace {

std::unique_ptr<Joypad> pad;
bool lastCommandWasKey = false;
std::vector<TypedKey> returnedKeys;

const int LEFT_BUTTON = 1, RIGHT_BUTTON = 2;

// The modifiers held now, as the key table's bindings name them.
int modifiersHeld()
{
    int held = 0;
    if (key[KEY_LSHIFT] || key[KEY_RSHIFT] || (key_shifts & KB_SHIFT_FLAG))
        held |= KB_SHIFT_FLAG;
    if (key[KEY_ALT] || key[KEY_ALTGR] || (key_shifts & KB_ALT_FLAG))
        held |= KB_ALT_FLAG;
    return held;
}

// The keyboard buffer, emptied, and the keys the dialog manager handed
// back: each key typed since the last call, auto-repeats included.
std::vector<TypedKey> drainTypedKeys()
{
    std::vector<TypedKey> typed;
    typed.swap(returnedKeys);
    while (keypressed()) {
        int scancode = 0;
        const int character = ureadkey(&scancode);
        typed.push_back({scancode, character});
    }
    return typed;
}

bool contains(const std::vector<TypedKey>& typed, int scancode)
{
    return std::any_of(typed.begin(), typed.end(),
                       [scancode](const TypedKey& k) { return k.scancode == scancode; });
}

// Whether `scancode` is one of the pad's buttons, which the pad reads.
bool isPadKey(const Joypad& pad, int scancode)
{
    return std::find(std::begin(pad.scancodes), std::end(pad.scancodes), scancode)
           != std::end(pad.scancodes);
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

void returnKeyToReader(int scancode, int character)
{
    returnedKeys.push_back({scancode, character});
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

ReaderInput::ReaderInput(TypedBefore typed) : mouseButtons_(0), wheel_(0), wheelSeen_(false)
{
    const Joypad& p = readerPad();
    for (const KeyRow& row : keyTable())
        for (const KeyBinding& binding : row.bindings) {
            if (binding.character != 0) {
                if (std::find(characters_.begin(), characters_.end(), binding.character)
                    == characters_.end())
                    characters_.push_back(binding.character);
            } else if (!isPadKey(p, binding.scancode)
                       && std::find(keys_.begin(), keys_.end(), binding.scancode) == keys_.end()) {
                keys_.push_back(binding.scancode);
            }
        }
    keyHeld_.assign(keys_.size(), false);
    characterKey_.assign(characters_.size(), 0);
    characterHeld_.assign(characters_.size(), false);
    if (typed == TypedBefore::Dropped) {
        resync();
        return;
    }
    // Keys reach this process only through its own window: one held now
    // went down there since the buffer was emptied, and counts once, the
    // pad's buttons that are keys (Joypad::poll) among them. The gamepad
    // itself is shared with whatever ran before: what is held on it is seen.
    takeHeldAsSeen();
    for (int i = 0; i < Joypad::buttonCount; ++i)
        if (key[p.scancodes[i]])
            padHeld_[i] = false;
    keyHeld_.assign(keys_.size(), false);
    characterHeld_.assign(characters_.size(), false);
}

void ReaderInput::resync()
{
    clear_keybuf();
    returnedKeys.clear();
    takeHeldAsSeen();
}

void ReaderInput::takeHeldAsSeen()
{
    Joypad& p = readerPad();
    p.poll();
    for (int i = 0; i < Joypad::buttonCount; ++i)
        padHeld_[i] = p.states[i] != 0;
    for (std::size_t k = 0; k < keys_.size(); ++k)
        keyHeld_[k] = key[keys_[k]] != 0;
    for (std::size_t c = 0; c < characters_.size(); ++c)
        characterHeld_[c] = characterKey_[c] != 0 && key[characterKey_[c]] != 0;
    typed_.clear();
}

std::vector<Command> ReaderInput::readKeys()
{
    // The buffer first, the states after: see wentDown.
    typed_ = drainTypedKeys();
    Joypad& p = readerPad();
    p.poll();
    const int modifiers = modifiersHeld();

    std::vector<Command> commands;
    const auto ask = [&](int scancode) {
        Command command;
        if (commandForKey(scancode, modifiers, command))
            commands.push_back(command);
    };
    for (int i = 0; i < Joypad::buttonCount; ++i) {
        const bool held = p.states[i] != 0;
        const bool pressed = wentDown(padHeld_[i], held, contains(typed_, p.scancodes[i]));
        padHeld_[i] = held;
        if (pressed)
            ask(p.scancodes[i]);
    }
    for (std::size_t k = 0; k < keys_.size(); ++k) {
        const bool held = key[keys_[k]] != 0;
        const bool pressed = wentDown(keyHeld_[k], held, contains(typed_, keys_[k]));
        keyHeld_[k] = held;
        if (pressed)
            ask(keys_[k]);
    }
    // A character is pressed when it is typed and the key it was last typed
    // with was not held at the last look: its auto-repeats do not count.
    for (std::size_t c = 0; c < characters_.size(); ++c) {
        const auto at = std::find_if(typed_.begin(), typed_.end(), [&](const TypedKey& k) {
            return k.character == characters_[c];
        });
        const bool pressed = at != typed_.end() && !characterHeld_[c];
        if (at != typed_.end())
            characterKey_[c] = at->scancode;
        characterHeld_[c] = characterKey_[c] != 0 && key[characterKey_[c]] != 0;
        if (pressed)
            for (const KeyRow& row : keyTable())
                for (const KeyBinding& binding : row.bindings)
                    if (binding.character == characters_[c])
                        commands.push_back(binding.command);
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
