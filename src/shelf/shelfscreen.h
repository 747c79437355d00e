// The shelf's screen: the reader's books in a list, with Read, Open a
// Book… and Quit, drawn on the logical screen like the other screens and
// answering the mouse, the keyboard and the gamepad with the visible focus.
//
// Up and Down (and Page Up, Page Down, Home, End, the wheel) move the
// selection in the list; Tab and Shift+Tab go round the list and the
// buttons; Enter or Space reads the selected book (or takes the focused
// button), as a double click on a book does; Esc and Quit end; V and R read
// aloud as on the other screens.
#ifndef QUORVEL_SHELFSCREEN_H
#define QUORVEL_SHELFSCREEN_H

#include "shelf/shelf.h"

#include <string>
#include <vector>

struct ShelfAnswer {
    enum class Kind { Read, Quit };
    Kind kind = Kind::Quit;
    std::string path; // for Read: the book to read (absolute, or as the reader picked it)
};

// Shows `books` with the one at `selected` selected, until the reader picks
// a book (from the list, or anywhere through the library's file selector),
// or quits. `selected` is left at the book selected last, so that the
// shelf opens again where the reader was.
ShelfAnswer shelfScreen(const std::vector<ShelfBook>& books, int& selected);

#endif
