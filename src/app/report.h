// How the player tells what went wrong, and how it ends: the one place that
// writes "quorvel:" lines on standard error, shows the library's message box
// and ends the process. The rooms below the application shell never do any
// of these: they give back a Problem (text/problem.h), and the shell (main,
// init, the two screens) decides what to tell and whether to go on.
//
// A line on standard error is for whoever started the player from a
// terminal: it names the file, the folder and what to do, in English. The
// message box is for the reader at the screen, in the fixed words the player
// has always used ("Can not load ...", "Programm will be closed."), which
// are message ids (app/language.h): the box shows them in the reader's
// language.
#ifndef QUORVEL_REPORT_H
#define QUORVEL_REPORT_H

#include "text/problem.h"

#include <string>

// How the player ends, one status for each kind of end. The README and the
// manual page list them.
const int EXIT_QUIT = 0;         // the reader quit (also --help and --version)
const int EXIT_CANNOT_LOAD = 1;  // a file it needs cannot be loaded: the font, the title
                                 // picture, a picture or sound of the book
const int EXIT_USAGE = 2;        // a wrong command line, or --page past the book
const int EXIT_NO_BOOK = 3;      // no book at the place given, or a place it cannot enter
const int EXIT_NO_DISPLAY = 4;   // no display, no graphics mode, or no logical screen

// Writes "quorvel: " + `line` as one line on standard error, its control
// characters written out (text/utf8.h: escapeControls).
void complain(const std::string& line);

// Shows the message id `message` in the reader's language, verbatim (a '%'
// in it is no format directive), in the library's message box. The program
// goes on.
void showMessage(const char* message);

// Shows `message` as showMessage does and ends the process with `status`.
// Does not return.
[[noreturn]] void fatalError(const char* message, int status = EXIT_CANNOT_LOAD);

// fatalError, after `explanation` on standard error (complain): for start-up,
// which a reader may have run from a terminal in the wrong folder.
[[noreturn]] void fatalStartError(const char* message, const std::string& explanation,
                                  int status);

// Ends the program with EXIT_CANNOT_LOAD and the message for a file that
// cannot be loaded: "Can not load \"<path>\"" and "Programm will be closed."
// on a second line (in the reader's language), made in a buffer of 128
// bytes (a longer path is cut), the path's control characters written out.
[[noreturn]] void cannotLoad(const char* path);

// cannotLoad for the problem's file, after saying on standard error what is
// wrong with it: `quorvel: "<file>" <phrase>`.
[[noreturn]] void cannotLoadBecause(const Problem& problem);

#endif
