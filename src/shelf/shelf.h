// The reader's shelf: the books the player offers when it is started with
// no book and no working directory, as the desktop's menu entry starts it.
//
// Three sources, in this order on the shelf, each book once (by its
// absolute path, the first source that has it wins):
//   - the shelf folder, $XDG_DATA_HOME/quorvel/books/ (by default
//     ~/.local/share/quorvel/books/): each book folder (a folder holding
//     pages.dat) and each zip archive in it, by name;
//   - the books opened before, newest first, as the opened list keeps them
//     ($XDG_STATE_HOME/quorvel/opened.txt: one absolute path a line, at most
//     OPENED_KEPT); a path that no longer holds a book is left out;
//   - the demo book installed with the player.
// Where the reader left each book comes from its resume state file
// (book/resume.h), and when from that file's time.
//
// Nothing here draws: the shelf's screen is shelf/shelfscreen.h.
#ifndef QUORVEL_SHELF_H
#define QUORVEL_SHELF_H

#include "text/problem.h"

#include <ctime>
#include <optional>
#include <string>
#include <vector>

// The most books the opened list keeps.
const int OPENED_KEPT = 200;

struct ShelfBook {
    enum class Source { ShelfFolder, OpenedBefore, Demo };
    Source source = Source::ShelfFolder;
    std::string path;     // absolute: the book's folder or zip archive
    std::string name;     // what the shelf calls it (screen/window.h: bookShownName)
    int leftAtPage = 0;   // the page the reader left it at, from 1; 0 when none is kept
    std::time_t leftWhen = 0; // when that page was kept; 0 when none is
};

// Where the shelf's books come from; empty strings are sources there are none of.
struct ShelfPlaces {
    std::string shelfFolder; // the shelf folder
    std::string openedList;  // the opened list's file
    std::string demoBook;    // the installed demo book's folder
};

// The places for this user and this installation (app/startfiles.h:
// userDir, installedDataDir).
ShelfPlaces shelfPlaces();

// The books on the shelf, as described above. Reads little of each book:
// a folder's pages.dat up to its first page, for its book_name line.
std::vector<ShelfBook> gatherShelf(const ShelfPlaces& places);

// Puts `bookPath` (absolute) at the head of the opened list at `listPath`,
// dropping its older line and the lines past OPENED_KEPT; the list is
// written whole and renamed over the old one. The problem names the list
// and says why when it cannot be written.
std::optional<Problem> noteOpened(const std::string& listPath, const std::string& bookPath);

// Copies the book at `from` (a book folder, its pages.dat, or a zip
// archive of a book) into `shelfFolder`, under its folder's or archive's
// name, made whole under a temporary name first and then renamed into
// place, so that the shelf never shows half a book; a book of that name
// already there is left as it is. Returns the path the book now has, or
// the problem (naming the path and what is wrong).
Result<std::string> addToShelf(const std::string& from, const std::string& shelfFolder);

// "Name — page 5, 2026-12-08": a book's line on the shelf, in the reader's
// language (`pageFormat` the translated "page %d"); the demo's name is
// followed by `demoNote` (" (demo)"), so that it is told from a copy of it.
std::string shelfLine(const ShelfBook& book, const char* pageFormat, const char* demoNote);

#endif
