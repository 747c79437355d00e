#include "datafile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace {

// Packfile and datafile markers, as the library reads them.
const std::uint32_t uncompressedPackfileMagic = 0x736C682E; // "slh."
const std::uint32_t datafileMagic = 0x414C4C2E;             // "ALL."
const char propertyMagic[] = "prop";
const char nameProperty[] = "NAME";
const char fontType[] = "FONT";
const std::uint8_t monoRange = 1;

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

void putId(std::vector<std::uint8_t>& out, const char* id)
{
    out.insert(out.end(), id, id + 4);
}

// The FONT object's contents: size 0 (the multi-range format), the range
// count, then each range's flag, first and last code point and its cells.
std::vector<std::uint8_t> encodeFont(const std::vector<GlyphRange>& ranges)
{
    if (ranges.empty())
        throw std::invalid_argument("a font needs at least one character");
    if (ranges.size() > 0xFFFF)
        throw std::invalid_argument("too many character ranges for one font");
    std::vector<std::uint8_t> out;
    put16(out, 0);
    put16(out, static_cast<std::uint16_t>(ranges.size()));
    for (const GlyphRange& range : ranges) {
        if (range.glyphs.empty())
            throw std::invalid_argument("empty character range");
        out.push_back(monoRange);
        put32(out, range.first);
        put32(out, range.first + static_cast<std::uint32_t>(range.glyphs.size()) - 1);
        for (const Glyph& glyph : range.glyphs) {
            if (glyph.width < 1 || glyph.width > 0xFFFF || glyph.height < 1 || glyph.height > 0xFFFF)
                throw std::invalid_argument("glyph cell size out of range");
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
    put32(out, uncompressedPackfileMagic);
    put32(out, datafileMagic);
    put32(out, 1);

    putId(out, propertyMagic);
    putId(out, nameProperty);
    put32(out, static_cast<std::uint32_t>(name.size()));
    out.insert(out.end(), name.begin(), name.end());

    putId(out, fontType);
    put32(out, static_cast<std::uint32_t>(font.size())); // stored size
    put32(out, static_cast<std::uint32_t>(font.size())); // positive: not compressed
    out.insert(out.end(), font.begin(), font.end());
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
