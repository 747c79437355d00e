// How a choice's target is written in the book file: a page number, or the
// name that a page_start line gives a page.
#ifndef QUORVEL_TARGET_H
#define QUORVEL_TARGET_H

#include <cstddef>
#include <string_view>

// True when `value` is read as a page number: it is empty or begins with a
// digit, a sign or a blank, so that every target atoi would read as a
// number (0 for an empty one) stays one. Any other value names a page.
bool isPageNumber(std::string_view value);

// The page number at the start of `value` as atoi reads it (blanks, an
// optional sign, digits; no digits gives 0), held to the int range instead
// of overflowing. `used`, when set, receives the bytes that reading took:
// whatever follows them is not part of the number.
int readPageNumber(std::string_view value, std::size_t* used = nullptr);

// The whole of `text` read as readPageNumber reads a target, when it is
// only decimal digits (no blanks, no sign, nothing after them) and names a
// number from `low` to `high` (both below 2^40): the form the player's
// command line, its resume state, its settings and its tools take numbers
// in. False, leaving `number` as it was, otherwise.
bool readWholeNumber(std::string_view text, long long low, long long high, long long& number);

#endif
