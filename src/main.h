// Entry point and main loop: the title menu and the book, in turn, until
// the reader quits.
#ifndef QUORVEL_MAIN_H
#define QUORVEL_MAIN_H

// 0 while the main loop runs; Quit sets it to -1.
extern int gameOver;

#endif
