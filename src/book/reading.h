// A reading of the open book on the page screen: what the reader's keys do
// on a page, and the pages behind the reader, for Back. The history lives in
// memory only, for one opening of the book.
#ifndef QUORVEL_READING_H
#define QUORVEL_READING_H

#include "input/readerinput.h"

// What a command leaves for the page screen to do.
enum class PageRequest {
    None,  // done, or nothing to do
    Leave, // back to the title menu (Esc)
    Back,  // to the page before the last choice
    About, // the about box
    Reload, // read the book again
};

// Carries out `command` on the page on screen (the elements of
// dialogGamePage, through `player`): scrolls the text box, moves the focus
// between the visible choices in screen order (left, middle, right), or
// selects a choice or Menu as a click does, for the screen to act on. Takes
// the choices counted from the left of the screen for Pick1..Pick3. Returns
// what it leaves to the screen.
PageRequest applyPageCommand(Command command);

// The element a key starts from on a page: its first choice (the way on)
// when it has one, else its leftmost choice, else Menu.
int pageHomeElement();

// Gives the focus to pageHomeElement() when the reader reads with keys,
// so that a new page shows at once what Enter takes.
void focusPageForKeys();

// Scrolls the text box so that its line `top` is the first one shown,
// within the text's bounds.
void scrollTextTo(int top);

// Starts a new reading: no page behind.
void startReading();

// Notes that the reader leaves page `index` by a choice.
void rememberPage(int index);

// Takes the page the reader left by the last choice off the history, into
// `index`. False (and `index` untouched) at the first page of the reading.
bool takePreviousPage(int& index);

// The page Back would go to now, into `index`, leaving the history as it
// is. False (and `index` untouched) at the first page of the reading.
bool previousPage(int& index);

#endif
