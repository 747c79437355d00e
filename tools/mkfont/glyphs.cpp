#include "glyphs.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>
#include <algorithm>
#include <stdexcept>

namespace {

std::string codePointName(std::uint32_t codePoint)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(codePoint));
    return buffer;
}

// Owns the FreeType library handle and one face, released in reverse order.
class FontFace {
public:
    FontFace(const std::string& path, int pixelSize)
    {
        if (FT_Init_FreeType(&library_) != 0)
            throw std::runtime_error("cannot start FreeType");
        if (FT_New_Face(library_, path.c_str(), 0, &face_) != 0) {
            FT_Done_FreeType(library_);
            throw std::runtime_error("cannot open font file " + path);
        }
        if (!FT_IS_SCALABLE(face_) || FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(pixelSize)) != 0) {
            release();
            throw std::runtime_error("cannot scale font file " + path + " to " + std::to_string(pixelSize) + " pixels");
        }
    }
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;
    ~FontFace() { release(); }

    FT_Face face() const { return face_; }

private:
    void release()
    {
        FT_Done_Face(face_);
        FT_Done_FreeType(library_);
    }

    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
};

// Copies FreeType's monochrome bitmap into a cell, `left` pixels from the
// cell's left edge and `top` rows below its top edge, cutting what falls
// outside.
void placeBitmap(const FT_Bitmap& bitmap, int left, int top, Glyph& cell)
{
    const int cellPitch = (cell.width + 7) / 8;
    for (int row = 0; row < static_cast<int>(bitmap.rows); ++row) {
        const int y = top + row;
        if (y < 0 || y >= cell.height)
            continue;
        const unsigned char* source = bitmap.buffer + row * bitmap.pitch;
        for (int column = 0; column < static_cast<int>(bitmap.width); ++column) {
            const int x = left + column;
            if (x < 0 || x >= cell.width || !(source[column / 8] & (0x80 >> (column % 8))))
                continue;
            cell.bits[y * cellPitch + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
    }
}

Glyph renderOne(FT_Face face, FT_UInt index, std::uint32_t codePoint, int ascent, int height)
{
    if (FT_Load_Glyph(face, index, FT_LOAD_TARGET_MONO) != 0 ||
        FT_Render_Glyph(face->glyph, FT_RENDER_MODE_MONO) != 0)
        throw std::runtime_error("FreeType cannot render " + codePointName(codePoint));
    const FT_GlyphSlot slot = face->glyph;
    if (slot->bitmap.pixel_mode != FT_PIXEL_MODE_MONO && slot->bitmap.rows > 0)
        throw std::runtime_error("FreeType gave no monochrome bitmap for " + codePointName(codePoint));

    Glyph cell;
    cell.width = std::max(1, static_cast<int>((slot->advance.x + 32) >> 6));
    cell.height = height;
    cell.bits.assign(static_cast<std::size_t>((cell.width + 7) / 8 * height), 0);
    placeBitmap(slot->bitmap, slot->bitmap_left, ascent - slot->bitmap_top, cell);
    return cell;
}

} // namespace

std::vector<GlyphRange> renderGlyphs(const std::string& fontPath, int pixelSize,
                                     const std::vector<CodeRange>& ranges,
                                     const MissingGlyphReport& reportMissing)
{
    const FontFace font(fontPath, pixelSize);
    const FT_Face face = font.face();
    // The face's ascender and descender scaled to this size, each rounded
    // to the nearest pixel. FreeType's own size metrics round outwards,
    // which makes lines a pixel taller than the face asks for (17 instead
    // of 16 for DejaVu Sans at 14).
    const FT_Fixed scale = face->size->metrics.y_scale;
    const int ascent = static_cast<int>((FT_MulFix(face->ascender, scale) + 32) >> 6);
    const int descent = static_cast<int>((FT_MulFix(-face->descender, scale) + 32) >> 6);
    const int height = std::max(1, ascent + descent);

    std::vector<GlyphRange> result;
    for (const CodeRange& range : ranges) {
        GlyphRange current;
        for (std::uint64_t codePoint = range.first; codePoint <= range.last; ++codePoint) {
            const auto cp = static_cast<std::uint32_t>(codePoint);
            const FT_UInt index = FT_Get_Char_Index(face, cp);
            if (index == 0) {
                reportMissing(cp);
                if (!current.glyphs.empty())
                    result.push_back(std::move(current));
                current = GlyphRange();
                continue;
            }
            if (current.glyphs.empty())
                current.first = cp;
            current.glyphs.push_back(renderOne(face, index, cp, ascent, height));
        }
        if (!current.glyphs.empty())
            result.push_back(std::move(current));
    }
    return result;
}
