// Rendering the glyphs of a TrueType font into single-colour cells through
// FreeType, grouped into the contiguous ranges that a bitmap font needs.
#ifndef QUORVEL_MKFONT_GLYPHS_H
#define QUORVEL_MKFONT_GLYPHS_H

#include "ranges.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// One character cell: `height` rows of (width + 7) / 8 bytes each, the
// leftmost pixel in the top bit of a row's first byte, set bits are ink.
struct Glyph {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bits;
};

// Glyphs for the consecutive code points first, first + 1, ...
struct GlyphRange {
    std::uint32_t first = 0;
    std::vector<Glyph> glyphs;
};

// Called once for each asked code point that the font has no glyph for.
using MissingGlyphReport = std::function<void(std::uint32_t codePoint)>;

// Renders every code point of `ranges` from the TrueType file `fontPath` at
// `pixelSize` (the FreeType pixel size), hinted and rendered in monochrome.
// All cells share one height, the face's ascender to descender at that
// size, with the glyph standing on a common baseline; a cell is as wide as
// the glyph's advance (at least 1 pixel). Ink outside the cell is cut off.
// A code point without a glyph is reported and left out, splitting its
// range in two. Ranges come back in the asked order, without empty ones.
// Throws std::runtime_error naming the file when it cannot be opened as a
// font, or naming the code point when FreeType fails on a glyph.
std::vector<GlyphRange> renderGlyphs(const std::string& fontPath, int pixelSize,
                                     const std::vector<CodeRange>& ranges,
                                     const MissingGlyphReport& reportMissing);

#endif
