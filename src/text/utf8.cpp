#include "text/utf8.h"

#include <algorithm>

std::size_t utf8SequenceLength(std::string_view text)
{
    if (text.empty())
        return 0;
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0; // no overlong forms
        else if (lead == 0xED)
            high = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F; // nothing past U+10FFFF
    } else {
        return 0; // a continuation byte, C0, C1 or F5 to FF
    }
    if (text.size() < length || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (!isUtf8Continuation(text[i]))
            return 0;
    return length;
}

std::string escapeControls(std::string_view text)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == 0xC2 && i + 1 < text.size()) {
            const unsigned char next = static_cast<unsigned char>(text[i + 1]);
            if (next >= 0x80 && next <= 0x9F) {
                shown += "\\u00";
                shown += digits[next >> 4];
                shown += digits[next & 15];
                ++i;
                continue;
            }
        }
        if (c >= 0x20 && c != 0x7F) {
            shown += static_cast<char>(c);
            continue;
        }
        switch (c) {
        case '\n': shown += "\\n"; break;
        case '\r': shown += "\\r"; break;
        case '\t': shown += "\\t"; break;
        case 0x1B: shown += "\\e"; break;
        default:
            shown += "\\x";
            shown += digits[c >> 4];
            shown += digits[c & 15];
        }
    }
    return shown;
}

bool isValidUtf8(std::string_view text)
{
    while (!text.empty()) {
        const std::size_t length = utf8SequenceLength(text);
        if (length == 0)
            return false;
        text.remove_prefix(length);
    }
    return true;
}

bool looksLikeUtf16(std::string_view head)
{
    if (head.size() >= 2) {
        const unsigned char first = static_cast<unsigned char>(head[0]);
        const unsigned char second = static_cast<unsigned char>(head[1]);
        if ((first == 0xFF && second == 0xFE) || (first == 0xFE && second == 0xFF))
            return true;
    }
    // Without a mark: in at least 8 pairs of bytes, one of each pair's two
    // places (the same one throughout) is NUL in at least 3 pairs of 4.
    const std::size_t pairs = head.size() / 2;
    if (pairs < 8)
        return false;
    std::size_t nulFirst = 0, nulSecond = 0;
    for (std::size_t i = 0; i < pairs; ++i) {
        nulFirst += head[2 * i] == '\0';
        nulSecond += head[2 * i + 1] == '\0';
    }
    const std::size_t most = std::max(nulFirst, nulSecond);
    const std::size_t least = std::min(nulFirst, nulSecond);
    return most * 4 >= pairs * 3 && least * 8 <= pairs;
}

std::string replaceInvalidUtf8(std::string_view text)
{
    std::string valid;
    valid.reserve(text.size());
    while (!text.empty()) {
        const std::size_t length = utf8SequenceLength(text);
        if (length == 0) {
            valid.push_back(UTF8_REPLACEMENT);
            text.remove_prefix(1);
        } else {
            valid.append(text.substr(0, length));
            text.remove_prefix(length);
        }
    }
    return valid;
}
