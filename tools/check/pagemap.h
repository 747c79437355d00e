// The map of a book: its pages and where each shown choice leads, by the
// page screen's own rule (pageAfterChoice), and that map written for Graphviz.
#ifndef QUORVEL_CHECK_PAGEMAP_H
#define QUORVEL_CHECK_PAGEMAP_H

#include "gamedata.h"

#include <string>
#include <vector>

// One choice of a page as the reader meets it.
struct MapChoice {
    bool shown = false;   // it has a label (a choice without one is hidden)
    std::string label;    // the label as the page holds it
    int targetPage = 0;   // the page it leads to, counted from 1; 0 ends the book
};

struct MapPage {
    int line = 0;                    // line of its page_start in the book file
    std::string roomName;            // "" when the page has none
    MapChoice choices[CHOICES_PER_PAGE];  // in the order but1, but2, but3
    bool reachable = false;          // set by markReachable
};

// The pages in book order: page n is entry n - 1.
using PageMap = std::vector<MapPage>;

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
