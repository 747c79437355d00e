#include "datafile.h"

#include "text/fontformat.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace {

using namespace fontformat;

void put32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void put16(std::vector<std::uint8_t>& out, std::uint16_t value)
{
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}


// The FONT object's contents: size 0 (the multi-range format), the range
// count, then each range's flag, first and last code point and its cells.
std::vector<std::uint8_t> encodeFont(const std::vector<GlyphRange>& ranges)
{
    if (ranges.empty())
        throw std::invalid_argument("a font needs at least one character");
    if (ranges.size() > 0xFFFF)
        throw std::invalid_argument("too many character ranges for one font");
    std::size_t glyphs = 0;
    for (const GlyphRange& range : ranges)
        glyphs += range.glyphs.size();
    if (glyphs > static_cast<std::size_t>(MAX_FONT_GLYPHS))
        throw std::invalid_argument("more than " + std::to_string(MAX_FONT_GLYPHS) + " glyphs for one font");
    std::vector<std::uint8_t> out;
    put16(out, 0);
    put16(out, static_cast<std::uint16_t>(ranges.size()));
    for (const GlyphRange& range : ranges) {
        if (range.glyphs.empty())
            throw std::invalid_argument("empty character range");
        out.push_back(MONO_RANGE);
        put32(out, range.first);
        put32(out, range.first + static_cast<std::uint32_t>(range.glyphs.size()) - 1);
        for (const Glyph& glyph : range.glyphs) {
            if (glyph.width < 1 || glyph.width > MAX_GLYPH_WIDTH || glyph.height < 1
                || glyph.height > MAX_GLYPH_HEIGHT || glyph.height != ranges[0].glyphs[0].height)
                throw std::invalid_argument(
                    "a glyph of " + std::to_string(glyph.width) + " x " + std::to_string(glyph.height)
                    + " pixels: the player reads glyphs of 1 to " + std::to_string(MAX_GLYPH_WIDTH)
                    + " x 1 to " + std::to_string(MAX_GLYPH_HEIGHT) + ", all as high; a smaller pixel size makes them");
            if (glyph.bits.size() != static_cast<std::size_t>((glyph.width + 7) / 8 * glyph.height))
                throw std::invalid_argument("glyph bits do not match the cell size");
            put16(out, static_cast<std::uint16_t>(glyph.width));
            put16(out, static_cast<std::uint16_t>(glyph.height));
            out.insert(out.end(), glyph.bits.begin(), glyph.bits.end());
        }
    }
    return out;
}

} // namespace

std::vector<std::uint8_t> encodeFontDatafile(const std::string& name, const std::vector<GlyphRange>& ranges)
{
    const std::vector<std::uint8_t> font = encodeFont(ranges);
    std::vector<std::uint8_t> out;
    if (name.size() > static_cast<std::size_t>(MAX_FONT_NAME_BYTES))
        throw std::invalid_argument("a font name of more than " + std::to_string(MAX_FONT_NAME_BYTES) + " bytes");
    put32(out, PACKFILE_MAGIC);
    put32(out, DATAFILE_MAGIC);
    put32(out, 1);

    put32(out, PROPERTY);
    put32(out, NAME_PROPERTY);
    put32(out, static_cast<std::uint32_t>(name.size()));
    out.insert(out.end(), name.begin(), name.end());

    put32(out, FONT_OBJECT);
    put32(out, static_cast<std::uint32_t>(font.size())); // stored size
    put32(out, static_cast<std::uint32_t>(font.size())); // positive: not compressed
    out.insert(out.end(), font.begin(), font.end());
    if (static_cast<long long>(out.size()) > MAX_FONT_FILE_BYTES)
        throw std::invalid_argument("a font datafile of more than " + std::to_string(MAX_FONT_FILE_BYTES)
                                    + " bytes, which the player does not read");
    return out;
}

void writeFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        throw std::runtime_error("cannot create " + path + ": " + std::strerror(errno));
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int writeError = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        const int error = written ? errno : writeError;
        // A half-written font must not pass for a good one later, but only
        // an ordinary file is ours to delete (never a device such as /dev/full).
        std::error_code ignored;
        if (std::filesystem::is_regular_file(path, ignored))
            std::remove(path.c_str());
        throw std::runtime_error("cannot write " + path + ": " + std::strerror(error));
    }
}
