#include "encoding.h"

namespace {

bool isCyrillicLetter1251(unsigned char byte)
{
    return byte >= 0xC0 || byte == 0xA8 || byte == 0xB8; // А..я, Ё, ё
}

bool definedIn1251(unsigned char byte)
{
    return byte != 0x98;
}

bool definedIn1252(unsigned char byte)
{
    return byte != 0x81 && byte != 0x8D && byte != 0x8F && byte != 0x90 && byte != 0x9D;
}

} // namespace

LegacyEncoding guessLegacyEncoding(std::string_view bytes)
{
    std::size_t high = 0, inCyrillicWords = 0;
    bool all1251 = true, all1252 = true;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x80)
            continue;
        ++high;
        all1251 = all1251 && definedIn1251(byte);
        all1252 = all1252 && definedIn1252(byte);
        const bool before = i > 0 && isCyrillicLetter1251(static_cast<unsigned char>(bytes[i - 1]));
        const bool after = i + 1 < bytes.size()
                           && isCyrillicLetter1251(static_cast<unsigned char>(bytes[i + 1]));
        if (isCyrillicLetter1251(byte) && (before || after))
            ++inCyrillicWords;
    }
    if (high == 0)
        return LegacyEncoding::Unknown;
    if (all1251 && inCyrillicWords * 10 >= high * 6)
        return LegacyEncoding::Windows1251;
    if (all1252)
        return LegacyEncoding::Windows1252;
    return LegacyEncoding::Unknown;
}

std::string legacyEncodingName(LegacyEncoding encoding)
{
    switch (encoding) {
    case LegacyEncoding::Windows1251: return "Windows-1251 (Cyrillic)";
    case LegacyEncoding::Windows1252: return "Windows-1252 (Western European)";
    case LegacyEncoding::Unknown: return "";
    }
    return "";
}
