// Which characters of a text a font can draw. Both functions need the
// library's text format to be UTF-8 (set_uformat(U_UTF8)), as in the player.
#ifndef QUORVEL_CHECK_GLYPHS_H
#define QUORVEL_CHECK_GLYPHS_H

#include <allegro.h>

#include <string>
#include <vector>

// The characters of `text` (UTF-8, read the way the player's drawing
// routines read it) that lie outside every character range of `font`, each
// once, in the order they first appear. The library draws such a character
// as its placeholder glyph.
std::vector<int> missingGlyphs(FONT* font, const std::string& text);

// How a report names a character: `"«" (U+00AB)`, or just `U+0009` for one
// that would not show.
std::string describeCharacter(int codePoint);

// The characters of `text` that `font` lacks, described and joined by
// commas: `"中" (U+4E2D), U+0009`. Empty when the font has them all.
std::string describeMissingGlyphs(FONT* font, const std::string& text);

#endif
