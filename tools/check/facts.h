// What the reports need to know of a book beyond its map: every text a
// reader sees, where it stands, and the size of the book's pictures and
// sounds once decoded.
#ifndef QUORVEL_CHECK_FACTS_H
#define QUORVEL_CHECK_FACTS_H

#include "book/book.h"

#include <cstddef>
#include <string>
#include <vector>

// One text a reader sees: a page's room name, main text or choice label,
// or an end message of the book.
struct ShownText {
    int page = 0;       // from 1; 0 for the book's end messages
    int line = 0;       // line in the book file
    std::string key;    // the key that gave it
    std::string text;   // as the page holds it
};

struct BookFacts {
    std::vector<ShownText> texts;  // page by page in book order, each page's in line order;
                                   // the end messages last
    std::size_t pictureFiles = 0;  // distinct pictures the pages hold
    std::size_t picturePixels = 0; // their pixels, all together
    std::size_t alphaPixels = 0;   // of those, the pixels of pictures with an alpha channel
    std::size_t soundFiles = 0;    // distinct sounds
    std::size_t soundBytes = 0;    // their decoded samples, in bytes
};

// Collects the facts while the reader reads, then from the pages it kept.
class FactCollector {
public:
    void see(const BookEvent& event);

    // Takes the facts from the pages in gamedataPages, which must be the
    // pages of the reading whose events were seen.
    BookFacts gather();

private:
    std::vector<std::vector<ShownText>> byPage_;  // by page index, the page's texts
    std::vector<ShownText> endMessages_;
};

// Every text of `facts`, one a line, for a spell checker:
// "FILE:LINE: page N, KEY: TEXT", or "FILE:LINE: KEY: TEXT" for an end message.
std::string textReport(const BookFacts& facts, const std::string& file);

#endif
