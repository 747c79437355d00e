// The title menu: the first screen, and the one a reader returns to.
#ifndef QUORVEL_TITLE_H
#define QUORVEL_TITLE_H

#include <allegro.h>

#include <string>
#include <vector>

// Background, Start Game, Options (always hidden), About, Quit, at these
// indices; then From the First Page, in Options' place, shown when the book
// will open at a remembered page (book/resume.h): it forgets that page and
// starts the book at its first.
extern DIALOG dialogMenu[];
enum { MENU_BACKGROUND, MENU_START, MENU_OPTIONS, MENU_ABOUT, MENU_QUIT, MENU_FROM_FIRST };

// Where the book line stands: centred across the screen from this y, in
// this colour (red, green, blue).
const int BOOK_LINE_Y = 5;
const int BOOK_LINE_RGB[3] = {32, 32, 32};

// The book line drawn at the top of the menu for the book path `bookPath`:
// "Книга: " (in the reader's language) and the path, cut to the 31 bytes the
// line has room for.
std::string bookLineText(const char* bookPath);

// The about box's second line: "QVL v." and the program's version.
extern const char* const ABOUT_VERSION_LINE;

// The other texts the menu shows of its own, in the reader's language: its
// buttons' labels, the lines and button of the about box (a '&' marks a
// shortcut letter) and the book line's note of a remembered page.
std::vector<std::string> titleOwnTexts();

// Runs the title menu until the reader chooses. Returns true for Start Game,
// false for Quit, the close key or the window's close button. Ends the
// program when the title background cannot be loaded.
bool title();

// The about box: the program's name, version and authors, and that F1
// shows the keys, until the reader closes it.
void showAbout();

#endif
