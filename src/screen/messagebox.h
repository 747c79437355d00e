// A message in the window: its lines centred in a box over the middle of
// the logical screen, with one button under them, drawn with the library's
// own dialog pieces as its alert draws them, until the reader answers.
//
// The box is the player's own dialog rather than the library's alert,
// which takes one key per button and only a character below 256: a
// button's letter ('&') in another script, such as the Cyrillic of a
// translation, could never answer it there. What the box covers is put back
// when it closes. One box at a time, over whichever screen shows it.
#ifndef QUORVEL_MESSAGEBOX_H
#define QUORVEL_MESSAGEBOX_H

#include <string>
#include <vector>

struct Message {
    // The lines, top to bottom; the box has room for three at least, as the
    // library's alert has, so that a shorter message stands as it would.
    std::vector<std::string> lines;
    // The button's label: a '&' marks the letter that answers the box ("&&"
    // shows one '&').
    std::string button;
    // A character that answers the box besides (ALERT_KEY); 0 for none.
    int extraKey = 0;
};

// Shows `message` until the reader clicks its button, presses Enter, Space
// or Esc, types the button's letter (in either case) or the extra key, or
// the window's close button is pressed (closeRequested stays set for the
// screen below). The display keys work meanwhile, and, when reading aloud
// is on, the lines and the button are said, and again for R.
void showMessageBox(const Message& message);

// The letter a label's '&' marks, as a character code; 0 when there is none.
int labelLetter(const std::string& label);

// A label as it is drawn: without its '&' marks ("&&" draws one '&').
std::string shownLabel(const std::string& label);

#endif
