// The --stats report: how big a book is and how long its readings are.
#ifndef QUORVEL_CHECK_STATS_H
#define QUORVEL_CHECK_STATS_H

#include "facts.h"
#include "pagemap.h"

#include <string>
#include <vector>

// Words (runs of characters between blanks) and characters (UTF-8
// code points) of a text.
int wordCount(const std::string& text);
int characterCount(const std::string& text);

// The ways from page 1 to a choice that ends the book, counted in choices
// made (the ending choice included), through shown choices only.
struct WayLengths {
    bool anyEnding = false;    // some ending can be reached at all
    std::vector<int> shortest; // the pages of a shortest way, page 1 first
    int longest = 0;           // the most choices on a way that passes no page twice
    bool longestExact = true;  // false when the search for it was cut off
};
WayLengths wayLengths(const PageMap& map);

// The report: pages, choices, endings, words and characters per page and
// in all, the shortest and longest way to an ending, and the decoded size
// of the pictures and sounds.
std::string statsReport(const PageMap& map, const BookFacts& facts);

#endif
