// The keyboard focus on the screens' buttons: a button that shows it
// plainly, and moving it from the keys.
#ifndef QUORVEL_FOCUS_H
#define QUORVEL_FOCUS_H

#include <allegro.h>

#include <vector>

// A push button, drawn and clicked as the library's d_button_proc, for the
// player's screens:
// - with the focus, its face turns amber inside a double dark frame, plain
//   to see on the blue title buttons and on the grey page buttons alike;
// - it keeps the focus when the pointer leaves it for the background or a
//   picture, and gives it up only to an element that takes it (so the mouse
//   still sets the focus where it points, and the keys can move it on);
// - it answers the left mouse button only (the right one means Back);
// - it leaves every key to the screen, which reads them through ReaderInput
//   (a key the dialog manager read first is handed back to it).
int reader_button_proc(int msg, DIALOG* d, int c);

// For a dialog procedure that leaves every key to the screen's reading:
// hands a key the dialog manager read back to ReaderInput, with its whole
// character (a Cyrillic letter included) when the element has the focus,
// where the dialog manager sends it. Call it for MSG_CHAR, MSG_UCHAR and
// MSG_XCHAR, and return what it returns.
int handBackKey(int msg, int c);

// The library's d_textbox_proc, except that it never takes the focus: the
// keys scroll it from the screen whatever has the focus, and the wheel
// while the pointer is over it.
int reader_textbox_proc(int msg, DIALOG* d, int c);

// The mouse's part in the focus, for a screen whose dialog manager does not
// follow the pointer itself (startDialog turns that off): a button the
// pointer moves onto takes the focus, and keeps it when the pointer goes on
// to the background. Where the pointer rests when the screen opens counts
// for nothing, so that Enter at once takes the screen's first button, not
// whichever one a forgotten pointer lies over.
class PointerFocus {
public:
    // Call right after init_dialog: takes back the focus that init_dialog
    // gave to the element under the pointer.
    explicit PointerFocus(DIALOG_PLAYER* player);

    // Call after each update_dialog.
    void follow();

private:
    DIALOG_PLAYER* player_;
    int x_, y_;
    bool moved_;
};

// The element of `player`'s dialog that has the focus and shows it, or -1.
// An element whose flags were assigned anew (a new page) has lost it.
int focusedElement(const DIALOG_PLAYER* player);

// Gives the focus to element `index` of `player`'s dialog; the elements that
// lose and gain it redraw themselves.
void focusElement(DIALOG_PLAYER* player, int index);

// Moves the focus `step` places along `order` (element indices in the order
// the reader sees them; hidden ones are passed over), stopping at either
// end, or going round when `wrap`. When the focus is on none of them it goes
// to `home` instead, whatever the step (or, when `home` is hidden, to the
// first visible one of `order`, if any).
void moveFocus(DIALOG_PLAYER* player, const std::vector<int>& order, int home, int step,
               bool wrap);

// Selects, as a click does, the focused element when it is one of
// `buttons`, else `home` when it is visible; the screen then acts on the
// selected flag as it does after a click. Does nothing when neither is there.
void takeFocused(DIALOG_PLAYER* player, const std::vector<int>& buttons, int home);

#endif
