// The texts the player draws of its own around a book: the title menu's
// book line and buttons, the about box, the end messages as they will stand
// when the book ends, the end-of-book alert's button, the Menu button, the
// key help and reading aloud's notices; as the C locale shows them, and in
// each translation the player ships, since a reader's locale chooses it. A
// font made for another script may lack their characters.
#ifndef QUORVEL_CHECK_OWNTEXTS_H
#define QUORVEL_CHECK_OWNTEXTS_H

#include "report.h"

#include <allegro.h>

#include <string>

// Which end messages the book gives itself (their lines are checked where
// they stand); the others keep the values they have now, the defaults.
struct EndMessagesGiven {
    bool given[3] = {false, false, false};
};

// A warning for each of these texts, as shown under the C locale for the
// book whose `book` setting is `playerBook`, that holds a character `font`
// has no glyph for; then one for each translation whose texts hold any.
// Line 0: they stand in no line of the book file. Leaves tr() answering as
// under the C locale.
std::vector<Finding> checkOwnTexts(FONT* font, const std::string& playerBook,
                                   const EndMessagesGiven& endMessages);

#endif
