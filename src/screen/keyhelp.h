// The key help (F1 or ?): the keys of the screen the reader is on, from the
// key table (input/keytable.h), drawn over that screen on the logical
// screen, until any key or click. What it covers comes back when it closes.
#ifndef QUORVEL_KEYHELP_H
#define QUORVEL_KEYHELP_H

#include "input/keytable.h"

#include <string>
#include <vector>

// One line of the help: keys, and what they do on the screen.
struct KeyHelpRow {
    std::string keys;
    std::string meaning;
};

// The help's heading for `screen`, in the reader's language.
std::string keyHelpHeading(KeyScreen screen);

// The help's rows for `screen` in the key table's order, in the reader's
// language; keys that do nothing there are left out.
std::vector<KeyHelpRow> keyHelpRows(KeyScreen screen);

// The line under the rows: how the help closes.
std::string keyHelpFooter();

// Shows the help for `screen` until the reader presses a key (any but the
// display keys and V, which do their work and leave it open) or a mouse
// button, or the window's close button is pressed (closeRequested stays set
// for the screen below). Read aloud when reading aloud is on.
void showKeyHelp(KeyScreen screen);

#endif
