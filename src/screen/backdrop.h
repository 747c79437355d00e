// A screen's whole-screen picture, and knowing when the dialog manager has
// drawn it.
//
// A screen draws a line of its own over its picture (the title menu's book
// line, a page's room name) after a pass of the dialog manager, outside the
// dialog. That line must be drawn again after exactly the passes that drew
// the picture under it. Which pass that is cannot be foreseen: a pass may
// end before it draws (while the library waits to see whether a click is
// the first of a double click, or when a button hands a key back to the
// screen), and the redraw then comes a pass or more later. So the picture's
// element notes when it is drawn, and the screen asks after each pass.
#ifndef QUORVEL_BACKDROP_H
#define QUORVEL_BACKDROP_H

#include <allegro.h>

// The library's d_bitmap_proc, noting each time the element is drawn.
// One screen's dialog runs at a time, so one note serves them all.
int backdrop_proc(int msg, DIALOG* d, int c);

// True when a backdrop_proc element was drawn since the last call; clears
// the note.
bool takeBackdropDrawn();

#endif
