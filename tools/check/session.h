// What the checker sets up around a check: the library without a display,
// media loaders that return null instead of ending the program, where a
// path given on the command line puts the book, and the font.
#ifndef QUORVEL_CHECK_SESSION_H
#define QUORVEL_CHECK_SESSION_H

#include "app/bookplace.h"
#include "text/fontfile.h"

#include <allegro.h>

#include <string>

// Starts the library without a display, in the UTF-8 text format, with PNG
// registered, colour depth 32 and the checking loaders. False when the
// library cannot be started.
bool startLibraryForChecking();

// Makes the shared media store look at files as the player does, and
// decode each one as it looks at it, so that a file whose data is damaged
// is refused (with its problem) as the book is read.
void installCheckingLoaders();

// A path given to the checker: where it puts the book (the player's own
// rule), and what the checker needs beside that.
struct BookLocation {
    BookPlace place;
    std::string fontPath;    // absolute: where the player's font.dat would be
    std::string playerBook;  // the player's longest `book` setting for it (set by enterBook)
    std::string reportFile;  // the book file as the report names it (set by enterBook)
};

// Looks at `path` through locateBook and names the font the player would
// draw the book with (see startFilesFor): a working directory's own; a book
// folder's own, or else the one installed with the player.
BookLocation locateBookToCheck(const std::string& path);

// Enters the book's place and sets the `book` global: through the player's
// read_ini_file() for a working directory, else to the folder's name.
// Completes playerBook ("books/<name>" for a book folder, the longest way
// the player names it) and reportFile. False when the directory cannot be
// entered.
bool enterBook(BookLocation& location);

// A font datafile as the player reads it (text/fontfile.h).
struct LoadedFont {
    bool found = false;   // the file is there
    std::string problem;  // when found but not read: why, told after the file's name
    OwnedFont font;       // null when the file is not there or cannot be read
};
// Reads the font datafile at `path` through readFontFile.
LoadedFont loadFont(const std::string& path);
// Destroys the font and empties `loaded`.
void unloadFont(LoadedFont& loaded);

#endif
