#include "screens.h"

#include <loadpng.h>

#include <cstdlib>

bool near(Rgb a, Rgb b, int tolerance)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance
           && std::abs(a.b - b.b) <= tolerance;
}

Reference::Reference(const std::string& path) : bmp(load_png(path.c_str(), nullptr)) {}

Reference::~Reference()
{
    if (bmp)
        destroy_bitmap(bmp);
}

Rgb Reference::at(int x, int y) const
{
    const int c = getpixel(bmp, x, y);
    const int depth = bitmap_color_depth(bmp);
    return {getr_depth(depth, c), getg_depth(depth, c), getb_depth(depth, c)};
}

bool shows(const Screenshot& shot, const Reference& picture, int x0, int y0, int x1, int y1,
           int dx, int dy)
{
    int matching = 0, compared = 0;
    for (int y = y0; y < y1; y += 10)
        for (int x = x0; x < x1; x += 10) {
            ++compared;
            matching += near(shot.at(x, y), picture.at(x - dx, y - dy));
        }
    return matching * 10 >= compared * 9;
}

int darkPixels(const Screenshot& shot, int x0, int y0, int x1, int y1, int limit)
{
    int dark = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const Rgb c = shot.at(x, y);
            dark += c.r < limit && c.g < limit && c.b < limit;
        }
    return dark;
}

bool isGrey225(Rgb c)
{
    return near(c, {225, 225, 225});
}

int focusPixels(const Screenshot& shot, int x0, int y0, int x1, int y1)
{
    int count = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            count += near(shot.at(x, y), FOCUS_FACE);
    return count;
}

bool showsTitle(const Screenshot& shot, const Reference& picture)
{
    const auto isButton = [&](int y) {
        const Rgb c = shot.at(236, y - 16); // inside the frame, clear of the label
        return (c.b > 200 && c.r < 40 && c.g < 60) || near(c, FOCUS_FACE);
    };
    return picture.loaded() && shows(shot, picture, 440, 100, 620, 300) && isButton(START_Y)
           && isButton(ABOUT_Y) && isButton(QUIT_Y) && darkPixels(shot, 160, 4, 480, 22) > 30;
}

bool showsShelf(const Screenshot& s)
{
    const auto isButton = [&](int x) {
        const Rgb c = s.at(x - 88, BUTTONS_Y - 16);
        return (c.b > 200 && c.r < 40 && c.g < 60) || near(c, FOCUS_FACE);
    };
    return near(s.at(5, 200), SHELF_PAPER)
           && near(s.at(LIST_RIGHT - 30, LIST_BOTTOM - 20), {255, 255, 255})
           && darkPixels(s, LIST_LEFT + 2, LIST_TOP + 2, LIST_RIGHT - 20, LIST_TOP + 14) > 10
           && isButton(READ_X) && isButton(OPEN_X) && isButton(QUIT_X);
}

bool showsKeyHelp(const Screenshot& s)
{
    int panel = 0;
    for (int y = 20; y < 460; y += 20)
        for (int x = 20; x < 620; x += 20)
            panel += near(s.at(x, y), {250, 246, 232});
    return panel > 500;
}

bool showsPage(const Screenshot& shot, const Reference& illustration, int pictureX)
{
    return illustration.loaded()
           && shows(shot, illustration, pictureX + 20, 30, pictureX + 200, 200, pictureX, 10)
           && isGrey225(shot.at(15, 466)) && isGrey225(shot.at(MENU_BUTTON_X - 30, 12))
           && darkPixels(shot, 5, 5, 200, 20) > 20;
}

bool boxCoversTheMiddle(const Screenshot& shot, const Screenshot& before)
{
    int changed = 0;
    for (int y = 200; y < 280; y += 4)
        for (int x = 240; x < 400; x += 4)
            changed += !near(shot.at(x, y), before.at(x, y));
    return changed > 400; // of 800 points
}

Screenshot logicalView(const Screenshot& shot, int x0, int y0, int scale)
{
    Screenshot view;
    if (x0 < 0 || y0 < 0 || shot.w < x0 + 640 * scale || shot.h < y0 + 480 * scale)
        return view;
    view.w = 640;
    view.h = 480;
    view.pixels.resize(640 * 480);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            view.pixels[static_cast<std::size_t>(y) * 640 + x] =
                shot.pixels[static_cast<std::size_t>(y0 + y * scale) * shot.w + x0 + x * scale];
    return view;
}
