// Where the reader left each book, kept between runs when the resume
// setting is on (resume:YES; in ini.dat, or --resume).
//
// One small text file per book, under $XDG_STATE_HOME/quorvel/ (by default
// ~/.local/state/quorvel/), named after the book folder's absolute path. It
// holds the page (counted from 1) and a fingerprint of the book file, so
// that a book whose file changed does not open at a page that may now be
// another:
//
//     # Where the reader left the book /home/ann/books/demo
//     fingerprint:5d2c1b9e0f3a4c77-2841;
//     page:5;
//     back:1,2,4;
//
// `back` is the reading's history for Back (book/reading.h), pages counted
// from 1, the oldest first, its last RESUME_BACK_KEPT at most; a file
// without it (or with a page the book lacks in it) opens with none.
//
// The file is written whole to a temporary file and renamed over the old
// one, so that it is never seen half written. A state file that cannot be
// read or makes no sense is taken as no state; one that cannot be written
// comes back as a problem for the player to tell. Neither stops the player.
// With the setting off nothing is read or written.
#ifndef QUORVEL_RESUME_H
#define QUORVEL_RESUME_H

#include "text/problem.h"

#include <ctime>
#include <optional>
#include <string>
#include <vector>

// The most pages behind the reader a state file keeps for Back.
const int RESUME_BACK_KEPT = 200;

// The index of the page at which the reader left the book in the `book`
// setting, when the setting is on and that is known for this very book file
// and the book has such a page (`pageCount` of them: INT_MAX when not known
// yet); -1 otherwise.
int rememberedPage(int pageCount);

// The pages behind the reader (indices, the oldest first) when they left
// the book where rememberedPage() says; empty when that is not known or
// rememberedPage() gives -1.
std::vector<int> rememberedHistory(int pageCount);

// Remembers page `index` of the book in the `book` setting as the one the
// reader left it at, with the pages behind them (`behind`, indices, the
// oldest first; only the last RESUME_BACK_KEPT are kept). Does nothing with
// the setting off. When the state file cannot be written, the problem names
// it and says why (the system's words).
std::optional<Problem> rememberLeftPage(int index, const std::vector<int>& behind = {});

// Forgets where the reader left the book in the `book` setting (they read
// it to its end, or what was remembered no longer fits the book). Does
// nothing with the setting off.
void forgetLeftPage();

// The folder the state files live in: $XDG_STATE_HOME/quorvel, or
// $HOME/.local/state/quorvel when XDG_STATE_HOME is unset, empty or not an
// absolute path; empty when neither gives a place (app/startfiles.h:
// userDir).
std::string resumeFolder();

// The state file of the book folder at `bookFolder` (which must exist), or
// empty when there is no place for it.
std::string resumeFilePath(const std::string& bookFolder);

// The page (from 1) the state file of the book folder or archive at
// `bookFolder` (absolute, as the player names it) keeps, whatever book file
// it was kept for, and when it was kept (in `when`, when not null); 0 when
// there is none. For the shelf, which shows where each book was left
// without reading the books.
int keptPage(const std::string& bookFolder, std::time_t* when);

// The fingerprint of the file at `path`: a 64-bit FNV-1a hash of its bytes
// and its length; empty when it cannot be read. The file is read as a
// book's file (files/bookfile.h: a regular file on disk, opened without
// blocking, or an archive's entry) in pieces, so that its size costs time
// but no memory.
std::string fileFingerprint(const std::string& path);

#endif
