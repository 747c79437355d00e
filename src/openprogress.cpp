#include "openprogress.h"

#include "init.h"

#include <allegro.h>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

const int BAR_W = 400;
const int BAR_H = 16;

bool shown = false;

// The empty bar with its frame, on a cleared screen.
void drawFrame()
{
    openScreen();
    const int x = (SCREEN_W - BAR_W) / 2, y = (SCREEN_H - BAR_H) / 2;
    scare_mouse();
    rect(screen, x - 2, y - 2, x + BAR_W + 1, y + BAR_H + 1, makecol(225, 225, 225));
    unscare_mouse();
}

void drawFill(int from, int to)
{
    const int x = (SCREEN_W - BAR_W) / 2, y = (SCREEN_H - BAR_H) / 2;
    scare_mouse();
    rectfill(screen, x + from, y, x + to - 1, y + BAR_H - 1, makecol(225, 225, 225));
    unscare_mouse();
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
