// A book as one file: a zip archive read in place through libzip, never
// unpacked to disk. The book's pages.dat lies at the archive's root or
// inside its one top folder (as zipping a book's folder makes it); the
// book's paths are looked up from there, and only inside the archive.
//
// An archive comes from anywhere (a download, a mail), so it is looked at
// whole before anything in it is read, and refused, with the archive and
// the entry named, when it is damaged or cut short, when libzip finds its
// directory and its entries' own headers disagreeing (which is how an entry
// whose stated size lies, or entries that overlap, show), when it holds
// more than MAX_ARCHIVE_ENTRIES entries, an encrypted entry, an entry named
// with ".." or from the root, two entries of one name, an entry packed in a
// way libzip cannot unpack, or one that states more than MAX_ENTRY_BYTES
// once inflated (a compression bomb). What an entry holds is checked as it
// is read (files/bookfile.h): never more than it states is inflated.
#ifndef QUORVEL_ARCHIVE_H
#define QUORVEL_ARCHIVE_H

#include "text/problem.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// The most entries an archive may hold: a book of a thousand pages, each
// with a picture, an illustration and a sound, holds about three thousand.
const long long MAX_ARCHIVE_ENTRIES = 10000;

// The most bytes one entry may hold once inflated. It is inflated into
// memory as it is read; the largest file the decoders take (a picture of
// 4096 x 4096 at 32 bits as BMP, a sound of MAX_SOUND_BYTES as 16-bit WAV)
// fits.
const long long MAX_ENTRY_BYTES = 128LL << 20;

struct ArchiveEntry {
    std::string name;          // as the archive names it
    std::uint64_t index = 0;   // libzip's
    long long size = 0;        // stated, once inflated
    bool folder = false;       // a name that ends in '/'
    bool stored = false;       // kept as it is, not compressed
};

// True when the regular file at `path` begins as a zip archive does (a
// local file header, or the end record of an empty archive). Opens nothing
// that blocks.
bool looksLikeZipArchive(const std::string& path);

class Archive {
public:
    // Opens the archive at `path` (as the player names it: messages name it
    // so) and looks at every entry, as said above. Refuses what is not a
    // regular file without opening it for reading.
    static Result<std::shared_ptr<Archive>> open(const std::string& path);
    ~Archive();
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    // The path as given, and made absolute without links resolved: every
    // path below the latter is read from the archive (files/bookfile.h).
    const std::string& shownPath() const { return shownPath_; }
    const std::string& path() const { return path_; }

    // Where pages.dat lies: "" at the root, "forest/" in one top folder;
    // empty when the archive holds no book (holdsBook() false).
    const std::string& bookRoot() const { return bookRoot_; }
    bool holdsBook() const { return holdsBook_; }

    // The entry a book path ("pico/owl.png", already free of "." and "..")
    // names, below the book's root; null when there is none.
    const ArchiveEntry* find(const std::string& bookPath) const;

    // Every entry, in the archive's order.
    const std::vector<ArchiveEntry>& entries() const { return entries_; }

    // libzip's handle, for files/bookfile.cpp.
    struct zip* handle() const { return zip_; }

private:
    Archive() = default;

    std::string shownPath_;
    std::string path_;
    std::string bookRoot_;
    bool holdsBook_ = false;
    struct zip* zip_ = nullptr;
    std::vector<ArchiveEntry> entries_;
    std::unordered_map<std::string, std::size_t> byName_; // normalised name -> entry
};

// An entry of an archive, read from its start as far as asked, for
// BookFile. Inflated bytes are kept, so a read behind what was read costs
// nothing; a stored entry is read where asked, without keeping anything.
class EntryReader {
public:
    // `shown` is the path messages name the entry by.
    EntryReader(std::shared_ptr<Archive> archive, const ArchiveEntry& entry, std::string shown);
    ~EntryReader();
    EntryReader(const EntryReader&) = delete;
    EntryReader& operator=(const EntryReader&) = delete;

    long long size() const { return entry_.size; }
    // True when the entry is compressed: reading it anywhere means inflating
    // everything before that place.
    bool packed() const { return !entry_.stored; }
    std::size_t readAt(long long offset, void* buffer, std::size_t count);
    // Why a read stopped short; empty while nothing went wrong.
    const std::optional<Problem>& problem() const { return problem_; }

private:
    bool openEntry();
    // Inflates until `end` bytes are held, the entry ends or fails.
    void inflateTo(long long end);
    void fail(ProblemKind kind, std::string phrase);

    std::shared_ptr<Archive> archive_;
    ArchiveEntry entry_;
    std::string shown_;
    struct zip_file* file_ = nullptr;
    std::vector<unsigned char> inflated_;
    bool ended_ = false;
    std::optional<Problem> problem_;
};

#endif
