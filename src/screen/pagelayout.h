// Where the page screen draws each of its elements on the 640 x 480 logical
// screen, and where they collide. The page screen (gamepage) places its
// choices, title line, Menu button and illustration with these functions,
// and the checker asks pageCollisions about every page of a book with the
// same numbers, so that what the checker warns about is what the reader
// sees. Everything here is plain arithmetic on pixel widths: measuring a
// label in a font is the caller's part.
//
// Choice 1 stands against the right edge, choice 2 is centred on the
// screen and choice 3 stands against the left edge, all on one row; the
// title line is drawn from the top left corner, the Menu button at the top
// right, and the illustration from (10, 10), centred across the screen when
// it is narrower than its area.
#ifndef QUORVEL_PAGELAYOUT_H
#define QUORVEL_PAGELAYOUT_H

#include <vector>

// A rectangle on the logical screen; w or h 0 is nothing at all.
struct Box {
    int x = 0, y = 0, w = 0, h = 0;

    int right() const { return x + w; }
    int bottom() const { return y + h; }
    bool empty() const { return w <= 0 || h <= 0; }
};

// The part two boxes share (empty when they do not meet).
Box intersection(const Box& a, const Box& b);

// The illustration's area on the page. An illustration narrower than the
// area is centred across the screen; a wider one keeps the place of the one
// drawn before it. What lies past the area is not drawn.
const int ILLUSTRATION_AREA_X = 10;
const int ILLUSTRATION_AREA_Y = 10;
const int ILLUSTRATION_AREA_W = 620;
const int ILLUSTRATION_AREA_H = 340;

// The row of the choices. A choice is as wide as its label and
// CHOICE_PADDING more, and stands CHOICE_MARGIN from the screen's edge
// when it is drawn against one.
const int CHOICE_Y = 340;
const int CHOICE_H = 22;
const int CHOICE_PADDING = 10;
const int CHOICE_MARGIN = 10;

// Where the page's title line starts (its top left corner), and its colour
// as red, green, blue.
const int TITLE_X = 5;
const int TITLE_Y = 5;
const int TITLE_RGB[3] = {0, 0, 0};

// The Menu button.
const Box MENU_BOX = {560, 8, 72, 22};

// The page's text box, and how many lines of text `lineHeight` pixels high
// it shows at once: a longer text scrolls.
const Box TEXT_BOX = {10, 370, 620, 100};
int textBoxLines(int lineHeight);

// Where choice `choice` (1 to 3) stands when its label is `labelWidth`
// pixels wide.
Box choiceBox(int choice, int labelWidth);

// The x at which an illustration `width` pixels wide is drawn, when the
// one drawn before it stood at `previousX`.
int illustrationX(int width, int previousX);

// What of an illustration `width` x `height` is drawn, and where, when the
// one before it stood at `previousX`: cut to its area.
Box illustrationBox(int width, int height, int previousX);

// The title line of a page: `width` x `height` pixels of text (0 wide when
// the page has none).
Box titleBox(int width, int height);

// What a page holds, in pixels, for working out its collisions.
struct PageShape {
    int labelWidth[3] = {-1, -1, -1}; // choices 1 to 3; below 0 when hidden
    int titleWidth = 0;               // 0 when the page has no title line
    int titleHeight = 0;
    int pictureWidth = 0;             // 0 when the page has no illustration
    int pictureHeight = 0;
    int pictureX = ILLUSTRATION_AREA_X; // where the illustration before it stood
};

enum class CollisionKind {
    ChoicesOverlap,   // `choice` is drawn over `other` for `pixels` columns
    ChoicePastEdge,   // `choice` runs `pixels` past the screen's edge
    PictureOverTitle, // the illustration covers `pixels` columns of the title
    PictureOverMenu,  // the illustration covers `pixels` columns of Menu
};

struct Collision {
    CollisionKind kind;
    int choice = 0; // 1 to 3, for the two kinds about choices
    int other = 0;  // 1 to 3, for ChoicesOverlap
    int pixels = 0;
};

// Every collision on a page shaped as `shape`, choices first (choice 3 with
// 2, 2 with 1, 3 with 1, then each past the edge), then the illustration.
std::vector<Collision> pageCollisions(const PageShape& shape);

#endif
