// Reading the open book again, for an author who edits it while it is
// shown: the new reading replaces the open one only when it is whole.
#ifndef QUORVEL_RELOAD_H
#define QUORVEL_RELOAD_H

#include "text/problem.h"

#include <optional>

// Reads the book file again, checking every picture and sound anew (each is
// decoded anew when a page needs it). When the book file opens, holds a page
// and names no file that cannot be loaded, the new pages replace
// gamedataPages (the old ones are freed: stop their sounds first) and the
// book-level values are the new ones. Otherwise the open book and its values
// stay as they were, and the problem names the book file, the line that
// failed (0 for the whole file) and, as its phrase, what failed there, as
// an alert shows it under the place: "the book holds no page", "pico_name
// \"books/t/pico/owl.png\" cannot be loaded".
std::optional<Problem> rereadBook();

#endif
