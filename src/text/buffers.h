// The sizes of the fixed buffers the player cuts its texts to, in bytes,
// terminating NUL included: a buffer of size n keeps n - 1 bytes of text, cut
// at a whole UTF-8 character (copyCut). The player, the book checker and the
// fuzz targets all measure against these.
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

#endif
