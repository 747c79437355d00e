// Opening the files the player reads (pictures, sounds, pages.dat, ini.dat,
// font.dat): only regular files, after following links, and never in a way
// that can block. A FIFO opened for reading waits for a writer for ever, a
// device such as /dev/zero never ends, and a folder or socket is no file at
// all, so each of these is refused before any reading starts, with a word
// for what stands there.
#ifndef QUORVEL_REGULARFILE_H
#define QUORVEL_REGULARFILE_H

#include "text/problem.h"

#include <allegro.h>

#include <cstddef>
#include <optional>
#include <string>

// What stands at a path, as far as reading it goes.
enum class FileKind {
    Regular,
    Missing,     // nothing there (or a link to nothing)
    Directory,
    Fifo,
    Socket,
    Device,      // a character or block device
    Unreadable,  // a regular file that cannot be opened (permissions, ...)
    PathTooLong, // a path longer than the system opens (PATH_MAX, 4096 bytes on Linux)
};

// What is wrong with reading the file at `path`, where `kind` stands: not
// found ("not found"), not a file ("cannot be loaded: it is a FIFO, not a
// regular file" ...) or unreadable. Empty for a regular file.
std::optional<Problem> fileKindProblem(FileKind kind, const char* path);

// A regular file opened for reading, or the reason it was not. Opening
// looks at the path first (stat follows links and never blocks), opens it
// without blocking and checks the opened file again, so that what is read
// is what was checked. The descriptor is closed with the object.
class RegularFile {
public:
    explicit RegularFile(const char* path);
    ~RegularFile();
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    FileKind kind() const { return kind_; }
    // The file's size in bytes when it was opened.
    long long size() const { return size_; }

    // Reads up to `count` bytes at `offset` (never past size()); returns the
    // number read, 0 at the end or on an error.
    std::size_t readAt(long long offset, void* buffer, std::size_t count) const;

    // A library packfile that reads this file from its start, for the
    // library's decoders: buffered, on a descriptor of its own, closed by
    // pack_fclose (the caller's to call). Null when the file is not open or
    // the packfile cannot be made.
    PACKFILE* packfile() const;

    // A descriptor of its own on the same open file, at its start, for a
    // library that reads a descriptor (and closes it); -1 when the file is
    // not open or none can be made.
    int duplicateDescriptor() const;

private:
    int fd_ = -1;
    long long size_ = 0;
    FileKind kind_ = FileKind::Missing;
};

// What stands at `path` (links followed), without opening it.
FileKind fileKindAt(const char* path);

#endif
