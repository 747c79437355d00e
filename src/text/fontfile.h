// The reader of font.dat: the player's own font and a book's. It reads only
// what quorvel-mkfont writes (an uncompressed library datafile holding one
// object, a single-colour font in ranges, with at most a short name) and
// refuses everything else before the library sees a byte of it: the
// library's own datafile loader trusts every size a file states, and a
// broken or hostile font.dat crashed, hung or exhausted the player there.
//
// What is read becomes the library's own FONT, drawn by its text functions
// (textout_ex, text_length, text_height, the dialogs' text boxes) and freed
// by destroy_font, so that every screen draws it exactly as a font the
// library had loaded.
#ifndef QUORVEL_FONTFILE_H
#define QUORVEL_FONTFILE_H

#include "text/fontformat.h"
#include "text/problem.h"

#include <allegro.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// Gives a font back to the library (destroy_font).
struct FontDestroyer {
    void operator()(FONT* font) const;
};
// A font this reader made; the library's text functions draw it.
using OwnedFont = std::unique_ptr<FONT, FontDestroyer>;

// Reads the font datafile at `path` (a book's file: from disk or from the
// archive it lies in, files/bookfile.h). The problem names what is wrong,
// told after the file's name: nothing there ("is not there", NotFound), no
// regular file there (NotAFile), larger than MAX_FONT_FILE_BYTES
// (TooLarge), not the datafile quorvel-mkfont writes (Unsupported: another
// format, a compressed datafile, another object first, more than one
// object, a colour font), cut short or inconsistent (Damaged: a size past
// the file's end or past a limit above, bytes after the font), or no memory
// for the glyphs (NoMemory). Nothing of the file reaches the library
// unless the whole file was read and checked.
Result<OwnedFont> readFontFile(const std::string& path);

// The same for a font datafile's bytes already in memory (the caller's,
// only read); `path` names it in the problem.
Result<OwnedFont> decodeFontDatafile(const std::uint8_t* bytes, std::size_t size,
                                     const std::string& path);

#endif
