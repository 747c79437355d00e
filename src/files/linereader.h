// A book's text files (pages.dat, ini.dat) read line by line, from a
// folder or an archive alike (files/bookfile.h), with each line's memory
// bounded whatever the file holds.
#ifndef QUORVEL_LINEREADER_H
#define QUORVEL_LINEREADER_H

#include "files/bookfile.h"
#include "text/problem.h"

#include <allegro.h>

#include <cstddef>
#include <optional>
#include <string>

// The bytes of a line a LineReader keeps: more than any key and value the
// player keeps can fill (a text of 4096 bytes, a path of 4096), so that a
// line of hundreds of megabytes costs no more memory than this.
const std::size_t LINE_KEPT_BYTES = 16384;

// Reads a text file line by line through the library's packfiles, in the
// form the library's own line reader gives while the text format is UTF-8:
// each byte of the file becomes one character, so a byte above 127 takes two
// bytes. Lines end at LF, CR LF or CR. Of a line longer than LINE_KEPT_BYTES
// only the first LINE_KEPT_BYTES are kept (at a whole character), and a ';'
// when the rest holds one and the kept part none, so that an entry still
// reads as one; the rest is read past. A UTF-8 byte-order mark at the very start is skipped; NUL bytes
// are dropped. Each byte that does not begin a valid UTF-8 sequence of the
// line becomes UTF8_REPLACEMENT (see utf8.h) before it is widened, so that
// whatever is narrowed back from a line is valid UTF-8.
class LineReader {
public:
    // Opens `path` for reading as a book's file (see files/bookfile.h);
    // isOpen() tells whether that worked, problem() why not. A file saved as
    // UTF-16 (text/utf8.h: looksLikeUtf16) is not opened: its problem says
    // so.
    explicit LineReader(const char* path);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    bool isOpen() const { return file_ != nullptr; }
    std::optional<Problem> problem() const;
    // Why the reading stopped before the end of the file (an archive's entry
    // that is damaged: see files/bookfile.h); empty when it did not.
    std::optional<Problem> readProblem() const { return source_.readProblem(); }
    // The file's size in bytes.
    long long size() const { return source_.size(); }

    // Stores the next line in `line` (without its line end). Returns false
    // at the end of the file.
    bool next(std::string& line);

    // False when the last line delivered held bytes that are not valid UTF-8
    // (and were replaced).
    bool lastLineWasUtf8() const { return lastLineWasUtf8_; }

    // The last line delivered as the file holds it: its bytes before any
    // was replaced or widened (NUL bytes dropped), as far as they were kept.
    const std::string& lastLineBytes() const { return bytes_; }

    // The length in bytes of the last line delivered as the file holds it
    // (NUL bytes dropped), kept or not; more than LINE_KEPT_BYTES when the
    // line was cut.
    long long lastLineLength() const { return lastLineLength_; }

private:
    BookFile source_;
    PACKFILE* file_;
    std::string bytes_;
    long long lastLineLength_ = 0;
    bool lastLineWasUtf8_ = true;
    bool utf16_ = false; // the file was refused as UTF-16
};

#endif
