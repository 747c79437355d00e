// Every key the reader may press, in one table: which key (or character
// typed) asks for which command, and what each row of keys does on each
// screen. The reader's input (input/readerinput.h) reads the keys from it,
// the key help (F1) shows it, and the README's key table says the same
// words (a test holds the two together).
//
// Invariants: a key and its modifiers ask for one command; every command
// but the mouse's (the wheel) has at least one key here; the words are
// message ids (app/language.h), shown translated.
#ifndef QUORVEL_KEYTABLE_H
#define QUORVEL_KEYTABLE_H

#include <vector>

enum class Command {
    Up,        // Up arrow, stick up
    Down,      // Down arrow, stick down
    Left,      // Left arrow, stick left
    Right,     // Right arrow, stick right
    Take,      // Space, Enter; gamepad buttons 0 and 1 (the library's numbering)
    Menu,      // M; gamepad button 2
    About,     // I; gamepad button 3
    Leave,     // Esc; gamepad button 4
    Next,      // Tab
    Previous,  // Shift+Tab
    Pick1,     // 1: the first visible choice from the left of the screen
    Pick2,     // 2: the second
    Pick3,     // 3: the third
    PageUp,    // Page Up
    PageDown,  // Page Down
    Home,      // Home
    End,       // End
    Back,      // Backspace, Alt+Left, the right mouse button
    WheelUp,   // the mouse wheel, one notch away from the reader
    WheelDown, // the mouse wheel, one notch towards the reader
    Reload,    // F5: read the book again
    ReadAloud, // V: reading aloud on or off
    SayAgain,  // R: say the screen again
    Help,      // F1, ?: the keys of the screen
};

// A key bound to a command: by its scancode, or by the character it types
// where that character's key differs between keyboard layouts ('?').
struct KeyBinding {
    int scancode;   // KEY_*; 0 for a binding by character
    int character;  // the character typed; 0 for a binding by scancode
    int modifiers;  // KB_SHIFT_FLAG, KB_ALT_FLAG: held with the key; 0 for neither
    Command command;
};

// The screens whose keys the help shows.
enum class KeyScreen { Page, Title, Shelf };

// Keys that go together, and what they do on each screen.
struct KeyRow {
    const char* keys;    // the keys as the reader knows them ("Enter, Space")
    const char* onPage;  // what they do on a page; null: nothing
    const char* onTitle; // on the title menu; null: nothing
    const char* onShelf; // on the shelf; null: nothing
    // Empty for the display keys (F11, Ctrl and + or -), which every dialog
    // loop answers through readDisplayKeys, whatever the screen.
    std::vector<KeyBinding> bindings;

    // onPage, onTitle or onShelf.
    const char* meaningOn(KeyScreen screen) const;
};

// The table, in the order the help shows it.
const std::vector<KeyRow>& keyTable();

// The command that `scancode` asks for with the modifiers in `held` (the
// library's key_shifts flags): the binding whose modifiers are all held and
// most in number. False when no binding by scancode has it.
bool commandForKey(int scancode, int held, Command& command);

#endif
