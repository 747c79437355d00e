// Recognising the player's screens in screenshots of its window: the title
// menu, a page of a book, an alert box over either.
#ifndef QUORVEL_SCREENS_H
#define QUORVEL_SCREENS_H

#include "xplayer.h"

#include <allegro.h>

#include <string>

// Places on the title menu and on a page, in window pixels.
const int MENU_X = 324, START_Y = 156, FROM_FIRST_Y = 204, ABOUT_Y = 252, QUIT_Y = 324;
const int CHOICE_CLICK_Y = 351, FIRST_X = 620, MENU_BUTTON_X = 596, MENU_BUTTON_Y = 19;

// Colours within `tolerance` in every channel: a 16-bit screen rounds them
// to 5 or 6 bits.
bool near(Rgb a, Rgb b, int tolerance = 12);

// The light grey of the page's text box and buttons.
bool isGrey225(Rgb c);

// A picture file, to compare the screen with what should show.
class Reference {
public:
    // Loads the PNG at `path`; needs the library started with PNG registered.
    explicit Reference(const std::string& path);
    ~Reference();
    Reference(const Reference&) = delete;
    Reference& operator=(const Reference&) = delete;

    bool loaded() const { return bmp != nullptr; }
    int width() const { return bmp ? bmp->w : 0; }
    int height() const { return bmp ? bmp->h : 0; }
    Rgb at(int x, int y) const;

private:
    BITMAP* bmp;
};

// True when nearly all of a 10-pixel grid over the rectangle shows
// `picture` shifted by (dx, dy).
bool shows(const Screenshot& shot, const Reference& picture, int x0, int y0, int x1, int y1,
           int dx = 0, int dy = 0);

// Pixels in the rectangle darker than `limit` in every channel: drawn text.
int darkPixels(const Screenshot& shot, int x0, int y0, int x1, int y1, int limit = 60);

// The face of the button that has the keyboard focus.
const Rgb FOCUS_FACE = {255, 200, 40};

// Pixels in the rectangle of the focused button's face colour.
int focusPixels(const Screenshot& shot, int x0, int y0, int x1, int y1);

// The title menu over `picture`: the picture right of the buttons, the
// three buttons always shown (blue, or the focus colour) and a book line at
// the top.
bool showsTitle(const Screenshot& shot, const Reference& picture);

// The shelf, in logical pixels: its paper, its list and its three buttons.
const Rgb SHELF_PAPER = {236, 232, 222};
const int LIST_LEFT = 20, LIST_TOP = 40, LIST_RIGHT = 620, LIST_BOTTOM = 388;
const int READ_X = 112, OPEN_X = 320, QUIT_X = 528, BUTTONS_Y = 428;

// The shelf: its paper, its white list with a book's line at the top, and
// its three buttons (blue, or the focus colour).
bool showsShelf(const Screenshot& shot);

// The key help (F1): its light panel over most of the screen.
bool showsKeyHelp(const Screenshot& shot);

// A page with `illustration` placed at x `pictureX`, the grey text box and
// Menu button, and a room name at the top left.
bool showsPage(const Screenshot& shot, const Reference& illustration, int pictureX);

// An alert box stands over the middle of the screen: most of that part
// differs from `before`, the screen as it was without it.
bool boxCoversTheMiddle(const Screenshot& shot, const Screenshot& before);

// The 640 x 480 picture that `shot` shows with its top-left corner at
// (x, y), each logical pixel a `scale` x `scale` block: one pixel of each
// block. Empty when the picture does not fit in `shot`.
Screenshot logicalView(const Screenshot& shot, int x, int y, int scale);

#endif
