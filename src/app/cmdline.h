// The player's command line, quorvel [OPTIONS] [BOOK], read with the C
// library's getopt_long into plain data. Nothing here touches a file or the
// screen: the caller decides what the words mean for the run.
//
// Every option is one row of the table in cmdline.cpp: its names, its value,
// its help line and what it sets here. Adding an option is adding a row and,
// when it carries a setting, a field below.
#ifndef QUORVEL_CMDLINE_H
#define QUORVEL_CMDLINE_H

#include <string>

// Which display mode the command line asks for, over the windowed setting.
// Whether books open where the reader left them.
enum class ResumeChoice {
    FromSettings, // no --resume or --no-resume: the settings decide, else the place
    On,
    Off,
};

enum class WindowChoice {
    FromSettings, // no --window or --fullscreen: the settings decide
    Window,
    FullScreen,
};

// No --scale: the scale setting decides. (Scales are screen/display.h's: 1
// to MAX_SCALE, or SCALE_AUTO.)
const int SCALE_FROM_SETTINGS = -1;

struct CommandLine {
    enum class Action {
        Play,        // start the player
        ShowHelp,    // print usageText() on standard output, exit 0
        ShowVersion, // print versionText() on standard output, exit 0
        UsageError,  // print `error` and usageText() on standard error, exit 2
        AddToShelf,  // copy `book` onto the reader's shelf (shelf/shelf.h), exit
    };
    Action action = Action::Play;
    std::string error;        // for UsageError: one line naming what is wrong
    std::string book;         // BOOK as given; empty when there is none
    std::string added;        // for AddToShelf: the book --add names
    bool bookGiven = false;   // a BOOK word was there (it may be the empty text)
    int startPage = 0;        // --page N: the page to open at, from 1; 0: the title menu
    WindowChoice window = WindowChoice::FromSettings;
    ResumeChoice resume = ResumeChoice::FromSettings; // --resume, --no-resume (the last wins)
    int scale = SCALE_FROM_SETTINGS; // --scale N: the window's scale, 1 to MAX_SCALE or auto
    bool speech = false;      // --speech: read aloud from the start
};

// Reads argv[1..argc-1]. Help and version win over everything else on the
// line; otherwise the first mistake (unknown option, missing or bad value,
// a second BOOK) makes a UsageError. getopt_long may reorder argv.
CommandLine parseCommandLine(int argc, char** argv);

// The synopsis and one line per option, ending in a newline.
std::string usageText();

// "quorvel <version>", ending in a newline.
std::string versionText();

// Reads `text` as a whole number from 1 to INT_MAX into `number`. Returns
// an empty string, or a message naming `option` and the text when it is
// not such a number. For options that take a count or an index.
std::string parsePositiveNumber(const char* option, const char* text, int& number);

#endif
