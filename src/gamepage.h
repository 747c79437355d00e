// The game page screen: shows the open book one page at a time, moves
// between pages by the reader's choices, and carries out what the reader's
// keys ask for on a page (input/readerinput.h turns keys into commands).
#ifndef QUORVEL_GAMEPAGE_H
#define QUORVEL_GAMEPAGE_H

#include "book/book.h"
#include "screen/messagebox.h"
#include "screen/pagelayout.h"

#include <allegro.h>

#include <string>
#include <vector>

// Background, text box, illustration, the three choices (right, middle,
// left) and Menu, at these indices.
extern DIALOG dialogGamePage[];
enum {
    PAGE_BACKGROUND, PAGE_TEXT, PAGE_PICTURE,
    PAGE_FIRST_CHOICE, PAGE_SECOND_CHOICE, PAGE_THIRD_CHOICE, PAGE_MENU,
};

// Pointers to the elements of dialogGamePage, set each time the screen opens
// (by bindPageElements).
extern DIALOG* background_picture;
extern DIALOG* field_text_main;
extern DIALOG* field_pico_main;
extern DIALOG* button_1;
extern DIALOG* button_2;
extern DIALOG* button_3;
extern DIALOG* button_exit;

// The screen's dialog player while it runs.
extern DIALOG_PLAYER* player;

// Points the element pointers above at their elements of dialogGamePage.
void bindPageElements();

// What gamePage returns when the book has no page at the index it was
// asked to open at.
const int PAGE_NOT_IN_BOOK = -2;
// gamePage's first index for opening a book as the title menu does.
const int FROM_THE_START = -1;

// The player's book loader: reads book + "/pages.dat" into the (empty) page
// list through readBook (book/book.h), telling `progress` (when set) how far
// it has read. Returns false, with no pages, when the book file cannot be
// opened; ends the player, naming the file, when the book names a picture or
// sound that cannot be loaded.
bool loadBook(const BookProgress& progress = nullptr);

// Loads the book and runs it from its first page (firstIndex
// FROM_THE_START), or from the page at `firstIndex`. Returns 0 when the
// reader left through Menu or closed the window, or when the book file could
// not be opened (a message box names it); -1 when the book ended (from the
// start, a book without pages ends at once, with the end-of-book alert);
// PAGE_NOT_IN_BOOK, having shown nothing, when the book has no page at
// firstIndex. Stores the number of pages read in *pageCount when it is
// given. The page list is freed on every way out. F5 reads the book again
// (see book/reload.h) and shows the same page.
int gamePage(int firstIndex = FROM_THE_START, int* pageCount = nullptr);

// Applies page cur_page (callers set it to `index` first) to the dialog
// elements and starts its sound. A background or an illustration with an
// alpha channel is composed over what lies under it (black, the
// background) here, so that drawing it stays a blit. Returns 0, or -1 when
// `index` is outside the book (BOOK_ENDS is): then the end-of-book alert
// has been shown and the pages freed.
int changePage(int index);

// The label of the end-of-book alert's one button ('&' marks its shortcut
// letter), and of the Menu button: texts the page screen shows of its own,
// as message ids (app/language.h), shown translated.
extern const char endAlertButton[];
extern char menuButtonLabel[];

// What reading aloud says of the page on screen, in order: its room name,
// its text, its choices in the order the digit keys take them ("1: …"),
// and Menu.
std::vector<std::string> pageSaid();

// The end-of-book alert: the three end messages and its button, which the
// letter c (ALERT_KEY) answers too.
Message endOfBookMessage();

// Dialog procedures that place their element on each draw: the first
// choice against the right edge, the second in the middle, the third at the
// left, each as wide as its label (buttons that show the keyboard focus, as
// reader_button_proc); the illustration centred when it is at most 619
// pixels wide.
int right_button_proc(int msg, DIALOG* d, int c);
int middle_button_proc(int msg, DIALOG* d, int c);
int left_button_proc(int msg, DIALOG* d, int c);
int my_bitmap_proc(int msg, DIALOG* d, int c);

#endif
