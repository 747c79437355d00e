// Slips that the player's reader passes without a word and that change the
// book: text after a line's ';', targets with characters after their
// number or naming no page, page names that clash, a key given twice on one
// page, and pictures that do not fit where the page draws them.
#ifndef QUORVEL_CHECK_SLIPS_H
#define QUORVEL_CHECK_SLIPS_H

#include "book/book.h"
#include "report.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

// Watches the reader's events, then looks at the pages it kept.
class SlipFinder {
public:
    void see(const BookEvent& event);

    // Looks at the pictures of the pages in gamedataPages, which must be the
    // pages of the reading whose events were seen: an illustration past its
    // area, a background with transparent parts (they show black). Each
    // picture file is reported once.
    void checkPictures();

    // Looks at the names of the pages in gamedataPages: two pages with one
    // name, a name that reads as a number and so cannot be named by a target.
    void checkPageNames();

    std::vector<Finding> takeFindings() { return std::move(findings_); }

private:
    void checkTarget(const BookEvent& event);
    void unknownPageName(const BookEvent& event);
    void checkRepeatedKey(const BookEvent& event);
    void warn(int line, const std::string& message);
    void error(int line, const std::string& message);

    std::vector<Finding> findings_;
    std::map<std::string, int> keysOnPage_;  // key -> its first line on the page being read
    int defaultBgLine_ = 0;
    std::map<int, int> backgroundLine_;      // page index -> line of its default_bg
    std::map<int, int> picoLine_;            // page index -> line of its (last) pico_name
    std::map<int, int> startLine_;           // page index -> line of its page_start
    std::vector<std::string> pageNames_;     // every page's name, once the pages are read
    bool namesKnown_ = false;
};

// The warning for line `line` of a key-value file when `after`, the text
// after the ';' that ends its value (narrowed), is more than blanks or a
// remark that starts with '#': the player ignores it. Empty otherwise.
std::optional<Finding> textAfterValueFinding(int line, const std::string& after);

#endif
