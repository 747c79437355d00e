// What went wrong with a file the player reads or writes, told the one way
// every room tells it: the looks and decoders of pictures and sounds, the
// book reader, the settings reader, the font reader and the resume state
// all give back a Problem, and only the application shell (app/report.h)
// turns one into a line on standard error, a message box or an exit.
//
// The shape is always the same: a step that makes something returns a
// Result, whose `problem` is empty when the step worked; a step that makes
// nothing returns the std::optional<Problem> alone. A phrase never carries
// the file's name: it is told after it ("\"books/t/pico/owl.png\" not
// found"), so that every caller can name the file its own way (whole, or
// relative to the book).
#ifndef QUORVEL_PROBLEM_H
#define QUORVEL_PROBLEM_H

#include <optional>
#include <string>

// What kind of failure a problem is.
enum class ProblemKind {
    NotFound,     // nothing stands at the path (or a link to nothing)
    NotAFile,     // a folder, FIFO, socket or device stands there
    Unreadable,   // a file that cannot be opened or read
    Unsupported,  // a format, or a kind of one, that the player does not read
    TooLarge,     // past a limit the player keeps to (picture sides, sound length)
    Damaged,      // its header or its data cannot be decoded
    NoMemory,     // there is not enough memory to decode it
    NotWritten,   // a file the player writes cannot be written
};

struct Problem {
    ProblemKind kind;
    std::string file;    // the path as the player named it
    std::string phrase;  // what is wrong, told after the file's name
    int line = 0;        // the line of the file it is at, from 1; 0 for the whole file
};

// What a step that makes a T gives back: the T, or, when it could not make
// it, value-initialised (null for a pointer) with the problem set.
template <typename T>
struct Result {
    T value{};
    std::optional<Problem> problem;
};

// `text` in double quotes, as every message names a file, a key or a value,
// its control characters written out (text/utf8.h: escapeControls): a name
// a book gives reaches a terminal as text, never as a command to it.
// (A std::string argument picks this one over std::quoted, which is a
// template.)
std::string quoted(const std::string& text);

#endif
