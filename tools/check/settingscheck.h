// The checks of ini.dat, the player's settings file, for a working
// directory given to the checker.
#ifndef QUORVEL_CHECK_SETTINGSCHECK_H
#define QUORVEL_CHECK_SETTINGSCHECK_H

#include "report.h"

#include <vector>

// Checks ini.dat in the current directory, line by line as the player reads
// it and then for what the settings name, once read_ini_file() has applied
// it: an unknown key (with the nearest known one), a skipped line, text
// after ';', a key given twice (book and main_bg add the second value to
// the first), a windowed value other than YES or NO, no book line or a book
// folder that is not there, no main_bg line or a title picture that cannot
// be loaded or has transparent parts.
std::vector<Finding> checkSettingsFile();

#endif
