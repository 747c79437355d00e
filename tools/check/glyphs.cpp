#include "glyphs.h"

#include <algorithm>
#include <cstdio>

namespace {

bool hasGlyph(FONT* font, int codePoint)
{
    const int ranges = get_font_ranges(font);
    for (int i = 0; i < ranges; ++i) {
        // Both ends are characters of the range.
        if (codePoint >= get_font_range_begin(font, i) && codePoint <= get_font_range_end(font, i))
            return true;
    }
    return false;
}

bool isPrintable(int codePoint)
{
    if (codePoint < 0x20 || codePoint == 0x7F)
        return false;
    if (codePoint >= 0x80 && codePoint < 0xA0)
        return false;
    return codePoint <= 0x10FFFF;
}

} // namespace

std::vector<int> missingGlyphs(FONT* font, const std::string& text)
{
    std::vector<int> missing;
    std::size_t at = 0;
    while (at < text.size()) {
        const char* here = text.c_str() + at;
        const int codePoint = ugetc(here);
        // A broken sequence may claim more bytes than are left.
        const std::size_t width = static_cast<std::size_t>(uwidth(here));
        at += std::max<std::size_t>(1, std::min(width, text.size() - at));
        // A line break (between a text's paragraphs) is never drawn: the
        // text box starts a new line there.
        if (codePoint != '\n' && !hasGlyph(font, codePoint)
            && std::find(missing.begin(), missing.end(), codePoint) == missing.end())
            missing.push_back(codePoint);
    }
    return missing;
}

std::string describeCharacter(int codePoint)
{
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(codePoint));
    if (!isPrintable(codePoint))
        return code;
    char character[8] = {};
    usetc(character, codePoint);
    return "\"" + std::string(character) + "\" (" + code + ")";
}

std::string describeMissingGlyphs(FONT* font, const std::string& text)
{
    std::string list;
    for (int codePoint : missingGlyphs(font, text))
        list += (list.empty() ? "" : ", ") + describeCharacter(codePoint);
    return list;
}
