// A progress bar for a book that is slow to open (a book file of hundreds
// of thousands of pages): nothing shows for the first half second, then a
// bar across the middle of the screen. The window's close button stops the
// opening.
#ifndef QUORVEL_OPENPROGRESS_H
#define QUORVEL_OPENPROGRESS_H

#include "book/book.h"

// How long opening goes without a sign before the bar is shown, in seconds.
const double PROGRESS_AFTER_SECONDS = 0.5;

// A progress reporter for loadBook, timed from this call. It draws on the
// screen once opening has taken PROGRESS_AFTER_SECONDS, and stops the
// reading (returns false) once the close button has been pressed.
BookProgress openingProgress();

// True once the last reporter made by openingProgress has drawn its bar.
bool openingProgressShown();

#endif
