// The checks of ini.dat, the player's settings file, for a working
// directory given to the checker.
#ifndef QUORVEL_CHECK_SETTINGSCHECK_H
#define QUORVEL_CHECK_SETTINGSCHECK_H

#include "report.h"

#include <allegro.h>

#include <vector>

// Reads ini.dat in the current directory through the player's settings
// reader (init.h: readSettingsFile, which applies it as start-up does) and
// checks it line by line against the reader's table of keys, then what the
// settings name: an unknown key (with the nearest known one), a skipped
// line, text after ';', a value the player ignores, a key given twice (some
// add the second value to the first), a flag other than YES or NO, a line
// the player cannot do without that is missing, a book folder that is not
// there, a title picture that cannot be loaded, has transparent parts, or
// lies too dark under the title menu's book line to read it (measured in
// `textFont` when given: a working directory's settings only).
//
// The ini.dat of a reader's own settings folder (use ReaderFolder) is read
// by the player beside a book it is given: the book and what start-up
// falls back on come from elsewhere, so neither a missing line nor the
// book setting is reported there.
enum class SettingsUse { WorkingDirectory, ReaderFolder };
std::vector<Finding> checkSettingsFile(SettingsUse use = SettingsUse::WorkingDirectory,
                                       FONT* textFont = nullptr);

#endif
