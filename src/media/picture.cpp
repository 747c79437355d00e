#include "media/picture.h"

#include "files/bookfile.h"
#include "media/quietdecoders.h"

#include <loadpng.h>
#include <png.h>

#include <cctype>
#include <cstdint>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <optional>
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

// The problem of the picture at `path`.
Problem refusal(const char* path, ProblemKind kind, std::string phrase)
{
    return {kind, path, std::move(phrase)};
}

// A TGA file's header, and the kinds of TGA the library's decoder reads:
// colour-mapped (8-bit indexes into a map of up to 256 colours), true colour
// (15, 16, 24 or 32 bits) and grey (8 bits), each plain or run-length
// compressed. The decoder is trusted with nothing else: it copies a colour
// map of any length into a 256-entry table on its stack, and takes image
// types outside these by some of their bits.
const std::size_t TGA_HEADER_SIZE = 18;
const unsigned TGA_RUN_LENGTH = 8; // the image type's bit for compression
const unsigned TGA_MAX_MAP_ENTRIES = 256;

struct TgaLayout {
    unsigned idLength;
    unsigned mapType;     // 1: a colour map follows the id
    unsigned imageType;   // 1, 2, 3, or one of them with TGA_RUN_LENGTH
    unsigned mapEntries;
    unsigned mapEntryBits;
    unsigned bitsPerPixel;
};

TgaLayout tgaLayout(const unsigned char* bytes)
{
    return {bytes[0], bytes[1], bytes[2], littleEndian16(bytes + 5), bytes[7], bytes[16]};
}

// Bytes of one colour map entry as the library reads them: 0 for a size it
// does not know, whose map it then takes for pixels.
unsigned tgaMapEntryBytes(unsigned bits)
{
    return bits == 16 ? 2 : bits == 24 ? 3 : bits == 32 ? 4 : 0;
}

// Bytes of one pixel in the file.
unsigned tgaPixelBytes(const TgaLayout& tga)
{
    return tga.bitsPerPixel == 15 ? 2 : tga.bitsPerPixel / 8;
}

// What is wrong with the TGA at `path`, whose header is `bytes`, for the
// library's decoder; empty when it may have it.
std::optional<Problem> tgaKindProblem(const char* path, const unsigned char* bytes)
{
    const TgaLayout tga = tgaLayout(bytes);
    const unsigned kind = tga.imageType & ~TGA_RUN_LENGTH;
    bool known = false;
    switch (tga.imageType) {
    case 1:
    case 1 | TGA_RUN_LENGTH:
        known = tga.mapType == 1 && tga.bitsPerPixel == 8
                && tgaMapEntryBytes(tga.mapEntryBits) != 0;
        break;
    case 2:
    case 2 | TGA_RUN_LENGTH:
        known = tga.mapType == 0
                && (tga.bitsPerPixel == 15 || tga.bitsPerPixel == 16 || tga.bitsPerPixel == 24
                    || tga.bitsPerPixel == 32);
        break;
    case 3:
    case 3 | TGA_RUN_LENGTH:
        known = tga.mapType == 0 && tga.bitsPerPixel == 8;
        break;
    }
    if (!known)
        return refusal(path, ProblemKind::Unsupported, "is a kind of TGA the player does not read");
    if (kind == 1 && tga.mapEntries > TGA_MAX_MAP_ENTRIES)
        return refusal(path, ProblemKind::Unsupported,
                       "has a colour map of " + std::to_string(tga.mapEntries)
                           + " entries: the player reads at most "
                           + std::to_string(TGA_MAX_MAP_ENTRIES));
    return std::nullopt;
}

} // namespace

PictureHeader inspectPicture(const char* path)
{
    PictureHeader header;
    const BookFile file(path);
    if (!file.isOpen()) {
        header.problem = file.problem();
        return header;
    }
    const auto refuse = [&header, path](ProblemKind kind, std::string phrase) {
        header.problem = refusal(path, kind, std::move(phrase));
        return header;
    };
    unsigned char bytes[HEADER_SIZE];
    const std::size_t got = file.readAt(0, bytes, sizeof bytes);

    long long width = 0, height = 0;
    static const unsigned char pngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const std::string extension = extensionOf(path);
    if (got >= 8 && std::memcmp(bytes, pngSignature, 8) == 0) {
        header.format = PictureFormat::Png;
        if (got < 24)
            return refuse(ProblemKind::Damaged, DAMAGED_HEADER);
        // The first chunk, IHDR, starts with the width and height.
        width = bigEndian32(bytes + 16);
        height = bigEndian32(bytes + 20);
    } else if (extension == "bmp") {
        header.format = PictureFormat::Bmp;
        if (got < 26 || bytes[0] != 'B' || bytes[1] != 'M') {
            if (got >= 2 && bytes[0] == 'B' && bytes[1] == 'M')
                return refuse(ProblemKind::Damaged, DAMAGED_HEADER);
            return refuse(ProblemKind::Unsupported, UNKNOWN_FORMAT);
        }
        // The library reads every byte up to where the pixels start, one
        // call at a time, even past the end of the file: a start stated a
        // gigabyte on keeps it busy for half a minute.
        const std::uint32_t pixelsAt = littleEndian32(bytes + 10);
        if (pixelsAt > file.size())
            return refuse(ProblemKind::Damaged,
                          "cannot be decoded: its header is damaged (its pixels start at byte "
                              + std::to_string(pixelsAt) + ", past the end of the file)");
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
            if (compression == 1 || compression == 2)
                return refuse(ProblemKind::Unsupported,
                              "is a run-length compressed BMP, which the player does not read");
        } else {
            return refuse(ProblemKind::Unsupported, "is a kind of BMP the player does not read");
        }
    } else if (extension == "pcx") {
        header.format = PictureFormat::Pcx;
        if (got < 12)
            return refuse(ProblemKind::Damaged, DAMAGED_HEADER);
        width = static_cast<long long>(littleEndian16(bytes + 8)) - littleEndian16(bytes + 4) + 1;
        height = static_cast<long long>(littleEndian16(bytes + 10)) - littleEndian16(bytes + 6) + 1;
    } else if (extension == "tga") {
        header.format = PictureFormat::Tga;
        if (got < TGA_HEADER_SIZE)
            return refuse(ProblemKind::Damaged, DAMAGED_HEADER);
        header.problem = tgaKindProblem(path, bytes);
        if (header.problem)
            return header;
        width = littleEndian16(bytes + 12);
        height = littleEndian16(bytes + 14);
    } else {
        return refuse(ProblemKind::Unsupported, UNKNOWN_FORMAT);
    }
    if (width < 1 || height < 1)
        return refuse(ProblemKind::Damaged, "cannot be decoded: its header states no pixels ("
                                                + std::to_string(width) + " × "
                                                + std::to_string(height) + ")");
    if (width > MAX_PICTURE_SIDE || height > MAX_PICTURE_SIDE) {
        const std::string limit = std::to_string(MAX_PICTURE_SIDE);
        return refuse(ProblemKind::TooLarge, "is " + std::to_string(width) + " × "
                                                 + std::to_string(height) + ": larger than the "
                                                 + limit + " × " + limit + " the player shows");
    }
    header.width = static_cast<int>(width);
    header.height = static_cast<int>(height);
    return header;
}


namespace {

// Where the whole-data check of a PNG reads from, and what went wrong.
struct PngSource {
    const BookFile* file;
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

// Reads every row of the PNG in `file` (opened from `path`) into one row's
// buffer and on to its end chunk, the way the library's decoder will read
// it: empty when all of it is there and sound; else what broke. The text,
// colour profile and suggested palette chunks are passed over unread, and
// no chunk is inflated past PNG_CHUNK_BYTES (pngChunksProblem has bounded
// them already, for the library's decoder, whose settings are its own).
std::optional<Problem> pngDataProblem(const char* path, const BookFile& file)
{
    PngSource source{&file, 0, {}};
    // The largest row without transformations: four 16-bit channels.
    std::vector<png_byte> row(static_cast<std::size_t>(MAX_PICTURE_SIDE) * 8 + 1);
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, onPngError,
                                             onPngWarning);
    if (!png)
        return refusal(path, ProblemKind::NoMemory, "cannot be decoded: not enough memory");
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return refusal(path, ProblemKind::Damaged,
                       std::string("cannot be decoded: its data is damaged (")
                           + (source.error[0] ? source.error : "no memory") + ")");
    }
    png_set_read_fn(png, &source, readPngBytes);
    png_set_user_limits(png, MAX_PICTURE_SIDE, MAX_PICTURE_SIDE);
    static const png_byte passedOver[] = {'t', 'E', 'X', 't', '\0', 'z', 'T', 'X', 't', '\0',
                                          'i', 'T', 'X', 't', '\0', 'i', 'C', 'C', 'P', '\0',
                                          's', 'P', 'L', 'T', '\0'};
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, passedOver, 5);
    png_set_chunk_malloc_max(png, PNG_CHUNK_BYTES);
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
    return std::nullopt;
}

// Reads a file forward through a buffer of its own, a byte at a time.
class ForwardReader {
public:
    ForwardReader(const BookFile& file, long long at) : file_(file), at_(at), buffer_(65536) {}

    // The next byte, or -1 at the end of the file.
    int next()
    {
        if (pos_ == got_) {
            got_ = file_.readAt(at_, buffer_.data(), buffer_.size());
            at_ += static_cast<long long>(got_);
            pos_ = 0;
            if (got_ == 0)
                return -1;
        }
        return buffer_[pos_++];
    }

    // Steps over `count` bytes; false when the file ends before them.
    bool skip(long long count)
    {
        const long long buffered = static_cast<long long>(got_ - pos_);
        if (count <= buffered) {
            pos_ += static_cast<std::size_t>(count);
            return true;
        }
        at_ += count - buffered;
        pos_ = got_ = 0;
        return at_ <= file_.size();
    }

private:
    const BookFile& file_;
    long long at_;
    std::vector<unsigned char> buffer_;
    std::size_t pos_ = 0, got_ = 0;
};

// Walks the chunks of the PNG in `file` from chunk header to chunk header,
// reading none of their data: empty when its ancillary chunks (text, colour
// profiles, times and the like, which the player does not show) are few
// and small, as a picture's are; else what is wrong. The library's decoder
// inflates every compressed text chunk, twice over what it holds, and
// cannot be told not to: a picture of a few megabytes can hold gigabytes of
// text, so such a picture is refused before the decoder sees it.
std::optional<Problem> pngChunksProblem(const char* path, const BookFile& file)
{
    ForwardReader reader(file, 8); // past the signature, which the header look checked
    long long count = 0, bytes = 0, compressedBytes = 0;
    for (;;) {
        unsigned char head[8];
        for (unsigned char& byte : head) {
            const int next = reader.next();
            if (next < 0)
                return std::nullopt; // cut short: the row read says so
            byte = static_cast<unsigned char>(next);
        }
        const long long length = static_cast<long long>(head[0]) << 24 | head[1] << 16 | head[2] << 8 | head[3];
        const bool ancillary = head[4] & 0x20;
        if (ancillary) {
            ++count;
            bytes += length;
            if (count > PNG_ANCILLARY_CHUNKS)
                return refusal(path, ProblemKind::TooLarge,
                               "cannot be loaded: it holds more than "
                                   + std::to_string(PNG_ANCILLARY_CHUNKS)
                                   + " chunks besides its picture (text, colour profiles and the "
                                     "like), which the player does not read");
            const bool compressed = std::memcmp(head + 4, "zTXt", 4) == 0
                                    || std::memcmp(head + 4, "iTXt", 4) == 0
                                    || std::memcmp(head + 4, "iCCP", 4) == 0;
            if (compressed)
                compressedBytes += length;
            if (compressedBytes > PNG_COMPRESSED_BYTES)
                return refusal(path, ProblemKind::TooLarge,
                               "cannot be loaded: it holds more than "
                                   + std::to_string(PNG_COMPRESSED_BYTES / 1024)
                                   + " KB of packed text or colour profiles, which the player "
                                     "does not read");
            if (bytes > PNG_ANCILLARY_BYTES)
                return refusal(path, ProblemKind::TooLarge,
                               "cannot be loaded: it holds more than "
                                   + std::to_string(PNG_ANCILLARY_BYTES / 1024)
                                   + " KB besides its picture (text, colour profiles and the "
                                     "like), which the player does not read");
        }
        if (std::memcmp(head + 4, "IEND", 4) == 0 || !reader.skip(length + 4))
            return std::nullopt;
    }
}

// Walks the packets of a run-length compressed TGA at `path` (whose header
// passed tgaKindProblem) the way the library's decoder reads them, row by
// row: empty when every row ends where a packet ends and the file holds
// every packet, or when the TGA is not compressed; else what is wrong. The
// decoder starts each row with a new packet and writes a packet whole: a run
// past the end of the last row, or the 128-pixel run it makes of the end of
// the file, lands beyond the bitmap.
std::optional<Problem> tgaRunsProblem(const char* path, const BookFile& file,
                                      const PictureHeader& header)
{
    unsigned char bytes[TGA_HEADER_SIZE];
    if (file.readAt(0, bytes, sizeof bytes) != sizeof bytes)
        return refusal(path, ProblemKind::Damaged, DAMAGED_HEADER);
    const TgaLayout tga = tgaLayout(bytes);
    if (!(tga.imageType & TGA_RUN_LENGTH))
        return std::nullopt; // plain rows are read whole, each into its own row
    const long long mapBytes = tga.mapType == 1 ? static_cast<long long>(tga.mapEntries)
                                                      * tgaMapEntryBytes(tga.mapEntryBits)
                                                : 0;
    const unsigned pixelBytes = tgaPixelBytes(tga);
    ForwardReader reader(file, static_cast<long long>(TGA_HEADER_SIZE) + tga.idLength + mapBytes);
    const char* const cutShort =
        "cannot be decoded: its data is damaged (the file ends before its picture does)";
    for (int row = 0; row < header.height; ++row) {
        for (int done = 0; done < header.width;) {
            const int packet = reader.next();
            if (packet < 0)
                return refusal(path, ProblemKind::Damaged, cutShort);
            const int pixels = (packet & 0x7F) + 1;
            if (done + pixels > header.width)
                return refusal(path, ProblemKind::Damaged,
                               "cannot be decoded: its data is damaged (a packet of pixels goes "
                               "past the end of row " + std::to_string(row + 1) + ")");
            // A run packet holds one pixel to repeat, a raw packet each of its pixels.
            const long long dataBytes =
                (packet & 0x80) ? pixelBytes : static_cast<long long>(pixels) * pixelBytes;
            if (!reader.skip(dataBytes))
                return refusal(path, ProblemKind::Damaged, cutShort);
            done += pixels;
        }
    }
    return std::nullopt;
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

Problem noRoomFor(const char* path, const PictureHeader& header)
{
    return refusal(path, ProblemKind::NoMemory,
                   "is " + std::to_string(header.width) + " × " + std::to_string(header.height)
                       + ": there is not enough memory to decode it");
}

} // namespace

Result<BITMAP*> decodeInspectedPicture(const char* path, const PictureHeader& header)
{
    if (header.problem)
        return {nullptr, header.problem};
    const BookFile file(path);
    if (!file.isOpen())
        return {nullptr, file.problem()};
    std::optional<Problem> problem;
    if (header.format == PictureFormat::Png) {
        problem = pngChunksProblem(path, file);
        if (!problem)
            problem = pngDataProblem(path, file);
    }
    else if (header.format == PictureFormat::Tga)
        problem = tgaRunsProblem(path, file, header);
    if (!problem && !roomFor(header))
        problem = noRoomFor(path, header);
    if (problem)
        return {nullptr, file.readProblem() ? file.readProblem() : problem};
    PACKFILE* packed = file.packfile();
    if (!packed)
        return {nullptr, refusal(path, ProblemKind::Unreadable, "cannot be loaded: it cannot be read")};

    // A picture's alpha channel is kept (a 32-bit bitmap in every colour
    // depth) so that it can be composed over what lies under it; by
    // default the library would drop it, leaving transparent parts
    // whatever colour they happen to hold.
    const int conversion = get_color_conversion();
    set_color_conversion(conversion & ~(COLORCONV_32A_TO_8 | COLORCONV_32A_TO_15
                                        | COLORCONV_32A_TO_16 | COLORCONV_32A_TO_24));
    PALETTE palette;
    BITMAP* picture = nullptr;
    switch (header.format) {
    case PictureFormat::Png: {
        const DecoderOutputHidden quiet; // loadpng's libpng prints its warnings
        picture = load_png_pf(packed, palette);
        break;
    }
    case PictureFormat::Bmp: picture = load_bmp_pf(packed, palette); break;
    case PictureFormat::Pcx: picture = load_pcx_pf(packed, palette); break;
    case PictureFormat::Tga: picture = load_tga_pf(packed, palette); break;
    }
    set_color_conversion(conversion);
    pack_fclose(packed);
    if (std::optional<Problem> cut = file.readProblem()) {
        // An archive's entry that broke off: what the decoder made of it is not the picture.
        if (picture)
            destroy_bitmap(picture);
        return {nullptr, cut};
    }
    if (picture)
        return {picture, std::nullopt};
    // A PNG's data was read whole above: only memory can fail it now.
    if (header.format == PictureFormat::Png)
        return {nullptr, noRoomFor(path, header)};
    return {nullptr, refusal(path, ProblemKind::Damaged, "cannot be decoded: its data is damaged")};
}

Result<BITMAP*> decodePicture(const char* path)
{
    return decodeInspectedPicture(path, inspectPicture(path));
}
