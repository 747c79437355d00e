// The game page screen: reads the book one page at a time.
#ifndef QUORVEL_GAMEPAGE_H
#define QUORVEL_GAMEPAGE_H

// Runs the book from its first page. Returns 0 when the reader left through
// Menu or closed the window, -1 when the book ended.
int gamePage();

#endif
