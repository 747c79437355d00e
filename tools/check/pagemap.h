// The map of a book: its pages and where each shown choice leads, by the
// page screen's rules, and that map written for Graphviz.
#ifndef QUORVEL_CHECK_PAGEMAP_H
#define QUORVEL_CHECK_PAGEMAP_H

#include <string>
#include <vector>

// Number of choices a page has room for: but1, but2, but3.
const int choiceCount = 3;

// One choice of a page as the reader meets it.
struct MapChoice {
    bool shown = false;   // it has a label (a choice without one is hidden)
    std::string label;    // the label as the page holds it
    int targetPage = 0;   // the page it leads to, counted from 1; 0 ends the book
};

struct MapPage {
    int line = 0;                    // line of its page_start in the book file
    std::string roomName;            // "" when the page has none
    MapChoice choices[choiceCount];  // in the order but1, but2, but3
    bool reachable = false;          // set by markReachable
};

// The pages in book order: page n is entry n - 1.
using PageMap = std::vector<MapPage>;

// The page that choice `choice` (0 for but1 .. 2 for but3) of page `page`
// (from 1) leads to when its target is `target`, in a book of `pageCount`
// pages; 0 when the choice ends the book. The first choice goes to its
// target when that is above 0, else to the next page; the others go to their
// target. Anything outside 1..pageCount ends the book.
int choiceTarget(int choice, int target, int page, int pageCount);

// Sets `reachable` on every page that page 1 leads to through shown choices
// (page 1 itself included), and clears it on the others.
void markReachable(PageMap& map);

// The map as a Graphviz digraph: a node per page labelled with its number
// and room name (unreachable pages dashed and grey), an edge per shown
// choice labelled with its label, and the choices that end the book led to
// one "end" node drawn as a double circle.
std::string pageMapDot(const PageMap& map);

// `text` with backslashes and double quotes escaped for a quoted DOT string.
std::string dotEscaped(const std::string& text);

#endif
