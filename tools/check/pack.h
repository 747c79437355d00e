// A book as one file for its readers: a zip archive that the player and the
// checker open as a book, holding one top folder named for the book with
// pages.dat, the pictures and sounds the book names, and the book's own
// font.dat when it has one; nothing else (stray files of the book's folder
// stay out). The same book gives the same bytes each time: entries in
// sorted order, every time stamp 1980-01-01 00:00, the same attributes,
// pictures and sounds stored (they are packed already, and a stored entry
// is read in place) and the .dat files deflated at level 9.
#ifndef QUORVEL_CHECK_PACK_H
#define QUORVEL_CHECK_PACK_H

#include "book/book.h"
#include "text/problem.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

// The pictures and sounds a book names, collected from the reader's events
// as the player builds their paths (backgrounds as each page takes them).
class NamedFiles {
public:
    // `event` of a reading of the book at the `book` global.
    void see(const BookEvent& event);
    // Book-relative paths ("pico/owl.png"), sorted, each once.
    const std::set<std::string>& paths() const { return paths_; }

private:
    std::set<std::string> paths_;
};

struct PackPlan {
    std::string top;                 // the top folder's name: the book's
    std::vector<std::string> files;  // book-relative paths, sorted, each once
};

// The plan for the book at `bookFolder` (the `book` global: as the player
// names the book's folder from the current directory), named `top`:
// pages.dat, `named` and font.dat when the folder has one. A named path
// that leads out of the book's folder, or is not a plain relative path,
// gives a problem instead (naming it).
Result<PackPlan> planPack(const std::string& top, const std::string& bookFolder,
                          const std::set<std::string>& named);

// Writes the files of `plan`, read through the player's one way to read a
// book's files (files/bookfile.h) from `bookFolder`, to the archive at
// `target` (absolute). It is written to a temporary file beside `target`,
// opened again with the player's archive reader (files/archive.h) and
// checked to hold the book, then renamed to `target`, replacing a regular
// file there. When anything fails, nothing is left at `target` (an earlier
// file there stays as it was) and the temporary file is removed; the
// problem names `shownTarget` or the book's file at fault.
std::optional<Problem> writePack(const PackPlan& plan, const std::string& bookFolder,
                                 const std::string& target, const std::string& shownTarget);

#endif
