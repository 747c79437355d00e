// The keys of the book file, pages.dat, and what each one means: where it
// may stand, what its value is, which choice or end message it belongs to
// and the bytes the player keeps of it. The book reader goes by this table,
// and the book checker reads a book against it (through the reader's
// events, which name each line's row), so that a rule of the file is
// written once.
#ifndef QUORVEL_BOOKKEYS_H
#define QUORVEL_BOOKKEYS_H

#include "text/keyvalue.h"

#include <cstddef>
#include <string_view>
#include <vector>

enum class BookKeyId {
    BookName, DefaultBg, EndMessage1, EndMessage2, EndMessage3,
    PageStart, RoomName, But1Text, But1Goto, But2Text, But2Goto,
    But3Text, But3Goto, TextMain, PicoName, SoundName, SoundLoop, PageEnd,
};

// Where a key may stand.
enum class KeyLevel {
    Book,      // anywhere: it holds for the pages that follow
    PageBound, // page_start and page_end, which open and close a page
    Page,      // inside a page only; outside one it is ignored
};

// What a key's value is.
enum class KeyValue {
    Text,     // a text the player keeps (cut to `limit`)
    Target,   // a choice's target: a page number, or a page's name (text/target.h)
    Picture,  // a file under the book's pico/
    Sound,    // a file under the book's audio/
    Flag,     // exactly YES or anything else (text/keyvalue.h)
    PageName, // the name a page_start line gives its page
    Nothing,  // page_end: the value is not read
};

struct BookKey {
    const char* name;
    BookKeyId id;
    KeyLevel level;
    KeyValue value;
    // Which one of a numbered set: the choice (1 to 3) of butN_text and
    // butN_goto, the line (1 to 3) of end_message_N; 0 for the others.
    int number;
    // Bytes the player keeps of a text, or of the path a file's name makes,
    // terminator included (text/buffers.h); 0 when it keeps no cut copy.
    std::size_t limit;
    // For the room name: the bytes of it the page draws, terminator
    // included; 0 for the others.
    std::size_t drawn;
    bool shown;          // a text a reader sees (room name, main text, labels, end messages)
    const char* folder;  // for a picture or sound: the book's folder for it ("/pico/")
    FlagMeaning flag;    // for a flag: what YES and any other value do
};

// Every key, book-level keys first, in the order the reader compares them.
const std::vector<BookKey>& bookKeys();

// The row of `name` (compared byte for byte), or null for a key the book
// file does not know.
const BookKey* findBookKey(std::string_view name);

// The row of `id`.
const BookKey& bookKey(BookKeyId id);

// The row of choice `choice` (1 to 3) whose value is `value` (Text for its
// label, Target for its target).
const BookKey& choiceKey(int choice, KeyValue value);

#endif
