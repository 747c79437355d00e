// Where a path named on a command line puts the book: the directory to
// enter and the `book` setting to read the book with. The player and the
// book checker share this rule, so that both read a book from the same place.
#ifndef QUORVEL_BOOKPLACE_H
#define QUORVEL_BOOKPLACE_H

#include "text/problem.h"

#include <memory>
#include <optional>
#include <string>

class Archive;

struct BookPlace {
    enum class Kind {
        Nothing,          // neither ini.dat nor pages.dat is there
        WorkingDirectory, // ini.dat is there: its book setting names the book
        BookFolder,       // pages.dat is there, in a folder or a zip archive
    };
    Kind kind = Kind::Nothing;
    std::string shownPath; // the path as given, without trailing slashes
    std::string folder;    // absolute: the folder the path names
    // Absolute: the directory to enter. A working directory itself; for a
    // book folder, the folder above it, so that the book's own paths stay
    // short however deep it lies.
    std::string workDir;
    // For a book folder: its folder name, the `book` setting to read it
    // with from workDir. Empty for a working directory (ini.dat tells).
    std::string book;
    // For a book in a zip archive (files/archive.h), the archive, opened
    // and looked at: `folder` is the archive's path and `book` its file
    // name, and the book's paths lie below them (files/bookfile.h).
    std::shared_ptr<Archive> archive;
    // With Nothing: when the path is a file that is no book (an archive
    // that was refused or holds no book, a FIFO, a device, another file),
    // why, naming it (and an archive's entry).
    std::optional<Problem> problem;
};

// Looks at `path` (relative to the current directory, or absolute). A
// folder holding ini.dat is a working directory, even when it holds
// pages.dat too. A path to a pages.dat file stands for its folder (and
// shownPath is then that folder's path). A regular file that begins as a
// zip archive is opened and looked at (Archive::open): a book folder when
// it holds pages.dat at its root or in its one top folder.
BookPlace locateBook(const std::string& path);

// Makes place.workDir the current directory, and mounts the book's archive
// (files/bookfile.h: mountArchive) when it is one. False when the directory
// cannot be entered.
bool enterBookPlace(const BookPlace& place);

#endif
