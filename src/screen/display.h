// The logical screen and how it reaches the display.
//
// Every screen, alert and line of text is drawn at 640 x 480 into one
// off-screen picture, doubleBuffer; the dialog manager draws there too
// (gui_set_screen). This module shows that picture on the display at a
// whole-number scale, each logical pixel a square block so that the bitmap
// font stays crisp: in a window of 640 x 480 times the scale, or over the
// whole display, centred, with black around it. It maps the mouse back to
// logical pixels for the dialog manager, and carries out the display keys
// (input/readerinput.h) while the reader reads: F11 switches between window
// and full screen, Ctrl and + / Ctrl and - change the window's scale. The
// pointer is the system's own, at the system's size.
//
// Presenting: doubleBuffer notes every row that anything draws on (see
// display.cpp), and rows are copied to the display only once drawn on,
// once per pass of whichever dialog loop runs; an idle screen copies nothing.
#ifndef QUORVEL_DISPLAY_H
#define QUORVEL_DISPLAY_H

#include <allegro.h>

// The size every screen is laid out for, whatever the display.
const int LOGICAL_W = 640;
const int LOGICAL_H = 480;

// Window scales run from 1 to MAX_SCALE; SCALE_AUTO picks the largest that
// suits the desktop (windowScaleFor).
const int MAX_SCALE = 8;
const int SCALE_AUTO = 0;

// The logical screen, in the display's colour depth: from
// createLogicalScreen() to destroyLogicalScreen(). Screens draw here.
extern BITMAP* doubleBuffer;

// Reads a scale as the settings file and the command line give it: "auto"
// or a whole number from 1 to MAX_SCALE, with nothing around it. Returns false,
// leaving `scale` unchanged, for anything else.
bool parseScale(const char* text, int& scale);

// The window scale for a desktop of desktopW x desktopH: the largest scale
// up to `wanted` (1 to MAX_SCALE, or SCALE_AUTO for any) at which the window
// and its frame fit on the desktop; SCALE_AUTO also keeps the window within
// 90 % of the desktop's height. Never less than 1.
int windowScaleFor(int wanted, int desktopW, int desktopH);

// The largest scale at which the logical screen fits in w x h; at least 1.
int fullScreenScaleFor(int w, int h);

// Where the logical screen is on the display: its top-left corner in
// display pixels, and the side of one logical pixel.
struct Placement {
    int x = 0, y = 0;
    int scale = 1;
};

// The logical coordinate of display coordinate `at` along one axis, for a
// picture that starts at `origin`. Rounds down, so the black border before
// the picture maps below 0 and the border after it past the logical size.
int toLogical(int at, int origin, int scale);

// Tries colour depths 16, 24, 15, 32 for a w x h mode on `card`.
// Returns 1 on the first success, 0 when all four fail.
int setGfxMode(int card, int w, int h);

// Sets the graphics mode. A window: at windowScaleFor(scale, desktop), or
// the next smaller scale that can be set, down to 1. Full screen: the whole
// display at its own resolution, or else 640 x 480. Each size is tried in
// the colour depths 16, 24, 15, 32 (setGfxMode). Returns false when nothing
// could be set.
bool setDisplayMode(bool windowed, int scale);

// Creates doubleBuffer at 640 x 480 in the mode's colour depth, has the
// dialog manager draw on it and read the mouse through this module, has the
// display keys' taps counted as the keyboard reports them, and shows the
// system's pointer. Needs the mode set and the mouse installed.
// Returns false when the picture cannot be created.
bool createLogicalScreen();

// Hands the dialog manager back the screen and the library's mouse, and
// destroys doubleBuffer.
void destroyLogicalScreen();

// Copies the rows of doubleBuffer drawn on since the last copy to the
// display; first takes the overlay away when its time is up.
void presentChanges();

// Shows `picture` over the logical screen with its top-left corner at
// logical (x, y), scaled with it, for `milliseconds`: a passing notice that
// covers the screen without changing doubleBuffer, so that whatever the
// screens draw meanwhile shows again, whole, when it goes. Takes ownership of
// `picture` (null: nothing shown). Replaces an overlay shown before.
void showOverlay(BITMAP* picture, int x, int y, int milliseconds);

// Takes the overlay away now, if there is one.
void clearOverlay();

// True while an overlay is shown.
bool overlayShown();

// Copies the whole of doubleBuffer to the display.
void presentAll();

// One pass's display work: runs the pass watcher, answers the display
// keys, then presentChanges(). The dialog manager's mouse hook runs it on every pass
// of every dialog loop (the screens', alerts', a held button's), so screens
// need not call it.
void serviceDisplay();

// What ends the program when a switch between window and full screen fails
// and the mode before it cannot be set again either: nothing is left to draw
// on. The application shell gives it at start-up (init), so that the shell
// decides how that is told and with which exit status; `end` must not
// return. Until it is given, such a failure aborts the process.
void whenDisplayLost(void (*end)());

// Has serviceDisplay() call `watcher` first on every pass, for work that
// must go on whichever dialog loop runs (reading aloud's look at its
// service); null for none.
void setPassWatcher(void (*watcher)());

// Where the picture is now (scale 1 at 0, 0 before any mode is set).
Placement currentPlacement();

// True while the picture fills the display rather than a window.
bool isFullScreen();

#endif
