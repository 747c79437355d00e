// The texts the player draws of its own around a book: the title menu's
// book line and buttons, the about box, the end messages as they will stand
// when the book ends, the end-of-book alert's button and the Menu button.
// A font made for another script may lack their characters.
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

// A warning for each of these texts, as shown for the book whose `book`
// setting is `playerBook`, that holds a character `font` has no glyph for.
// Line 0: they stand in no line of the book file.
std::vector<Finding> checkOwnTexts(FONT* font, const std::string& playerBook,
                                   const EndMessagesGiven& endMessages);

#endif
