#include "screen/notice.h"

#include "screen/display.h"

#include <allegro.h>

#include <algorithm>

namespace {

const int PADDING_X = 10;
const int PADDING_Y = 6;
// The box's foot stands this far above the screen's.
const int FOOT = 16;

} // namespace

void showNotice(const std::string& text)
{
    if (!doubleBuffer)
        return;
    const int w = std::min(LOGICAL_W, text_length(font, text.c_str()) + 2 * PADDING_X);
    const int h = text_height(font) + 2 * PADDING_Y;
    BITMAP* box = create_bitmap_ex(bitmap_color_depth(doubleBuffer), w, h);
    if (!box)
        return;
    const int ink = makecol_depth(bitmap_color_depth(box), 255, 255, 255);
    clear_to_color(box, makecol_depth(bitmap_color_depth(box), 40, 40, 48));
    rect(box, 0, 0, w - 1, h - 1, ink);
    textout_centre_ex(box, font, text.c_str(), w / 2, PADDING_Y, ink, -1);
    showOverlay(box, (LOGICAL_W - w) / 2, LOGICAL_H - FOOT - h, NOTICE_MS);
}
