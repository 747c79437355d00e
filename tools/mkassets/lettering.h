// Large lettering for the pictures, rendered from a TrueType font file.
#ifndef QUORVEL_LETTERING_H
#define QUORVEL_LETTERING_H

#include "canvas.h"

#include <string>

// Renders `text` (ASCII) into a mask the size of the canvas's enlarged
// bitmap: `pixelSize` tall in picture pixels, centred on `centreX`, standing
// on `baselineY`, with `tracking` extra picture pixels between letters.
// Returns false and sets `error` when the font cannot be opened or a letter
// cannot be rendered.
bool renderText(const Canvas& c, const std::string& fontFile, const std::string& text, double pixelSize,
                double centreX, double baselineY, double tracking, Mask& mask, std::string& error);

// The first of `candidates` that exists, or "" when none does.
std::string findFont(const std::vector<std::string>& candidates);

#endif
