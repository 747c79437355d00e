// Reading the command-line values of the font maker: the pixel size and the
// list of code point ranges to put in the font.
#ifndef QUORVEL_MKFONT_RANGES_H
#define QUORVEL_MKFONT_RANGES_H

#include <cstdint>
#include <string>
#include <vector>

// An inclusive span of Unicode code points, first <= last.
struct CodeRange {
    std::uint32_t first;
    std::uint32_t last;
};

// Parses "0x20-0x7E,0xA0-0xFF,0x2026": a comma list of hexadecimal code
// points ("0x" prefix optional) or pairs joined by '-'. The order is kept.
// Throws std::invalid_argument naming the bad item when an item is empty or
// not hexadecimal, a range runs backwards, a code point is above 0x10FFFF,
// or two ranges share a code point.
std::vector<CodeRange> parseRanges(const std::string& text);

// Parses a decimal pixel size in 1..255. Throws std::invalid_argument
// otherwise.
int parsePixelSize(const std::string& text);

#endif
