// Text as the library draws it: valid UTF-8. The library's UTF-8 routines
// take a lead byte's word for how many bytes follow, so a lead byte at the
// end of a text makes them read past its terminating NUL, and a stray byte
// cuts what follows. Every text that comes from a file is made valid here
// once, where it is read (see LineReader).
#ifndef QUORVEL_UTF8_H
#define QUORVEL_UTF8_H

#include <cstddef>
#include <string>
#include <string_view>

// What stands in a text for each byte that does not begin a complete, valid
// UTF-8 sequence: a character every font has.
const char UTF8_REPLACEMENT = '?';

// True for a byte that continues a UTF-8 sequence (10xxxxxx) rather than
// beginning a character.
inline bool isUtf8Continuation(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// Bytes of the valid UTF-8 sequence at the start of `text` (1 to 4), or 0
// when it does not start with one: a stray continuation byte, a lead byte
// without all its continuation bytes, an overlong form, a surrogate or a
// code point past U+10FFFF.
std::size_t utf8SequenceLength(std::string_view text);

// True when the whole of `text` is valid UTF-8.
bool isValidUtf8(std::string_view text);

// `text` as it may be shown on a terminal or in a message: each control
// character, which a terminal would act on (ESC begins a sequence that can
// retitle, clear or recolour it), is written out instead: "\n", "\r",
// "\t", "\e", "\xHH" for the other bytes below 32 and 127, "\u0080" to
// "\u009F" for the C1 controls (UTF-8 C2 80 to C2 9F). Every other byte is
// kept. The result holds no control character.
std::string escapeControls(std::string_view text);

// `text` with each byte that does not begin a valid sequence replaced by
// UTF8_REPLACEMENT; valid sequences are kept as they are.
std::string replaceInvalidUtf8(std::string_view text);

// Whether the first bytes of a text file (`head`, as many as there are up to
// a few hundred) show it saved as UTF-16: a UTF-16 byte-order mark, or,
// without one, a NUL byte beside nearly every other byte, as the ASCII
// characters of a UTF-16 text stand. A UTF-8 file of any language has no
// NUL bytes, so neither can be taken for the other.
bool looksLikeUtf16(std::string_view head);

#endif
