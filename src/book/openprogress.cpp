#include "book/openprogress.h"

#include "screen/dialogpass.h"
#include "screen/display.h"

#include <allegro.h>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

const int BAR_W = 400;
const int BAR_H = 16;

bool shown = false;

// The bar in the page's light grey.
int barColour()
{
    return makecol(225, 225, 225);
}

// The bar is drawn on the picture the dialog manager draws on, and shown at
// once: no dialog runs while a book opens.
const int BAR_X = (LOGICAL_W - BAR_W) / 2, BAR_Y = (LOGICAL_H - BAR_H) / 2;

// The empty bar with its frame, on a cleared screen.
void drawFrame()
{
    openScreen();
    rect(gui_get_screen(), BAR_X - 2, BAR_Y - 2, BAR_X + BAR_W + 1, BAR_Y + BAR_H + 1,
         barColour());
    presentChanges();
}

void drawFill(int from, int to)
{
    rectfill(gui_get_screen(), BAR_X + from, BAR_Y, BAR_X + to - 1, BAR_Y + BAR_H - 1,
             barColour());
    presentChanges();
}

} // namespace

BookProgress openingProgress()
{
    shown = false;
    const Clock::time_point start = Clock::now();
    int filled = 0;
    return [start, filled](long long done, long long total) mutable {
        if (closeRequested)
            return false;
        if (!shown) {
            if (std::chrono::duration<double>(Clock::now() - start).count() < PROGRESS_AFTER_SECONDS)
                return true;
            drawFrame();
            shown = true;
        }
        const int width = total > 0 ? static_cast<int>(BAR_W * done / total) : 0;
        if (width > filled) {
            drawFill(filled, width);
            filled = width;
        }
        return true;
    };
}

bool openingProgressShown()
{
    return shown;
}
