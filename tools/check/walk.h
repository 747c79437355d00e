// The --walk report: random readings of a book, and the pages from which
// no ending can be reached.
#ifndef QUORVEL_CHECK_WALK_H
#define QUORVEL_CHECK_WALK_H

#include "pagemap.h"
#include "report.h"

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

// The most choices one reading makes before it is given up.
const int walkStepLimit = 10000;

// How one reading stopped.
struct WalkEnd {
    enum class Kind {
        Ending,    // a choice ended the book
        Stuck,     // a page with no choice: the reader can only go back to the menu
        TooLong,   // walkStepLimit choices were made without an ending
    };
    Kind kind = Kind::Ending;
    int page = 0;    // the page it stopped on (0 for TooLong)
    int choice = 0;  // for an ending, the choice that ended it (0 for but1 .. 2)
    bool operator<(const WalkEnd& other) const
    {
        return std::make_tuple(kind, page, choice)
               < std::make_tuple(other.kind, other.page, other.choice);
    }
    bool operator==(const WalkEnd& other) const
    {
        return kind == other.kind && page == other.page && choice == other.choice;
    }
};

struct WalkResult {
    std::map<WalkEnd, int> ends;  // how often each end was met
    std::vector<bool> visited;    // by page index: some reading showed the page
};

// Plays `readings` readings from page 1, each choosing among the shown
// choices of a page with equal chances, from a generator seeded with
// `seed`: the same seed gives the same readings.
WalkResult walkBook(const PageMap& map, int readings, std::uint32_t seed);

// The pages, reachable from page 1, from which no ending can be reached at
// all (page numbers from 1, ascending).
std::vector<int> trapPages(const PageMap& map);

// The report of a walk: the ends met and how often, the pages no reading
// showed.
std::string walkReport(const PageMap& map, const WalkResult& walk, int readings,
                       std::uint32_t seed);

// An error for each trap page, on its page_start line.
std::vector<Finding> trapFindings(const PageMap& map);

#endif
