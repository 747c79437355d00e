// Pictures with an alpha channel, made ready to be drawn with a plain blit.
// The library draws a bitmap with its alpha only through a blender, one
// pixel at a time; the page screen composes such a picture once, over what
// lies under it, when the page is applied, and then blits the result.
#ifndef QUORVEL_COMPOSE_H
#define QUORVEL_COMPOSE_H

#include <allegro.h>

// True when `picture` carries an alpha channel that means something: a
// 32-bit bitmap with at least one alpha byte above 0. The picture decoder
// keeps a PNG's alpha (a 32-bit bitmap in any colour depth); every other
// picture comes in the current depth, and one of 32 bits then has alpha 0
// throughout. Null gives false.
bool hasAlpha(BITMAP* picture);

// A new w x h bitmap in the current colour depth: the area of `under` whose
// top left corner is (x, y), black where `under` does not reach (or where
// `under` is null), with `picture` drawn over it from its top left corner
// by its alpha. The caller owns the result; null when memory runs out.
BITMAP* composeOver(BITMAP* under, int x, int y, int w, int h, BITMAP* picture);

#endif
