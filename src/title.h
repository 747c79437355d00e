// The title menu: the first screen, and the one a reader returns to.
#ifndef QUORVEL_TITLE_H
#define QUORVEL_TITLE_H

#include <allegro.h>

// Background, Start Game, Options (always hidden), About, Quit.
extern DIALOG dialogMenu[];

// Runs the title menu until the reader chooses. Returns true for Start Game,
// false for Quit, the close key or the window's close button. Ends the
// program when the title background cannot be loaded.
bool title();

#endif
