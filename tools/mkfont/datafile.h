// Writing a bitmap font as an uncompressed library datafile whose only
// object is the font.
#ifndef QUORVEL_MKFONT_DATAFILE_H
#define QUORVEL_MKFONT_DATAFILE_H

#include "glyphs.h"

#include <cstdint>
#include <string>
#include <vector>

// The datafile's bytes: the uncompressed packfile magic, the datafile magic,
// an object count of 1, then one FONT object carrying a NAME property with
// `name`, in the multi-range format with every range marked single-colour.
// All numbers are big-endian (text/fontformat.h). Throws
// std::invalid_argument when there is no range, a range is empty, a cell's
// bits do not match its size, or the font is past a limit the player's
// reader keeps to (text/fontformat.h: a cell's sides, cells of one height,
// the glyph count, the name's and the file's size).
std::vector<std::uint8_t> encodeFontDatafile(const std::string& name, const std::vector<GlyphRange>& ranges);

// Writes `bytes` to `path`, replacing the file. Throws std::runtime_error
// naming the file when it cannot be created or fully written; a regular
// file left half-written is deleted first.
void writeFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

#endif
