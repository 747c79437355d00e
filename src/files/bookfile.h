// The one way the player and the checker read a file of a book: the book
// file, the settings, the font, every picture and sound. A book is a folder
// or a zip archive (files/archive.h); a path that lies inside an archive
// the player has opened (mountArchive) is read from the archive itself,
// every other path from disk as a regular file (text/regularfile.h). The
// decoders see the same thing either way: a size, bytes read at an offset,
// and a library packfile.
#ifndef QUORVEL_BOOKFILE_H
#define QUORVEL_BOOKFILE_H

#include "text/problem.h"
#include "text/regularfile.h"

#include <allegro.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

class Archive;
class EntryReader;

// A file of a book opened for reading, or the reason it was not. The path is
// taken as the player names it (relative to the current directory, or
// absolute); the problem names it the same way.
class BookFile {
public:
    explicit BookFile(const char* path);
    explicit BookFile(const std::string& path) : BookFile(path.c_str()) {}
    ~BookFile();
    BookFile(const BookFile&) = delete;
    BookFile& operator=(const BookFile&) = delete;

    bool isOpen() const { return !problem_; }
    // The path it was opened from.
    const std::string& path() const { return path_; }
    // Why it is not open: not found, not a regular file, unreadable, or an
    // archive's entry that cannot be read (too large once inflated, packed
    // in a way the player does not read). Empty when it is open.
    const std::optional<Problem>& problem() const { return problem_; }

    // Its size in bytes (as stated, for an archive's entry).
    long long size() const { return size_; }

    // True for an archive's entry kept compressed: reading its end means
    // inflating all of it, where a file on disk or a stored entry is read
    // where asked.
    bool readsOnlyFromItsStart() const;

    // Reads up to `count` bytes at `offset` (never past size()); returns the
    // number read, 0 at the end or on an error. An archive's entry is
    // inflated as far as it is read, once: reading it backward costs nothing
    // more. Not for two threads at once.
    std::size_t readAt(long long offset, void* buffer, std::size_t count) const;

    // Why the last read of an archive's entry stopped short (the entry holds
    // more or less than it states, or its data is damaged); empty for a file
    // on disk and while nothing went wrong.
    std::optional<Problem> readProblem() const;

    // A library packfile that reads this file from its start, for the
    // library's decoders; closed by pack_fclose (the caller's to call), and
    // to be closed before this object goes. Null when the file is not open or
    // the packfile cannot be made.
    PACKFILE* packfile() const;

    // The path of the regular file on disk that this is, for a library that
    // opens files by name only; null for an archive's entry.
    const char* diskPath() const;

private:
    std::string path_;
    std::optional<Problem> problem_;
    long long size_ = 0;
    std::unique_ptr<RegularFile> disk_;
    std::unique_ptr<EntryReader> entry_;
};

// What stands at `path`, as a book's file: empty for a file that can be
// read, else why not (see BookFile::problem). Opens nothing that blocks.
std::optional<Problem> bookFileProblem(const std::string& path);

// Why the file at `path`, which a book names inside its `folder` (the
// book's pico/ or audio/ folder, ending in '/'; `path` is `folder` followed
// by the name the book gives), must not be read: the name is absolute, or
// it climbs above `folder` through "..", or, on disk, a link on its way
// leads out of `folder` (an absolute link counts only when its own text
// lies inside the folder's resolved path). Empty when the file lies
// inside. The answer hangs on the name and on the links inside the folder
// alone, never on what lies outside it, so that a book cannot learn by it
// which files the reader has. The problem is NotFound: such a file is
// refused as a missing one is, with a phrase of its own.
std::optional<Problem> outsideFolderProblem(const std::string& folder, const std::string& path);

// Makes every path inside `archive`'s own path (Archive::path, absolute)
// read from the archive, until unmountArchives. A path that leads out of
// the archive's book through ".." finds nothing, and so does one into the
// archive outside its book's root. Several archives may be mounted at once.
void mountArchive(std::shared_ptr<Archive> archive);
void unmountArchives();

// The first `end` bytes of an open file, read in order from a position that
// may be moved: what a decoding library reads through its callbacks. The
// file stays the caller's and must outlive the window.
class FileWindow {
public:
    FileWindow(const BookFile& file, long long end) : file_(&file), end_(end) {}

    long long end() const { return end_; }
    long long at() const { return at_; }

    // Reads up to `count` bytes from the position, never past the end, and
    // moves the position past them. Returns the number read.
    std::size_t read(void* buffer, std::size_t count);

    // The position `offset` bytes from the start (SEEK_SET), from the
    // position (SEEK_CUR) or from the end (SEEK_END); it may lie outside the
    // window.
    long long seekTarget(long long offset, int whence) const;

    // Moves the position to `to`, held within 0 to end().
    void moveTo(long long to);

private:
    const BookFile* file_;
    long long end_;
    long long at_ = 0;
};

#endif
