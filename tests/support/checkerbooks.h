// What the tests of the book checker share, those of its library and those
// of quorvel-check run as a program: the demo's font, a book with traps,
// and findings as report lines.
#ifndef QUORVEL_CHECKERBOOKS_H
#define QUORVEL_CHECKERBOOKS_H

#include "check.h"

#include <string>
#include <vector>

// The demo's font, as the build installs it.
inline const std::string DEMO_FONT = QUORVEL_DEMO_DIR "/font.dat";

// A book of six pages over bg.png: page 1 leads to 2 and 3; 2 to the last
// page, 6, whose choice ends the book; 3 and 4 lead to each other only (a
// trap); 5 is reached by nothing and has an ending of its own (a target
// past the last page).
std::string trapBook();

// The report's lines for `findings`, the book file named "pages.dat".
std::vector<std::string> reportLines(const std::vector<Finding>& findings);

#endif
