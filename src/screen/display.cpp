// How the logical screen reaches the display.
//
// Knowing what to copy. The library writes every row of a bitmap through
// the bitmap's `write_bank` routine (the path it uses for banked video
// memory; its own X11 screen tracks dirty rows the same way), except that
// its sprite routines write rows of a memory bitmap directly. doubleBuffer
// gets a `write_bank` that notes the row it hands out, and a copy of the
// library's routine table whose sprite routines note their rows before
// drawing. So every drawing on doubleBuffer or a sub-bitmap of it marks the
// rows it touched, and presentChanges() copies just those. Reading the
// picture marks nothing.
//
// States: no mode -> window (scale s) <-> full screen (largest scale that
// fits the display). The colour depth chosen at start-up stays for the
// whole run, since every picture is converted to it when loaded; a switch
// that cannot be made returns to the mode before it.
#include "screen/display.h"

#include "input/readerinput.h"
#include "text/target.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>

BITMAP* doubleBuffer = nullptr;

namespace {

// What ends the program when no mode is left (whenDisplayLost).
void (*endWhenLost)() = nullptr;

// The colour depths a mode is tried in, most wanted first.
const int colorDepth[] = {16, 24, 15, 32};

// An automatic scale leaves the window at most this share of the desktop's
// height, for the panels and docks around it.
const int AUTO_MOST_HEIGHT_PERCENT = 90;

// Room for a window's frame as window managers commonly draw it: borders
// and a title bar.
const int FRAME_W = 16;
const int FRAME_H = 48;

int desktopW = LOGICAL_W, desktopH = LOGICAL_H;
Placement placement;
bool fullScreen = false;
int windowScale = 1; // the window's scale, kept while in full screen

// Rows of doubleBuffer drawn on since they were last copied to the display.
bool rowDrawn[LOGICAL_H];
bool anyRowDrawn = false;

void noteRows(const BITMAP* bmp, int y, int h)
{
    const int top = std::max(0, y + bmp->y_ofs);
    const int bottom = std::min(LOGICAL_H, y + bmp->y_ofs + h);
    for (int row = top; row < bottom; ++row)
        rowDrawn[row] = true;
    if (top < bottom)
        anyRowDrawn = true;
}

uintptr_t noteWrittenRow(BITMAP* bmp, int row)
{
    noteRows(bmp, row, 1);
    return reinterpret_cast<uintptr_t>(bmp->line[row]);
}

// The library's routines for bitmaps of doubleBuffer's depth, and the copy
// that doubleBuffer uses.
GFX_VTABLE* libraryVtable = nullptr;
GFX_VTABLE trackedVtable;

// A sprite routine of the library's table, noting the rows it draws on first.
template <void (*GFX_VTABLE::*routine)(BITMAP*, BITMAP*, int, int)>
void drawNotedSprite(BITMAP* bmp, BITMAP* sprite, int x, int y)
{
    noteRows(bmp, y, sprite->h);
    (libraryVtable->*routine)(bmp, sprite, x, y);
}

void drawLitSprite(BITMAP* bmp, BITMAP* sprite, int x, int y, int color)
{
    noteRows(bmp, y, sprite->h);
    libraryVtable->draw_lit_sprite(bmp, sprite, x, y, color);
}

void trackRows(BITMAP* bmp)
{
    libraryVtable = bmp->vtable;
    trackedVtable = *libraryVtable;
    trackedVtable.draw_sprite = drawNotedSprite<&GFX_VTABLE::draw_sprite>;
    trackedVtable.draw_256_sprite = drawNotedSprite<&GFX_VTABLE::draw_256_sprite>;
    trackedVtable.draw_sprite_v_flip = drawNotedSprite<&GFX_VTABLE::draw_sprite_v_flip>;
    trackedVtable.draw_sprite_h_flip = drawNotedSprite<&GFX_VTABLE::draw_sprite_h_flip>;
    trackedVtable.draw_sprite_vh_flip = drawNotedSprite<&GFX_VTABLE::draw_sprite_vh_flip>;
    trackedVtable.draw_trans_sprite = drawNotedSprite<&GFX_VTABLE::draw_trans_sprite>;
    trackedVtable.draw_lit_sprite = drawLitSprite;
    bmp->vtable = &trackedVtable;
    bmp->write_bank = reinterpret_cast<void*>(noteWrittenRow);
}

// Scaled rows are made in memory, a strip at a time, and blitted to the
// display: the library's stretch straight onto its X11 screen reached the
// window late (a held button showed pressed only after it was let go).
const int STRIP_ROWS = 16;
BITMAP* strip = nullptr; // LOGICAL_W x STRIP_ROWS logical pixels, scaled

// The picture shown over doubleBuffer's (showOverlay), owned here, and
// until when; `composed` is where logical rows under it are put together.
struct Overlay {
    BITMAP* picture = nullptr;
    int x = 0, y = 0;
    std::chrono::steady_clock::time_point until;
    BITMAP* composed = nullptr; // LOGICAL_W x STRIP_ROWS
};
Overlay overlay;

bool overlayCovers(int top, int rows)
{
    return overlay.picture && top < overlay.y + overlay.picture->h && overlay.y < top + rows;
}

// Logical rows [top, top + rows) to their place on the display, from
// `source` at row `sourceTop`.
void copyStrip(BITMAP* source, int sourceTop, int top, int rows)
{
    const int s = placement.scale;
    if (s == 1 || !strip) {
        stretch_blit(source, screen, 0, sourceTop, LOGICAL_W, rows, placement.x,
                     placement.y + top * s, LOGICAL_W * s, rows * s);
    } else {
        stretch_blit(source, strip, 0, sourceTop, LOGICAL_W, rows, 0, 0, LOGICAL_W * s, rows * s);
        blit(strip, screen, 0, 0, placement.x, placement.y + top * s, LOGICAL_W * s, rows * s);
    }
}

// Copies logical rows [y, y + h) to their place on the display, with the
// overlay over them where it lies.
void copyRows(int y, int h)
{
    const int s = placement.scale;
    scare_mouse_area(placement.x, placement.y + y * s, LOGICAL_W * s, h * s);
    if ((s == 1 || !strip) && !overlayCovers(y, h)) {
        copyStrip(doubleBuffer, y, y, h);
    } else {
        for (int top = y; top < y + h; top += STRIP_ROWS) {
            const int rows = std::min(STRIP_ROWS, y + h - top);
            if (overlayCovers(top, rows) && overlay.composed) {
                blit(doubleBuffer, overlay.composed, 0, top, 0, 0, LOGICAL_W, rows);
                blit(overlay.picture, overlay.composed, 0, 0, overlay.x, overlay.y - top,
                     overlay.picture->w, overlay.picture->h);
                copyStrip(overlay.composed, 0, top, rows);
            } else {
                copyStrip(doubleBuffer, top, top, rows);
            }
        }
    }
    unscare_mouse();
}

void placePicture(int scale)
{
    placement.scale = scale;
    placement.x = (SCREEN_W - LOGICAL_W * scale) / 2;
    placement.y = (SCREEN_H - LOGICAL_H * scale) / 2;
    if (strip)
        destroy_bitmap(strip);
    strip = scale > 1 ? create_bitmap(LOGICAL_W * scale, STRIP_ROWS * scale) : nullptr;
}

// At start-up any colour depth will do; later only the one the pictures
// were made in.
bool trySize(int card, int w, int h, bool anyDepth)
{
    return anyDepth ? setGfxMode(card, w, h) != 0 : set_gfx_mode(card, w, h, 0, 0) == 0;
}

bool openWindow(int scale, bool anyDepth)
{
    if (!trySize(GFX_AUTODETECT_WINDOWED, LOGICAL_W * scale, LOGICAL_H * scale, anyDepth))
        return false;
    fullScreen = false;
    windowScale = scale;
    placePicture(scale);
    return true;
}

// The display keeps its own resolution; only where that cannot be had is
// a 640 x 480 mode asked for.
bool openFullScreen(bool anyDepth)
{
    if (!trySize(GFX_AUTODETECT_FULLSCREEN, desktopW, desktopH, anyDepth)
        && !trySize(GFX_AUTODETECT_FULLSCREEN, LOGICAL_W, LOGICAL_H, anyDepth))
        return false;
    fullScreen = true;
    placePicture(fullScreenScaleFor(SCREEN_W, SCREEN_H));
    return true;
}

// Shows the picture whole on a display just set: black around it, the
// system's pointer over it.
void showOnNewMode()
{
    clear_to_color(screen, makecol(0, 0, 0));
    enable_hardware_cursor();
    select_mouse_cursor(MOUSE_CURSOR_ARROW);
    show_mouse(screen);
    presentAll();
}

// Sets the new mode, or failing that the one before; the picture survives
// either way, being a memory bitmap.
void switchMode(bool toFullScreen, int scale)
{
    const bool wasFullScreen = fullScreen;
    const int wasScale = windowScale;
    show_mouse(nullptr);
    bool set = toFullScreen ? openFullScreen(false) : openWindow(scale, false);
    if (!set)
        set = wasFullScreen ? openFullScreen(false) : openWindow(wasScale, false);
    if (!set) {
        if (endWhenLost)
            endWhenLost();
        std::abort();
    }
    showOnNewMode();
}

void changeWindowScale(int step)
{
    const int largest = windowScaleFor(MAX_SCALE, desktopW, desktopH);
    const int scale = std::clamp(windowScale + step, 1, largest);
    if (!fullScreen && scale != windowScale)
        switchMode(false, scale);
}

// The dialog manager's mouse, in logical pixels. The x hook is read at
// least once on every pass of every dialog loop, on the main thread (the
// button hook is also read from the library's timer thread), so the pass's
// display work is done there.
int (*libraryMouseX)() = nullptr;
int (*libraryMouseY)() = nullptr;

int logicalMouseX()
{
    serviceDisplay();
    return toLogical(libraryMouseX(), placement.x, placement.scale);
}

int logicalMouseY()
{
    return toLogical(libraryMouseY(), placement.y, placement.scale);
}

} // namespace

int setGfxMode(int card, int w, int h)
{
    for (int depth : colorDepth) {
        set_color_depth(depth);
        if (set_gfx_mode(card, w, h, 0, 0) >= 0)
            return 1;
    }
    return 0;
}

bool parseScale(const char* text, int& scale)
{
    static_assert(MAX_SCALE <= 9, "a scale is written as one digit");
    if (std::strcmp(text, "auto") == 0) {
        scale = SCALE_AUTO;
        return true;
    }
    // One digit: "01" is no scale.
    long long value = 0;
    if (std::strlen(text) != 1 || !readWholeNumber(text, 1, MAX_SCALE, value))
        return false;
    scale = static_cast<int>(value);
    return true;
}

int windowScaleFor(int wanted, int desktopWidth, int desktopHeight)
{
    const bool automatic = wanted == SCALE_AUTO;
    for (int s = automatic ? MAX_SCALE : std::min(wanted, MAX_SCALE); s > 1; --s) {
        const bool fits = LOGICAL_W * s + FRAME_W <= desktopWidth
                          && LOGICAL_H * s + FRAME_H <= desktopHeight;
        const bool roomLeft =
            !automatic || LOGICAL_H * s * 100 <= desktopHeight * AUTO_MOST_HEIGHT_PERCENT;
        if (fits && roomLeft)
            return s;
    }
    return 1;
}

int fullScreenScaleFor(int w, int h)
{
    return std::max(1, std::min(w / LOGICAL_W, h / LOGICAL_H));
}

int toLogical(int at, int origin, int scale)
{
    const int offset = at - origin;
    return offset >= 0 ? offset / scale : -((scale - 1 - offset) / scale);
}

bool setDisplayMode(bool windowed, int scale)
{
    // Asked before any mode is set: a full-screen mode may change it.
    if (get_desktop_resolution(&desktopW, &desktopH) != 0) {
        desktopW = LOGICAL_W;
        desktopH = LOGICAL_H;
    }
    if (!windowed)
        return openFullScreen(true);
    for (int s = windowScaleFor(scale, desktopW, desktopH); s >= 1; --s)
        if (openWindow(s, true))
            return true;
    return false;
}

bool createLogicalScreen()
{
    doubleBuffer = create_bitmap(LOGICAL_W, LOGICAL_H);
    if (!doubleBuffer)
        return false;
    trackRows(doubleBuffer);
    clear_to_color(doubleBuffer, makecol(0, 0, 0));
    gui_set_screen(doubleBuffer);
    libraryMouseX = gui_mouse_x;
    libraryMouseY = gui_mouse_y;
    gui_mouse_x = logicalMouseX;
    gui_mouse_y = logicalMouseY;
    countDisplayKeyTaps(true);
    showOnNewMode();
    return true;
}

void destroyLogicalScreen()
{
    if (!doubleBuffer)
        return;
    gui_set_screen(nullptr);
    countDisplayKeyTaps(false);
    if (libraryMouseX) {
        gui_mouse_x = libraryMouseX;
        gui_mouse_y = libraryMouseY;
    }
    clearOverlay();
    if (overlay.composed) {
        destroy_bitmap(overlay.composed);
        overlay.composed = nullptr;
    }
    destroy_bitmap(doubleBuffer);
    doubleBuffer = nullptr;
    if (strip) {
        destroy_bitmap(strip);
        strip = nullptr;
    }
}

// Has logical rows [y, y + h) copied again at the next presentChanges.
static void redrawRows(int y, int h)
{
    for (int row = std::max(0, y); row < std::min(LOGICAL_H, y + h); ++row) {
        rowDrawn[row] = true;
        anyRowDrawn = true;
    }
}

void showOverlay(BITMAP* picture, int x, int y, int milliseconds)
{
    clearOverlay();
    if (!picture)
        return;
    if (!overlay.composed && doubleBuffer)
        overlay.composed = create_bitmap(LOGICAL_W, STRIP_ROWS);
    overlay.picture = picture;
    overlay.x = x;
    overlay.y = y;
    overlay.until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    redrawRows(y, picture->h);
}

void clearOverlay()
{
    if (!overlay.picture)
        return;
    redrawRows(overlay.y, overlay.picture->h);
    destroy_bitmap(overlay.picture);
    overlay.picture = nullptr;
}

bool overlayShown()
{
    return overlay.picture != nullptr;
}

void presentChanges()
{
    if (overlay.picture && std::chrono::steady_clock::now() >= overlay.until)
        clearOverlay();
    if (!anyRowDrawn || !doubleBuffer || !screen)
        return;
    anyRowDrawn = false;
    for (int row = 0; row < LOGICAL_H;) {
        if (!rowDrawn[row]) {
            ++row;
            continue;
        }
        int end = row;
        while (end < LOGICAL_H && rowDrawn[end])
            rowDrawn[end++] = false;
        copyRows(row, end - row);
        row = end;
    }
}

void presentAll()
{
    std::fill(std::begin(rowDrawn), std::end(rowDrawn), true);
    anyRowDrawn = true;
    presentChanges();
}

static void (*passWatcher)() = nullptr;

void setPassWatcher(void (*watcher)())
{
    passWatcher = watcher;
}

void serviceDisplay()
{
    if (passWatcher)
        passWatcher();
    const DisplayKeys keys = readDisplayKeys();
    if (keys.switchFullScreen)
        switchMode(!fullScreen, windowScale);
    if (keys.larger)
        changeWindowScale(+1);
    if (keys.smaller)
        changeWindowScale(-1);
    presentChanges();
}

Placement currentPlacement()
{
    return placement;
}

bool isFullScreen()
{
    return fullScreen;
}

void whenDisplayLost(void (*end)())
{
    endWhenLost = end;
}
