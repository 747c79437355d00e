// The font datafile as quorvel-mkfont writes it and the player reads it
// (text/fontfile.h): its marks and the limits a font keeps to. The writer
// refuses to make a font past a limit that the reader would refuse.
//
// The file, every number big-endian: the packfile's mark (not compressed),
// the datafile's mark, an object count of 1; a NAME property ("prop",
// "NAME", the name's length, its bytes); the FONT object ("FONT", its size
// twice: stored and, not compressed, the same), holding a 16-bit 0 (the
// format in ranges), the range count (16 bits), then each range: its kind
// (1, single-colour), its first and last code point (32 bits each), and for
// each code point a glyph: width and height (16 bits each) and its rows,
// (width + 7) / 8 bytes each, the leftmost pixel in the high bit.
#ifndef QUORVEL_FONTFORMAT_H
#define QUORVEL_FONTFORMAT_H

#include <cstddef>
#include <cstdint>

// Limits a font keeps to.
// A glyph is 1 to MAX_GLYPH_WIDTH pixels wide: the page's text box wraps a
// line before a character that does not fit it, and never ends on one that
// fits no line; eight spaces (a tab, as the box draws it) of this width
// still fit its 600-pixel line.
constexpr int MAX_GLYPH_WIDTH = 64;
// A glyph is 1 to MAX_GLYPH_HEIGHT pixels high, and all of a font's glyphs
// are as high (the font's line height): the page's text box, 92 pixels
// inside, still shows a whole line of it.
constexpr int MAX_GLYPH_HEIGHT = 64;
// Glyphs in one font: all of the Basic Multilingual Plane.
constexpr long MAX_FONT_GLYPHS = 65536;
// Bytes of a font datafile (the demo's is about 8 KB), checked before any
// is read.
constexpr long long MAX_FONT_FILE_BYTES = 4LL << 20;
// Bytes of the font's name (a datafile's NAME property).
constexpr long MAX_FONT_NAME_BYTES = 255;

// The datafile's marks, big-endian as the library reads them.
namespace fontformat {
constexpr std::uint32_t PACKFILE_MAGIC = 0x736C682E;            // "slh.": not compressed
constexpr std::uint32_t COMPRESSED_PACKFILE_MAGIC = 0x736C6821; // "slh!"
constexpr std::uint32_t DATAFILE_MAGIC = 0x414C4C2E;            // "ALL."
constexpr std::uint32_t PROPERTY = 0x70726F70;                  // "prop"
constexpr std::uint32_t NAME_PROPERTY = 0x4E414D45;             // "NAME"
constexpr std::uint32_t FONT_OBJECT = 0x464F4E54;               // "FONT"
constexpr std::uint8_t MONO_RANGE = 1;  // a range of single-colour glyphs
// Bytes of a glyph's header (its width and height, 16 bits each).
constexpr std::size_t GLYPH_HEADER_BYTES = 4;
} // namespace fontformat

#endif
