#include "picture.h"

#include "regularfile.h"

#include <loadpng.h>
#include <png.h>

#include <cctype>
#include <cstdint>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Bytes enough for the size fields of every format below, and a BMP's
// compression.
const std::size_t HEADER_SIZE = 34;

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

const char* const UNKNOWN_FORMAT = "is not a picture the player reads (PNG, BMP, PCX or TGA)";
const char* const DAMAGED_HEADER = "cannot be decoded: its header is cut short or damaged";

} // namespace

PictureHeader inspectPicture(const char* path)
{
    PictureHeader header;
    const RegularFile file(path);
    if (!file.isOpen()) {
        header.problem = fileKindProblem(file.kind());
        return header;
    }
    unsigned char bytes[HEADER_SIZE];
    const std::size_t got = file.readAt(0, bytes, sizeof bytes);

    long long width = 0, height = 0;
    static const unsigned char pngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const std::string extension = extensionOf(path);
    if (got >= 8 && std::memcmp(bytes, pngSignature, 8) == 0) {
        header.format = PictureFormat::Png;
        if (got < 24) {
            header.problem = DAMAGED_HEADER;
            return header;
        }
        // The first chunk, IHDR, starts with the width and height.
        width = bigEndian32(bytes + 16);
        height = bigEndian32(bytes + 20);
    } else if (extension == "bmp") {
        header.format = PictureFormat::Bmp;
        if (got < 26 || bytes[0] != 'B' || bytes[1] != 'M') {
            header.problem = got >= 2 && bytes[0] == 'B' && bytes[1] == 'M' ? DAMAGED_HEADER
                                                                           : UNKNOWN_FORMAT;
            return header;
        }
        const std::uint32_t infoSize = littleEndian32(bytes + 14);
        if (infoSize == 12) { // OS/2: 16-bit sides
            width = littleEndian16(bytes + 18);
            height = littleEndian16(bytes + 20);
        } else if (infoSize == 40) {
            // Windows: 32-bit sides, which the library reads unsigned (so a
            // top-down picture's negative height is a huge one to it).
            width = littleEndian32(bytes + 18);
            height = littleEndian32(bytes + 22);
            // The library's run-length decoders never stop at the end of a
            // file cut short: they read on for ever.
            const std::uint32_t compression = got >= 34 ? littleEndian32(bytes + 30) : 0;
            if (compression == 1 || compression == 2) {
                header.problem = "is a run-length compressed BMP, which the player does not read";
                return header;
            }
        } else {
            header.problem = "is a kind of BMP the player does not read";
            return header;
        }
    } else if (extension == "pcx") {
        header.format = PictureFormat::Pcx;
        if (got < 12) {
            header.problem = DAMAGED_HEADER;
            return header;
        }
        width = static_cast<long long>(littleEndian16(bytes + 8)) - littleEndian16(bytes + 4) + 1;
        height = static_cast<long long>(littleEndian16(bytes + 10)) - littleEndian16(bytes + 6) + 1;
    } else if (extension == "tga") {
        header.format = PictureFormat::Tga;
        if (got < 16) {
            header.problem = DAMAGED_HEADER;
            return header;
        }
        width = littleEndian16(bytes + 12);
        height = littleEndian16(bytes + 14);
    } else {
        header.problem = UNKNOWN_FORMAT;
        return header;
    }
    if (width < 1 || height < 1) {
        header.problem = "cannot be decoded: its header states no pixels ("
                         + std::to_string(width) + " × " + std::to_string(height) + ")";
        return header;
    }
    if (width > MAX_PICTURE_SIDE || height > MAX_PICTURE_SIDE) {
        const std::string limit = std::to_string(MAX_PICTURE_SIDE);
        header.problem = "is " + std::to_string(width) + " × " + std::to_string(height)
                         + ": larger than the " + limit + " × " + limit + " the player shows";
        return header;
    }
    header.width = static_cast<int>(width);
    header.height = static_cast<int>(height);
    header.ok = true;
    return header;
}


namespace {

// Where the whole-data check of a PNG reads from, and what went wrong.
struct PngSource {
    const RegularFile* file;
    long long at;
    char error[200];
};

void readPngBytes(png_structp png, png_bytep data, png_size_t length)
{
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (source->file->readAt(source->at, data, length) != length)
        png_error(png, "the file ends before its picture does");
    source->at += static_cast<long long>(length);
}

void onPngError(png_structp png, png_const_charp message)
{
    auto* source = static_cast<PngSource*>(png_get_error_ptr(png));
    std::snprintf(source->error, sizeof source->error, "%s", message);
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp)
{
}

// Reads every row of the PNG in `file` into one row's buffer and on to its
// end chunk, the way the library's decoder will read it: true when all of
// it is there and sound; else `problem` says what broke.
bool pngDataWhole(const RegularFile& file, std::string& problem)
{
    PngSource source{&file, 0, {}};
    // The largest row without transformations: four 16-bit channels.
    std::vector<png_byte> row(static_cast<std::size_t>(MAX_PICTURE_SIDE) * 8 + 1);
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, onPngError,
                                             onPngWarning);
    if (!png) {
        problem = "cannot be decoded: not enough memory";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        problem = std::string("cannot be decoded: its data is damaged (")
                  + (source.error[0] ? source.error : "no memory") + ")";
        return false;
    }
    png_set_read_fn(png, &source, readPngBytes);
    png_set_user_limits(png, MAX_PICTURE_SIDE, MAX_PICTURE_SIDE);
    png_read_info(png, info);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) > row.size())
        png_error(png, "rows longer than they can be");
    const png_uint_32 height = png_get_image_height(png, info);
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y)
            png_read_row(png, row.data(), nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

// Whether a bitmap of the picture's size can be had now. The library's
// decoders do not all look at what create_bitmap gives them.
bool roomFor(const PictureHeader& header)
{
    BITMAP* trial = create_bitmap_ex(32, header.width, header.height);
    if (!trial)
        return false;
    destroy_bitmap(trial);
    return true;
}

std::string noRoomFor(const PictureHeader& header)
{
    return "is " + std::to_string(header.width) + " × " + std::to_string(header.height)
           + ": there is not enough memory to decode it";
}

} // namespace

BITMAP* decodeInspectedPicture(const char* path, const PictureHeader& header,
                               std::string* problem)
{
    std::string why;
    BITMAP* picture = nullptr;
    const RegularFile file(path);
    if (!header.ok) {
        why = header.problem;
    } else if (!file.isOpen()) {
        why = fileKindProblem(file.kind());
    } else if (header.format == PictureFormat::Png && !pngDataWhole(file, why)) {
        // why is set
    } else if (!roomFor(header)) {
        why = noRoomFor(header);
    } else if (PACKFILE* packed = file.packfile()) {
        // A picture's alpha channel is kept (a 32-bit bitmap in every colour
        // depth) so that it can be composed over what lies under it; by
        // default the library would drop it, leaving transparent parts
        // whatever colour they happen to hold.
        const int conversion = get_color_conversion();
        set_color_conversion(conversion & ~(COLORCONV_32A_TO_8 | COLORCONV_32A_TO_15
                                            | COLORCONV_32A_TO_16 | COLORCONV_32A_TO_24));
        PALETTE palette;
        switch (header.format) {
        case PictureFormat::Png: picture = load_png_pf(packed, palette); break;
        case PictureFormat::Bmp: picture = load_bmp_pf(packed, palette); break;
        case PictureFormat::Pcx: picture = load_pcx_pf(packed, palette); break;
        case PictureFormat::Tga: picture = load_tga_pf(packed, palette); break;
        }
        set_color_conversion(conversion);
        pack_fclose(packed);
        // A PNG's data was read whole above: only memory can fail it now.
        if (!picture)
            why = header.format == PictureFormat::Png ? noRoomFor(header)
                                                      : "cannot be decoded: its data is damaged";
    } else {
        why = "cannot be loaded: it cannot be read";
    }
    if (!picture && problem)
        *problem = why;
    return picture;
}

BITMAP* decodePicture(const char* path, std::string& problem)
{
    return decodeInspectedPicture(path, inspectPicture(path), &problem);
}

BITMAP* decodePicture(const char* path)
{
    return decodeInspectedPicture(path, inspectPicture(path));
}
