// The open book: its page list and the reader of its book file, pages.dat.
#ifndef QUORVEL_BOOK_H
#define QUORVEL_BOOK_H

#include "book/bookkeys.h"
#include "gamedata.h"
#include "text/problem.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The pages in book order; owns the records. Page number n is entry n - 1.
// The list itself is never destroyed: a file that fails to decode ends the
// program while the page screen shows the book, and the records must stay
// reachable until the process is gone rather than be cut loose by the
// list's destructor at exit.
extern std::vector<Gamedata*>& gamedataPages;
// Index in gamedataPages of the page on screen.
extern int cur_page;
// The record being filled while the book file is read.
extern Gamedata* gamedata;
// book + "/pico/" + the default_bg value: the background of every page
// started after that line.
extern char default_bg[PATH_SIZE];
// The book's display name from its book_name line.
extern char book_name[LABEL_SIZE];

// What pageAfterChoice gives for a choice that ends the book: the page
// screen then shows the end-of-book alert.
const int BOOK_ENDS = -1;

// Where choice `choice` (1, 2 or 3) of the page at index `pageIndex` leads
// in a book of `pageCount` pages, when its target (the butN_goto number,
// pages counted from 1) is `target`: the index of that page, or BOOK_ENDS.
// The first choice goes to its target when that is above 0, else to the
// next page; the second and third go to their target, and a target of 0 or
// below ends the book. Any page outside the book ends it, and so does a
// choice other than 1 to 3. This is the one rule the page screen moves by
// and the book checker maps a book by.
int pageAfterChoice(int pageIndex, int choice, int target, int pageCount);

// The same for the page at `pageIndex` of the open book (gamedataPages),
// with that page's own target.
int pageAfterChoice(int pageIndex, int choice);

// Told now and then while a book file is read: how many of its `total`
// bytes have been read (`done`). Returning false stops the reading, and the
// pages read so far are freed.
using BookProgress = std::function<bool(long long done, long long total)>;

// The index of the first page in gamedataPages whose page_start line names
// it `name`, or -1 when none does. The reader turns a choice's target that
// names a page into that page's number once the whole book is read, so a
// name may name a later page; a name that no page bears stays the number
// it reads as, 0.
int findNamedPage(const std::string& name);

// Every page name in gamedataPages and the index of the first page that
// bears it, for looking up many names at once. The names are the pages'
// own: the map is valid while the pages are.
std::unordered_map<std::string_view, int> namedPages();

// The path of the book file: book + "/pages.dat", cut to a PATH_SIZE path
// buffer as every path the reader builds is.
std::string bookFilePath();

// Destroys every page record and empties the list.
void freePages();

// What the reader meets on a line of the book file, for tools that explain
// a book to its author. The player passes no observer.
enum class BookEventKind {
    Entry,               // a known key, applied (or ignored: see below)
    UnknownKey,          // a valid line whose key the reader does not know
    InvalidLine,         // a non-blank line that is neither an entry nor a comment
    OutsidePage,         // a page-level key with no page started: ignored
    PageEndWithoutStart, // a page_end with no page_start since the last one: ignored
    PageNeverEnded,      // a page_start (at `line`) whose page was never ended: dropped
    FileNotLoaded,       // a picture or sound that could not be loaded; value is its path,
                         // key the key that named it (a page's background: default_bg),
                         // problem why
    UnknownPageName,     // a choice's target (key butN_goto) names no page; value is the
                         // name. Told after the whole book is read.
    NotUtf8,             // a line, not a comment, holding bytes that are not valid UTF-8;
                         // value is the line as read, each such byte made UTF8_REPLACEMENT.
                         // Told before the line's own event.
    LongLine,            // a line longer than LINE_KEPT_BYTES (files/linereader.h): only its
                         // first bytes were read; `length` is its length in bytes.
                         // Told before the line's own event.
};

struct BookEvent {
    int line = 0;        // line number in the book file, from 1
    BookEventKind kind = BookEventKind::Entry;
    std::string key;     // the key as written
    std::string value;   // the value, narrowed to the file's own bytes
    int page = -1;       // index the page being read has or will have; -1 outside a page
    std::optional<Problem> problem; // for FileNotLoaded: why the file was refused
    const BookKey* row = nullptr;   // the key's row (book/bookkeys.h), for a key the file knows
    std::string after;   // on an entry's line: the text after its ';' (ignored), narrowed
    std::string bytes;   // for NotUtf8: the line's bytes as the file holds them
    long long length = 0; // for LongLine: the line's length in bytes
};

using BookObserver = std::function<void(const BookEvent&)>;

// Reads the book file at `path` into the page list (which must be empty)
// and the book-level values, checking every picture and sound it names (they
// are decoded when a page needs them), telling `observer` (when set) about
// each line and `progress` (when set) about how far it has read. A file that
// cannot be loaded leaves its field of the page null and is told as
// FileNotLoaded: the reading goes on. Returns the book file's problem when
// it cannot be opened (nothing is read then), or when it could not be read
// to its end (an archive's damaged entry: the pages read are freed).
std::optional<Problem> readBook(const char* path, const BookObserver& observer,
                                const BookProgress& progress = nullptr);

#endif
