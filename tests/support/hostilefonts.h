// Font datafiles made to be hostile, and the pieces they are made of: the
// findings of a probe of the library's own datafile loader (copies of the
// shipped font cut short, objects stating gigabytes, nested files, names of
// a negative size, glyphs of no height, no width or wider than the page's
// text box) and more that the player's reader must refuse. Each comes with
// what the reader says of it. The tests of the reader, of the player's
// start-up and of quorvel-check use them.
#ifndef QUORVEL_HOSTILEFONTS_H
#define QUORVEL_HOSTILEFONTS_H

#include "text/problem.h"

#include <cstdint>
#include <string>
#include <vector>

// The font the player ships (quorvel-mkfont's output), as bytes.
std::string shippedFontBytes();

// A datafile's start: the uncompressed packfile mark, the datafile mark and
// `objects`.
std::string datafileStart(std::int32_t objects);
// A NAME property holding `name`, stating `statedLength` bytes.
std::string nameProperty(const std::string& name, std::int32_t statedLength);
// An object of `type` (four letters) holding `contents`, stating its size
// twice, as an uncompressed object does.
std::string datafileObject(const char* type, const std::string& contents);

struct GlyphSize {
    int width;
    int height;
};
// A range's bytes: its `kind` (1: single-colour), its first code point, its
// last (first + glyphs - 1), and a glyph of each size with its rows blank.
std::string glyphRange(std::uint32_t first, const std::vector<GlyphSize>& glyphs, std::uint8_t kind = 1);
// A FONT object's contents in ranges: the format's 0, the range count and
// the ranges.
std::string fontContents(const std::vector<std::string>& ranges);
// A whole font datafile of one FONT object named "T" holding `ranges`.
std::string fontDatafile(const std::vector<std::string>& ranges);

// A hostile font datafile and what the reader says of it.
struct HostileFont {
    const char* name;       // in test names
    std::string bytes;
    ProblemKind kind;
    std::string phrase;     // said of the file (a part of the phrase)
};

// Each finding and each other refusal, one case each.
std::vector<HostileFont> hostileFonts();

// The shipped font cut short at `cut` bytes (fewer than its size).
HostileFont cutFont(std::size_t cut);

// Cut points over the whole shipped font: every one of the first 64 bytes
// (the headers and the first glyphs), then every `step` bytes, and its last
// byte.
std::vector<std::size_t> cutPoints(std::size_t step);

#endif
