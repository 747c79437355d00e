// Checks a book for its author: reads it with the player's own book reader
// and reports what would go wrong, or not as meant, when it is played.
#ifndef QUORVEL_CHECK_CHECK_H
#define QUORVEL_CHECK_CHECK_H

#include "elsewhere.h"
#include "facts.h"
#include "pagemap.h"
#include "report.h"

#include <allegro.h>

#include <set>
#include <string>
#include <vector>

struct CheckSettings {
    // The font the player will draw the book with; null skips the check for
    // characters it has no glyph for. Not owned.
    FONT* font = nullptr;
    // The player's `book` setting for this book ("books/<name>"): the paths
    // the player builds from it are measured against its path buffers.
    std::string playerBook;
    // The files of the book's folder, to say where a file that is not
    // where the player looks does lie; null says nothing of it. Not owned.
    const BookFileIndex* files = nullptr;
    // Whether each page's layout is checked (it needs `font` too): what the
    // reader would see collide. Off only to measure what the checks cost.
    bool layout = true;
};

struct CheckResult {
    bool opened = false;            // the book file could be read
    std::vector<Finding> findings;  // in line order
    PageMap map;                    // the pages the player would keep
    BookFacts facts;                // their texts and the size of their media
    std::set<std::string> namedFiles; // the pictures and sounds it names, book-relative (pack.h)
};

// Reads `book` + "/pages.dat" (cut as the player cuts it) through the
// player's reader, relative to the working directory, and returns what it
// found. The library must be started in the UTF-8 text format with media
// loaders that return null on a bad file (see session.h). Frees any pages
// held before and the pages it read; clears default_bg before reading, as
// a first reading in the player meets it.
CheckResult checkBook(const CheckSettings& settings);

#endif
