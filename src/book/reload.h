// Reading the open book again, for an author who edits it while it is
// shown: the new reading replaces the open one only when it is whole.
#ifndef QUORVEL_RELOAD_H
#define QUORVEL_RELOAD_H

#include <string>

// Reads the book file again, checking every picture and sound anew (each is
// decoded anew when a page needs it), without ending the program on a file
// that the check refuses. When the book file
// opens, holds a page and names no file that cannot be loaded, the new
// pages replace gamedataPages (the old ones are freed: stop their sounds
// first) and the book-level values are the new ones; returns true.
// Otherwise the open book and its values stay as they were, `where` names
// the book file (and the line, "books/tale/pages.dat:12") and `what` says
// what failed there.
bool rereadBook(std::string& where, std::string& what);

#endif
