// FreeType glyph rendering into coverage masks.
#include "lettering.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <fstream>

namespace {

// Owns the FreeType library handle and one face.
class FontFace {
public:
    FontFace() = default;
    ~FontFace()
    {
        if (face_)
            FT_Done_Face(face_);
        if (library_)
            FT_Done_FreeType(library_);
    }
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    bool open(const std::string& file, std::string& error)
    {
        if (FT_Init_FreeType(&library_) != 0) {
            library_ = nullptr;
            error = "cannot start FreeType";
            return false;
        }
        if (FT_New_Face(library_, file.c_str(), 0, &face_) != 0) {
            face_ = nullptr;
            error = "cannot open the font " + file;
            return false;
        }
        return true;
    }

    FT_Face face() const { return face_; }

private:
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
};

// Lays the glyphs out from pen position `penX`; when `mask` is null only
// measures. Returns the advance of the whole line in enlarged pixels (26.6 units
// converted), or a negative number on failure.
double layOut(FT_Face face, const std::string& text, double penX, double baseline, double tracking, Mask* mask,
              std::string& error)
{
    const bool kerning = FT_HAS_KERNING(face);
    FT_UInt previous = 0;
    const double start = penX;
    for (size_t i = 0; i < text.size(); ++i) {
        const FT_UInt glyph = FT_Get_Char_Index(face, static_cast<unsigned char>(text[i]));
        if (kerning && previous && glyph) {
            FT_Vector delta;
            FT_Get_Kerning(face, previous, glyph, FT_KERNING_DEFAULT, &delta);
            penX += delta.x / 64.0;
        }
        if (FT_Load_Glyph(face, glyph, FT_LOAD_RENDER) != 0) {
            error = std::string("cannot render the letter '") + text[i] + "'";
            return -1;
        }
        const FT_GlyphSlot slot = face->glyph;
        if (mask) {
            const FT_Bitmap& bitmap = slot->bitmap;
            const int left = static_cast<int>(std::lround(penX)) + slot->bitmap_left;
            const int top = static_cast<int>(std::lround(baseline)) - slot->bitmap_top;
            for (unsigned row = 0; row < bitmap.rows; ++row)
                for (unsigned col = 0; col < bitmap.width; ++col) {
                    const int x = left + static_cast<int>(col), y = top + static_cast<int>(row);
                    if (x < 0 || y < 0 || x >= mask->w || y >= mask->h)
                        continue;
                    float& a = mask->a[static_cast<size_t>(y) * mask->w + x];
                    a = std::max(a, bitmap.buffer[row * bitmap.pitch + col] / 255.0f);
                }
        }
        penX += slot->advance.x / 64.0;
        if (i + 1 < text.size())
            penX += tracking;
        previous = glyph;
    }
    return penX - start;
}

} // namespace

std::string findFont(const std::vector<std::string>& candidates)
{
    for (const std::string& file : candidates)
        if (std::ifstream(file).good())
            return file;
    return "";
}

bool renderText(const Canvas& c, const std::string& fontFile, const std::string& text, double pixelSize,
                double centreX, double baselineY, double tracking, Mask& mask, std::string& error)
{
    FontFace font;
    if (!font.open(fontFile, error))
        return false;
    const int k = c.scale();
    if (FT_Set_Pixel_Sizes(font.face(), 0, static_cast<FT_UInt>(std::lround(pixelSize * k))) != 0) {
        error = "the font " + fontFile + " has no size " + std::to_string(pixelSize);
        return false;
    }
    mask.w = c.w() * k;
    mask.h = c.h() * k;
    mask.a.assign(static_cast<size_t>(mask.w) * mask.h, 0.0f);
    const double width = layOut(font.face(), text, 0, 0, tracking * k, nullptr, error);
    if (width < 0)
        return false;
    return layOut(font.face(), text, centreX * k - width / 2, baselineY * k, tracking * k, &mask, error) >= 0;
}
