#include "picture.h"

#include <loadpng.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Bytes enough for the size fields of every format below.
const std::size_t HEADER_SIZE = 26;

std::uint32_t bigEndian32(const unsigned char* p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

std::uint32_t littleEndian32(const unsigned char* p)
{
    return std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
}

unsigned littleEndian16(const unsigned char* p)
{
    return unsigned(p[1]) << 8 | p[0];
}

bool sideSafe(long long side)
{
    return side >= 1 && side <= MAX_PICTURE_SIDE;
}

// The file's extension in lower case, without its dot; empty when it has none.
std::string extensionOf(const char* path)
{
    const char* dot = std::strrchr(path, '.');
    const char* slash = std::strrchr(path, '/');
    if (!dot || (slash && dot < slash))
        return "";
    std::string extension(dot + 1);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

enum class Format { Png, Other };

// Reads the header of the file at `path`: true when it is of a format the
// player reads and states a size the decoders can hold.
bool headerSafe(const char* path, Format& format)
{
    format = Format::Other;
    unsigned char header[HEADER_SIZE];
    FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    const std::size_t got = std::fread(header, 1, sizeof header, file);
    std::fclose(file);

    long long width = 0, height = 0;
    static const unsigned char pngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const std::string extension = extensionOf(path);
    if (got >= 24 && std::memcmp(header, pngSignature, 8) == 0) {
        // The first chunk, IHDR, starts with the width and height.
        format = Format::Png;
        width = bigEndian32(header + 16);
        height = bigEndian32(header + 20);
    } else if (extension == "bmp") {
        if (got < 26 || header[0] != 'B' || header[1] != 'M')
            return false;
        const std::uint32_t infoSize = littleEndian32(header + 14);
        if (infoSize == 12) { // OS/2: 16-bit sides
            width = littleEndian16(header + 18);
            height = littleEndian16(header + 20);
        } else if (infoSize == 40) {
            // Windows: 32-bit sides, which the library reads unsigned (so a
            // top-down picture's negative height is a huge one to it).
            width = littleEndian32(header + 18);
            height = littleEndian32(header + 22);
        } else {
            return false;
        }
    } else if (extension == "pcx") {
        if (got < 12)
            return false;
        width = static_cast<long long>(littleEndian16(header + 8)) - littleEndian16(header + 4) + 1;
        height = static_cast<long long>(littleEndian16(header + 10)) - littleEndian16(header + 6) + 1;
    } else if (extension == "tga") {
        if (got < 16)
            return false;
        width = littleEndian16(header + 12);
        height = littleEndian16(header + 14);
    } else {
        return false;
    }
    return sideSafe(width) && sideSafe(height);
}

} // namespace

BITMAP* decodePicture(const char* path)
{
    Format format;
    if (!headerSafe(path, format))
        return nullptr;
    // A picture's alpha channel is kept (a 32-bit bitmap in every colour
    // depth) so that it can be composed over what lies under it; by default
    // the library would drop it, leaving transparent parts whatever colour
    // they happen to hold.
    const int conversion = get_color_conversion();
    set_color_conversion(conversion & ~(COLORCONV_32A_TO_8 | COLORCONV_32A_TO_15
                                        | COLORCONV_32A_TO_16 | COLORCONV_32A_TO_24));
    BITMAP* picture;
    if (format == Format::Png) {
        PALETTE palette;
        picture = load_png(path, palette);
    } else {
        // The library picks its decoder by the extension, as headerSafe read it.
        picture = load_bitmap(path, nullptr);
    }
    set_color_conversion(conversion);
    return picture;
}
