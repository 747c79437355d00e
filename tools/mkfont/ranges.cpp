#include "ranges.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace {

const std::uint32_t maxCodePoint = 0x10FFFF;

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// One hexadecimal code point, with or without "0x".
std::uint32_t parseCodePoint(const std::string& text, const std::string& item)
{
    std::string digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits.erase(0, 2);
    if (digits.empty() || digits.size() > 8 || !std::all_of(digits.begin(), digits.end(), isHexDigit))
        throw std::invalid_argument("'" + item + "' is not a hexadecimal code point or range");
    const unsigned long value = std::stoul(digits, nullptr, 16);
    if (value > maxCodePoint)
        throw std::invalid_argument("'" + item + "' is above the last Unicode code point 0x10FFFF");
    return static_cast<std::uint32_t>(value);
}

std::string hex(std::uint32_t value)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%X", static_cast<unsigned>(value));
    return buffer;
}

} // namespace

std::vector<CodeRange> parseRanges(const std::string& text)
{
    std::vector<CodeRange> ranges;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (item.empty())
            throw std::invalid_argument("empty item in the range list '" + text + "'");

        CodeRange range;
        const std::size_t dash = item.find('-');
        if (dash == std::string::npos) {
            range.first = range.last = parseCodePoint(item, item);
        } else {
            range.first = parseCodePoint(item.substr(0, dash), item);
            range.last = parseCodePoint(item.substr(dash + 1), item);
            if (range.last < range.first)
                throw std::invalid_argument("range '" + item + "' runs backwards");
        }
        for (const CodeRange& other : ranges)
            if (range.first <= other.last && other.first <= range.last)
                throw std::invalid_argument("range '" + item + "' overlaps " + hex(other.first) + "-" + hex(other.last));
        ranges.push_back(range);

        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return ranges;
}

int parsePixelSize(const std::string& text)
{
    if (text.empty() || text.size() > 3 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        throw std::invalid_argument("pixel size '" + text + "' is not a whole number");
    const int size = std::stoi(text);
    if (size < 1 || size > 255)
        throw std::invalid_argument("pixel size " + text + " is outside 1..255");
    return size;
}
