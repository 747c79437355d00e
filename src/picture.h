// Decoding of picture files, with a look at each header first. The
// library's decoders make a bitmap of the size the header states, counting
// its bytes in int: a stated size too large for that overflows, and the rows
// are then written past the end of a buffer far too small for them.
#ifndef QUORVEL_PICTURE_H
#define QUORVEL_PICTURE_H

#include <allegro.h>

// The longest side of a picture the player decodes, in pixels: a 32-bit
// bitmap of this square still counts its bytes within int.
const int MAX_PICTURE_SIDE = 16384;

// Decodes the picture at `path`: a PNG file, found by its signature, or
// otherwise a BMP, PCX or TGA file, by its extension. Returns null when the
// file cannot be read, is of none of these formats, has a header cut short
// or stating a width or height outside 1 to MAX_PICTURE_SIDE, or fails to
// decode. A picture with an alpha channel comes back as a 32-bit bitmap
// with its alpha, whatever the colour depth (see compose.h); any other in
// the current depth. The caller owns the bitmap.
BITMAP* decodePicture(const char* path);

#endif
