// What a reader would see go wrong in the layout of each page: choices drawn
// over one another or past the screen's edge, an illustration that covers
// the title line or the Menu button, and a title line too close in colour to
// what lies under it to be read; and, as a note, a text that the reader
// scrolls to read whole. The elements are placed by the page
// screen's own rules (screen/pagelayout.h), measured in the player's font.
#ifndef QUORVEL_CHECK_LAYOUT_H
#define QUORVEL_CHECK_LAYOUT_H

#include "book/book.h"
#include "pagemap.h"
#include "report.h"

#include <allegro.h>

#include <map>
#include <string>
#include <vector>

// The ratio under which a line of text is reported as hard to read.
const double LEAST_TITLE_CONTRAST = 3.0;

// The WCAG 2 contrast ratio of text in `rgb` drawn over `picture` at (0, 0)
// in the box from (x, y), w x h: against the mean relative luminance of the
// picture's pixels there (black past its edges).
double contrastOver(BITMAP* picture, int x, int y, int w, int h, const int rgb[3]);

// "1.4:1".
std::string contrastText(double ratio);

// The lines the page's text box breaks `text` into in `font`, as the box
// measures them when it starts. Draws nothing.
int textBoxLineCount(const char* text, FONT* font);

// Watches the reader's events for the lines of each page's labels, title
// and illustration, then looks at the pages it kept.
class LayoutFinder {
public:
    void see(const BookEvent& event);

    // Looks at every page in gamedataPages (the pages of the reading whose
    // events were seen), measuring text in `font`, which must not be null.
    // Returns one finding per collision, on the line of the key to change,
    // and counts each page's in `map` (when not null, the map of the same
    // pages).
    std::vector<Finding> check(FONT* font, PageMap* map = nullptr) const;

private:
    struct Lines {
        int label[3] = {0, 0, 0}; // butN_text
        int title = 0;            // room_name
        int picture = 0;          // pico_name
        int text = 0;             // text_main
    };
    std::map<int, Lines> lines_; // page index -> the lines of its keys
};

#endif
