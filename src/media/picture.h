// Picture files in two steps: a cheap look at the header, which opens the
// file safely and applies the size limit without decoding anything, and the
// decoding after it. A caller may look at every picture at once and decode
// each later; a picture that passed the look can still fail to decode, and
// says why.
//
// The library's decoders make a bitmap of the size the header states before
// they read the data, so the size is checked first: a PNG of 32 KB may
// state 16384 x 16384 pixels, a gigabyte once decoded.
#ifndef QUORVEL_PICTURE_H
#define QUORVEL_PICTURE_H

#include "text/problem.h"

#include <allegro.h>

#include <optional>

// The longest side of a picture the player decodes, in pixels. A page is
// 640 x 480, and a picture a few times that is as large as one can be of
// use (a panorama that scrolls, a picture for a large screen); 4096 x 4096
// takes 64 MB decoded at 32 bits a pixel.
const int MAX_PICTURE_SIDE = 4096;

// A PNG's chunks besides its picture (text, colour profiles, times and the
// like), which the player does not read: a picture holds a handful, of a
// few kilobytes. One with more than PNG_ANCILLARY_CHUNKS of them, more than
// PNG_ANCILLARY_BYTES in all, or more than PNG_COMPRESSED_BYTES of packed
// ones (zTXt, iTXt, iCCP: the library's decoder unpacks them, up to a
// thousand times larger) is refused before it is decoded. No chunk is
// inflated past PNG_CHUNK_BYTES by the player's own look.
const int PNG_ANCILLARY_CHUNKS = 64;
const long long PNG_ANCILLARY_BYTES = 256 * 1024;
const long long PNG_COMPRESSED_BYTES = 64 * 1024;
const long PNG_CHUNK_BYTES = 1024 * 1024;

enum class PictureFormat { Png, Bmp, Pcx, Tga };

// What a look at a picture file found.
struct PictureHeader {
    // Empty when it may be decoded; else what is wrong: "not found", "is
    // 16384 × 16384: larger than the 4096 × 4096 the player shows" ...
    std::optional<Problem> problem;
    PictureFormat format = PictureFormat::Png;
    int width = 0;
    int height = 0;
};

// Opens `path` as a regular file without blocking, reads its first bytes
// (a PNG by its signature; else a BMP, PCX or TGA file by its extension)
// and checks the stated size against MAX_PICTURE_SIDE. Decodes nothing.
PictureHeader inspectPicture(const char* path);

// Decodes the picture at `path`, whose look gave `header`. The data of
// a PNG is read through once before the library's decoder gets it, so that
// a damaged file is refused before a bitmap is made (the decoder would lose
// that bitmap when the data breaks off), and a bitmap of its size is tried
// first, since not every decoder looks at what create_bitmap gives it.
// The problem is the look's when it refused the file, or says that the data
// is damaged or that memory runs short (ProblemKind::NoMemory). A picture
// with an alpha channel comes back as a 32-bit bitmap with its alpha,
// whatever the colour depth (see compose.h); any other in the current depth.
// The caller owns the bitmap.
Result<BITMAP*> decodeInspectedPicture(const char* path, const PictureHeader& header);

// inspectPicture, then decodeInspectedPicture.
Result<BITMAP*> decodePicture(const char* path);

#endif
