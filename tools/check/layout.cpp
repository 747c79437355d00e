// The page layout checks: see layout.h. Each page is placed as the page
// screen places it (screen/pagelayout.h); only the words are the checker's.
#include "layout.h"

#include "gamedata.h"
#include "init.h"
#include "screen/display.h"
#include "screen/pagelayout.h"
#include "text/buffers.h"
#include "text/problem.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <tuple>
#include <cstdio>
#include <string>

namespace {

// A colour channel's share of relative luminance, as WCAG 2 defines it.
double linearOf(int channel)
{
    const double c = channel / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// linearOf for each of the 256 channel values: a book's every title is
// measured over some thousand pixels, three channels each.
double linear(int channel)
{
    static const std::array<double, 256> table = [] {
        std::array<double, 256> values{};
        for (int c = 0; c < 256; ++c)
            values[c] = linearOf(c);
        return values;
    }();
    return table[std::clamp(channel, 0, 255)];
}

double luminance(const int rgb[3])
{
    return 0.2126 * linear(rgb[0]) + 0.7152 * linear(rgb[1]) + 0.0722 * linear(rgb[2]);
}

// The WCAG 2 contrast ratio of two relative luminances: 1 to 21.
double ratioOfLuminances(double a, double b)
{
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

// The colour of `picture` at (x, y) as red, green, blue; false outside it.
bool colourAt(BITMAP* picture, int x, int y, int rgb[3])
{
    if (!picture || x < 0 || y < 0 || x >= picture->w || y >= picture->h)
        return false;
    const int depth = bitmap_color_depth(picture);
    const int c = getpixel(picture, x, y);
    rgb[0] = getr_depth(depth, c);
    rgb[1] = getg_depth(depth, c);
    rgb[2] = getb_depth(depth, c);
    return true;
}

// The mean relative luminance of what the page draws in `box`: the
// illustration where it lies, else the background, else the black screen.
double meanLuminanceUnder(const Box& box, BITMAP* background, BITMAP* picture, const Box& pictureBox)
{
    double sum = 0;
    long count = 0;
    for (int y = std::max(0, box.y); y < std::min(LOGICAL_H, box.bottom()); ++y)
        for (int x = std::max(0, box.x); x < std::min(LOGICAL_W, box.right()); ++x) {
            int rgb[3] = {0, 0, 0};
            const bool onPicture = x >= pictureBox.x && x < pictureBox.right() && y >= pictureBox.y
                                   && y < pictureBox.bottom()
                                   && colourAt(picture, x - pictureBox.x, y - pictureBox.y, rgb);
            if (!onPicture)
                colourAt(background, x, y, rgb);
            sum += luminance(rgb);
            ++count;
        }
    return count ? sum / count : 0;
}

std::string labelKey(int choice)
{
    return "but" + std::to_string(choice) + "_text";
}

std::string ratio(double value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%.1f:1", value);
    return text;
}

} // namespace

int textBoxLineCount(const char* text, FONT* textFont)
{
    // The library's text box counts its lines in the global font when it
    // starts, without drawing.
    FONT* const kept = font;
    font = textFont;
    DIALOG box{};
    box.x = TEXT_BOX.x;
    box.y = TEXT_BOX.y;
    box.w = TEXT_BOX.w;
    box.h = TEXT_BOX.h;
    box.dp = const_cast<char*>(text);
    d_textbox_proc(MSG_START, &box, 0);
    font = kept;
    return box.d1;
}

double contrastOver(BITMAP* picture, int x, int y, int w, int h, const int rgb[3])
{
    const double under = meanLuminanceUnder(Box{x, y, w, h}, picture, nullptr, Box{});
    return ratioOfLuminances(under, luminance(rgb));
}

std::string contrastText(double value)
{
    return ratio(value);
}


void LayoutFinder::see(const BookEvent& event)
{
    if (event.kind != BookEventKind::Entry || event.page < 0 || !event.row)
        return;
    Lines& lines = lines_[event.page];
    switch (event.row->id) {
    case BookKeyId::But1Text:
    case BookKeyId::But2Text:
    case BookKeyId::But3Text:
        lines.label[event.row->number - 1] = event.line;
        break;
    case BookKeyId::RoomName:
        lines.title = event.line;
        break;
    case BookKeyId::PicoName:
        lines.picture = event.line;
        break;
    case BookKeyId::TextMain:
        lines.text = event.line;
        break;
    default:
        break;
    }
}

std::vector<Finding> LayoutFinder::check(FONT* font, PageMap* map) const
{
    std::vector<Finding> found;
    // Pages share their pictures, and most titles are of a few widths: what
    // lies under a title is measured once for each of these.
    std::map<std::tuple<BITMAP*, BITMAP*, int>, double> luminanceUnder;
    const auto warn = [&](int line, const std::string& message) {
        found.push_back({line, Severity::Warning, message});
    };
    for (std::size_t i = 0; i < gamedataPages.size(); ++i) {
        const std::size_t before = found.size();
        const Gamedata& page = *gamedataPages[i];
        const auto known = lines_.find(static_cast<int>(i));
        const Lines lines = known == lines_.end() ? Lines{} : known->second;
        PageShape shape;
        for (int choice = 1; choice <= 3; ++choice)
            if (const char* label = page.getButText(choice))
                shape.labelWidth[choice - 1] = text_length(font, label);
        char title[DRAWN_LINE_SIZE] = "";
        if (page.roomName) {
            copyCut(title, sizeof title, page.roomName);
            shape.titleWidth = text_length(font, title);
            shape.titleHeight = text_height(font);
        }
        BITMAP* picture = page.getPico();
        if (picture) {
            shape.pictureWidth = picture->w;
            shape.pictureHeight = picture->h;
        }
        const std::string pictureName =
            "illustration " + quoted(page.picoPath ? bookRelative(page.picoPath) : std::string());
        for (const Collision& c : pageCollisions(shape)) {
            switch (c.kind) {
            case CollisionKind::ChoicesOverlap:
                warn(lines.label[c.choice - 1],
                     labelKey(c.choice) + " and " + labelKey(c.other) + " overlap by "
                         + counted(c.pixels, "pixel")
                         + ": the reader sees one choice drawn over the other (shorten a label)");
                break;
            case CollisionKind::ChoicePastEdge:
                warn(lines.label[c.choice - 1],
                     labelKey(c.choice) + " runs " + counted(c.pixels, "pixel")
                         + " past the screen's edge: the reader sees it cut (shorten the label)");
                break;
            case CollisionKind::PictureOverTitle:
                warn(lines.picture, pictureName + " runs " + counted(c.pixels, "pixel")
                                        + " into the title line: the reader sees the title drawn "
                                          "on the picture (a narrower picture keeps them apart)");
                break;
            case CollisionKind::PictureOverMenu:
                warn(lines.picture, pictureName + " runs " + counted(c.pixels, "pixel")
                                        + " under the Menu button: the reader sees the button on "
                                          "the picture (a narrower picture keeps them apart)");
                break;
            }
        }
        if (shape.titleWidth > 0) {
            const Box pictureBox = picture ? illustrationBox(picture->w, picture->h, ILLUSTRATION_AREA_X) : Box{};
            const auto key = std::make_tuple(page.getBackround(), picture, shape.titleWidth);
            auto measured = luminanceUnder.find(key);
            if (measured == luminanceUnder.end())
                measured = luminanceUnder.emplace(key, meanLuminanceUnder(
                                                           titleBox(shape.titleWidth, shape.titleHeight),
                                                           page.getBackround(), picture, pictureBox))
                               .first;
            const double under = measured->second;
            const double contrast = ratioOfLuminances(under, luminance(TITLE_RGB));
            if (contrast < LEAST_TITLE_CONTRAST)
                warn(lines.title, "room_name is drawn with a contrast of " + ratio(contrast)
                                      + " against what lies under it, less than "
                                      + ratio(LEAST_TITLE_CONTRAST)
                                      + ": the reader can hardly read the title (a lighter "
                                        "background behind it helps)");
        }
        if (map && i < map->size())
            (*map)[i].collisions = static_cast<int>(found.size() - before);
        if (page.getText() && *page.getText()) {
            const int count = textBoxLineCount(page.getText(), font);
            const int shown = textBoxLines(text_height(font));
            if (count > shown)
                found.push_back({lines.text, Severity::Note,
                                 "text_main takes " + std::to_string(count)
                                     + " lines, the text box shows " + std::to_string(shown)
                                     + ": the reader scrolls to read the rest"});
        }
    }
    return found;
}
