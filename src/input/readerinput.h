// Every key the player answers, and what it asks for: the reader's commands
// to the screens from the keyboard, a gamepad or the right mouse button, and
// the display keys that change how the picture is shown. Keys and the gamepad
// come through the virtual pad (joypad.h) and the keyboard buffer, read once
// per pass of a screen's dialog loop and before the dialog manager runs, so
// that the dialog manager never acts on a key itself: the screens carry out
// the commands (gamepage.cpp, title.cpp). The display keys are read on every
// pass of every dialog loop, alerts' included, by the display
// (screen/display.h), which carries them out.
#ifndef QUORVEL_READERINPUT_H
#define QUORVEL_READERINPUT_H

#include "input/keytable.h"
#include "joypad.h"

#include <allegro.h>

#include <vector>


// Builds the player's one virtual pad against the joysticks the library
// reports now: call it once the joystick driver, if any, is installed.
// Replaces a pad built earlier. The screens build it themselves on first use
// when nobody did.
void installReaderPad();

// The pad the screens read.
Joypad& readerPad();

// Hands back a key that the dialog manager read from the keyboard buffer
// before ReaderInput::readKeys could (it was typed during the dialog
// manager's pass): the screens' dialog procedures pass on every key they
// are sent (screen/focus.h), and the next readKeys counts it as typed.
void returnKeyToReader(int scancode, int character);

// True when the reader's latest command came from the keyboard or a gamepad,
// false when it was a click (or nothing yet). The screens show the keyboard
// focus at once on a new page or menu only to a reader who uses keys.
bool readingWithKeys();

// A key as the keyboard buffer gave it: its scancode and the character it
// typed (0 for none, as for the arrow keys).
struct TypedKey {
    int scancode;
    int character;
};

// The commands of one screen's life. Each key, gamepad input or mouse button
// acts once when it is pressed, never again while it is held (the
// keyboard's repeat included); what is held when the reading starts, or
// again after resync(), does not count as pressed.
class ReaderInput {
public:
    // What of the keyboard buffer the screen takes when its reading starts.
    // Dropped: nothing typed before counts (a key that ended the screen
    // before must not act on this one). Kept: a key typed since the caller
    // last emptied the buffer counts, for a screen made again while the
    // reader may already be typing to it.
    enum class TypedBefore { Dropped, Kept };

    explicit ReaderInput(TypedBefore typed = TypedBefore::Dropped);

    // Empties the keyboard buffer and polls the pad: the commands pressed
    // since the last call, in a fixed order (pad buttons first), as the key
    // table (input/keytable.h) binds them. Call it just before update_dialog,
    // so that no key is left for the dialog manager.
    std::vector<Command> readKeys();

    // Every key the last readKeys took from the keyboard buffer, in the
    // order typed, whatever it asks for (auto-repeats included): for a box
    // that answers a letter, or any key.
    const std::vector<TypedKey>& typed() const { return typed_; }

    // Looks at the mouse as the dialog manager read it in its last pass
    // (the player's mouse_b and mouse_oz) and appends to `commands` Back when
    // the right button went down, and a wheel command per notch the wheel
    // turned. Call it just after update_dialog.
    void readMouse(const DIALOG_PLAYER* player, std::vector<Command>& commands);

    // Takes whatever is held now as released-and-seen, and empties the
    // keyboard buffer: for a screen coming back from a box (an alert) that
    // read the keys meanwhile.
    void resync();

private:
    // Whatever is held now, seen: it does not count as pressed until released.
    void takeHeldAsSeen();

    bool padHeld_[Joypad::buttonCount];
    std::vector<int> keys_;      // the scancodes bound in the key table, the pad's left out
    std::vector<bool> keyHeld_;  // one per entry of keys_
    std::vector<int> characters_;     // the characters bound in the key table
    std::vector<int> characterKey_;   // per character: the scancode it was last typed with
    std::vector<bool> characterHeld_; // per character: that key was held at the last look
    std::vector<TypedKey> typed_;
    int mouseButtons_;
    int wheel_;
    bool wheelSeen_;
};

// The display keys pressed since the last readDisplayKeys: F11 switches
// between a window and the full screen, Ctrl and + (the = key, or + on the
// keypad) makes the window one size larger, Ctrl and - one size smaller.
struct DisplayKeys {
    bool switchFullScreen = false;
    bool larger = false;
    bool smaller = false;
};

// Has the library's keyboard thread count each press of a display key as it
// comes, so that a tap shorter than a pass is not lost (the library's one
// keyboard_lowlevel_callback); false stops it.
void countDisplayKeyTaps(bool on);

// Which display keys went down since the last call, each once per press: by
// its held state or by a counted tap, while it was not held at the last call.
DisplayKeys readDisplayKeys();

#endif
