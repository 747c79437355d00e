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
    bool toNoPage = false; // it ends the book through a target that names no page,
                           // not as a book is meant to end (see endsAsMeant)
};

struct MapPage {
    int line = 0;                    // line of its page_start in the book file
    std::string name;                // its page_start value, "" when it has none
    std::string roomName;            // "" when the page has none
    MapChoice choices[CHOICES_PER_PAGE];  // in the order but1, but2, but3
    bool reachable = false;          // set by markReachable
    int collisions = 0;              // what the layout check found collide on it
};

// The pages in book order: page n is entry n - 1.
using PageMap = std::vector<MapPage>;

// True when choice `choice` (1 to 3), whose target is `target`, ends the
// book as a book is meant to end when it ends it at all: the first choice's
// way on to the next page, from the last page. Any other choice that ends
// the book names a page there is not.
bool endsAsMeant(int choice, int target);

// Sets `reachable` on every page that page 1 leads to through shown choices
// (page 1 itself included), and clears it on the others.
void markReachable(PageMap& map);

// The map as a Graphviz digraph: a node per page labelled with its number,
// name and room name (unreachable pages dashed and grey, pages with
// collisions outlined in orange with their count), an edge per shown
// choice labelled with its label, the choices that end the book as meant
// led to one "end" node drawn as a double circle, and those whose target
// names no page led, dashed and red, to a red "no such page" node.
std::string pageMapDot(const PageMap& map);

// `text` with backslashes and double quotes escaped for a quoted DOT string.
std::string dotEscaped(const std::string& text);

#endif
