// The fixed buffers the player keeps its texts in, and copying into them.
// Sizes are in bytes, terminating NUL included: a buffer of size n keeps
// n - 1 bytes of text, cut at a whole UTF-8 character (copyCut), so that a
// cut text is still valid UTF-8 when what was copied was. The player, the
// book checker and the fuzz targets all measure against these.
#ifndef QUORVEL_BUFFERS_H
#define QUORVEL_BUFFERS_H

#include <cstddef>

// A page's room name and choice labels, the book's name and the three end
// messages.
const std::size_t LABEL_SIZE = 64;

// A page's main text.
const std::size_t TEXT_SIZE = 4096;

// Every path built from the settings and the book file: the book's folder,
// the title picture, and the pictures, sounds and book file under the book.
const std::size_t PATH_SIZE = 64;

// The room name and the title menu's book line as they are drawn on one
// line at the top of the screen.
const std::size_t DRAWN_LINE_SIZE = 32;

// The windowed setting.
const std::size_t WINDOWED_SIZE = 16;

// Copies `src` into `dst` (of `size` bytes, size > 0), NUL-terminated and
// cut, when it does not fit, at the last whole UTF-8 character that does.
void copyCut(char* dst, std::size_t size, const char* src);

// Appends `src` to the string in `dst` (of `size` bytes) the same way.
void appendCut(char* dst, std::size_t size, const char* src);

#endif
