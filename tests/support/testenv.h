// Shared set-up for the tests: a scratch working directory, the library
// started with or without a window, and small file helpers.
#ifndef QUORVEL_TESTENV_H
#define QUORVEL_TESTENV_H

#include "text/problem.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

// QUORVEL_ASAN is defined in a build with AddressSanitizer (GCC's macro or
// clang's feature test), where memory limits and valgrind cannot apply.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORVEL_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define QUORVEL_ASAN 1
#endif

// Creates a fresh empty directory under the system's temporary folder and
// makes it the working directory. Returns its path. When the running test
// passes, the directory is removed after it; when it fails, it is left
// behind for inspection.
std::string enterScratchDir(const std::string& label);

// Writes `contents` to `path` (creating parent folders), byte for byte.
void writeFile(const std::string& path, const std::string& contents);

// The bytes of the file at `path`; empty when it cannot be read.
std::string readFile(const std::string& path);

// Copies a file byte for byte (creating parent folders of `to`).
void copyFile(const std::string& from, const std::string& to);

// Writes a `w` x `h` PNG picture of one colour to `path` (creating parent
// folders). Needs the library started. False when it cannot be written.
bool writePicture(const std::string& path, int w, int h, int r, int g, int b);

// writePicture as a step of a test: a picture that cannot be written fails
// the running test (check HasFatalFailure() after it where that matters).
void putPicture(const std::string& path, int w, int h, int r, int g, int b);

// One page of pages.dat: `lines` between its page_start and page_end lines.
std::string pageOf(const std::string& lines);

// The bytes of a `w` x `h` TGA picture of one colour, of image type
// `imageType` (1, 2, 3 plain; 9, 10, 11 run-length compressed) and
// `bitsPerPixel`; `pixel` is one pixel as the file holds it, `colourMap` the
// bytes of 24-bit colour map entries (no map when empty). A compressed row
// is a run of all its pixels but one, then a raw packet of the last one
// (rows 2 to 129 pixels wide).
std::string tgaPicture(int imageType, int bitsPerPixel, int w, int h, const std::string& pixel,
                       const std::string& colourMap = "");

// Makes allegro_message print to standard output instead of opening an
// xmessage window (it falls back to printing when xmessage is not on PATH).
void silenceMessageBoxes();

// Sends standard output to standard error: allegro_message prints to
// standard output in the tests, and a death test reads standard error.
void toStderr();

// Starts the library without any display, in the UTF-8 text format: files,
// packfiles, datafiles, strings and memory bitmaps work. PNG is registered.
void startLibraryWithoutDisplay();

// Starts the library in a 640 x 480 window (needs an X display), with timer,
// keyboard and mouse, the UTF-8 text format, PNG registered and the demo's
// font.dat as `font`. Creates doubleBuffer. Returns false when no window
// could be opened.
bool startLibraryInWindow();

// The phrase of `problem`, or "" when there is none: what a test compares.
std::string phraseOf(const std::optional<Problem>& problem);

// How a failed expectation shows a problem: its file and phrase.
void PrintTo(const Problem& problem, std::ostream* out);

// What a program run as a child process gave back.
struct ProgramRun {
    int status = -1;    // exit status, -1 when it did not exit normally
    std::string output; // standard output, and standard error when asked for
};

// Runs `program` with `args` (each passed as one word, through the shell)
// and collects its output; standard error joins it when `withErrors`, else
// it is thrown away.
ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args,
                      bool withErrors);

#endif
