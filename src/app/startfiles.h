// Which files start-up reads for the place a book was found in: the font,
// the settings and the title picture. A working directory brings its own; a
// book folder brings at most its own font, and the rest comes from the user's
// settings folder and from the data installed with the player.
//
// The installed data lies at <folder of the executable>/../share/quorvel,
// in the build tree (bin/ and share/quorvel/ side by side) as in an
// installed tree: nothing here knows an install prefix.
#ifndef QUORVEL_STARTFILES_H
#define QUORVEL_STARTFILES_H

#include "app/bookplace.h"

#include <string>

// What to do when start-up finds no file it needs, for the end of an
// explanation line.
extern const char* const START_ADVICE;

// The current directory, for messages; "." when it cannot be told.
std::string currentDirectory();

// The installed data folder (font.dat, pico/title.png, books/demo/), found
// from the running executable's own location; empty when it is not there.
std::string installedDataDir();

// The folder of the player's translations (<lang>/LC_MESSAGES/quorvel.mo),
// found as installedDataDir() is: <folder of the executable>/../share/locale.
// Empty when it is not there.
std::string installedLocaleDir();

// The player's folder under one of the user's base directories:
// $`xdgVariable`/quorvel when that variable holds an absolute path, else
// $HOME/`underHome`/quorvel when HOME does; empty when neither does. The
// base directory rules ignore a relative value, and a relative HOME would
// name another folder each time the player enters a book's folder.
std::string userDir(const char* xdgVariable, const char* underHome);

// The user's settings folder: userDir for XDG_CONFIG_HOME, under
// $HOME/.config.
std::string userConfigDir();

struct StartFiles {
    // The font datafile. Relative paths are taken in the place's workDir.
    std::string font = "font.dat";
    // The settings file, and whether its absence is said in a message box
    // (a working directory's own ini.dat) or passed over (the user's).
    std::string settings = "ini.dat";
    bool settingsExpected = true;
    // Where the settings' main_bg ("pico/<name>") is looked for; empty: the
    // working directory.
    std::string settingsFolder;
    // The title picture when the settings name none; empty: none.
    std::string defaultTitlePicture;
    // The `book` setting to play with instead of the settings' own; empty:
    // the settings decide.
    std::string book;
};

// The files for `place` (a working directory or a book folder). For a book
// folder the folder's own font.dat wins over the installed one.
StartFiles startFilesFor(const BookPlace& place);

// Where the player plays when it is given no BOOK: the current directory
// when it holds ini.dat or font.dat (or when there is no installed demo
// book), else the installed demo book.
BookPlace placeWithoutBook();

#endif
