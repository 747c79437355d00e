// What the checker sets up around a check: the library without a display,
// media loaders that return null instead of ending the program, where a
// path given on the command line puts the book, and the font.
#ifndef QUORVEL_CHECK_SESSION_H
#define QUORVEL_CHECK_SESSION_H

#include <allegro.h>

#include <string>

// Starts the library without a display, in the UTF-8 text format, with PNG
// registered, colour depth 32 and the checking loaders. False when the
// library cannot be started.
bool startLibraryForChecking();

// Makes the shared media store decode files as the player does (PNG first,
// then the library's own formats; Ogg Vorbis first, then the library's own
// sound formats) but give null for a file that cannot be loaded.
void installCheckingLoaders();

// Where a path given to the checker puts the book.
struct BookLocation {
    enum class Kind {
        Nothing,          // neither ini.dat nor pages.dat is there
        WorkingDirectory, // ini.dat is there: its book setting names the book
        BookFolder,       // pages.dat is there
    };
    Kind kind = Kind::Nothing;
    std::string shownPath;   // the path as given, without trailing slashes
    std::string workDir;     // absolute: the directory the book is read from
    std::string book;        // the `book` setting to read with (set by enterBook for ini.dat)
    std::string playerBook;  // the player's `book` setting for it: "books/<name>"
    std::string fontPath;    // absolute: where the player's font.dat would be
    std::string reportFile;  // the book file as the report names it (set by enterBook)
};

// Looks at `path` and fills everything but what ini.dat tells. A book folder
// that lies in a folder named "books" is read from that folder's parent as
// "books/<name>", exactly as the player reads it; any other from its own
// parent as "<name>". Its font is looked for two folders up.
BookLocation locateBook(const std::string& path);

// Enters location.workDir and sets the `book` global: through the player's
// read_ini_file() for a working directory, else to location.book. Completes
// book, playerBook and reportFile. False when the directory cannot be entered.
bool enterBook(BookLocation& location);

// A font datafile as the player loads it: the font is its first object.
struct LoadedFont {
    bool found = false;        // the file is there
    DATAFILE* data = nullptr;  // owned: give it back with unloadFont
    FONT* font = nullptr;      // null when the file is not there or holds no font first
};
// Loads the datafile at `path`; `font` is set only when it starts with a font.
LoadedFont loadFont(const std::string& path);
// Unloads the datafile and empties `loaded`.
void unloadFont(LoadedFont& loaded);

#endif
