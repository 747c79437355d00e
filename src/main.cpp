#include "main.h"

#include "app/bookplace.h"
#include "app/cmdline.h"
#include "app/report.h"
#include "app/startfiles.h"
#include "app/startlibrary.h"
#include "gamepage.h"
#include "init.h"
#include "screen/dialogpass.h"
#include "text/buffers.h"
#include "title.h"

#include <allegro.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int gameOver = 0;

namespace {

// Finds the place to play (what BOOK names, or where the player stands, or
// the installed demo book) and enters it. Returns false, having said why,
// when there is nothing to play there.
bool enterPlace(const CommandLine& line, BookPlace& place)
{
    place = line.bookGiven ? locateBook(line.book) : placeWithoutBook();
    if (place.kind == BookPlace::Kind::Nothing && place.problem) {
        complain(quoted(place.problem->file) + " " + place.problem->phrase);
        return false;
    }
    if (place.kind == BookPlace::Kind::Nothing) {
        complain("no book at " + quoted(line.book) + ": a book folder holds pages.dat,"
                 " a working directory ini.dat");
        return false;
    }
    // The book is named by its folder's name in the reader's fixed path
    // buffers: a name that leaves no room for "/pages.dat" cannot be read.
    const std::size_t room = PATH_SIZE - 1 - std::strlen("/pages.dat");
    if (place.kind == BookPlace::Kind::BookFolder && place.book.size() > room) {
        complain("the book folder's name " + quoted(place.book) + " is "
                 + std::to_string(place.book.size()) + " bytes, more than the "
                 + std::to_string(room) + " the player has room for: give the folder a shorter name");
        return false;
    }
    if (!enterBookPlace(place)) {
        complain("cannot enter " + quoted(place.workDir));
        return false;
    }
    return true;
}

// The title menu and the book in turn until the reader quits. With a first
// page asked for (from 1), the book opens there at once.
int play(int startPage)
{
    bool straightToBook = startPage > 0;
    while (gameOver == 0) {
        if (straightToBook || title()) {
            int pageCount = 0;
            const int outcome = gamePage(straightToBook ? startPage - 1 : FROM_THE_START, &pageCount);
            if (outcome == PAGE_NOT_IN_BOOK) {
                complain("--page " + std::to_string(startPage) + ": the book has "
                         + std::to_string(pageCount) + (pageCount == 1 ? " page" : " pages"));
                return EXIT_USAGE;
            }
            straightToBook = false;
            if (closeRequested)
                gameOver = -1;
        } else {
            gameOver = -1;
        }
    }
    return EXIT_QUIT;
}

} // namespace

int main(int argc, char** argv)
{
    const CommandLine line = parseCommandLine(argc, argv);
    switch (line.action) {
    case CommandLine::Action::ShowHelp:
        std::fputs(usageText().c_str(), stdout);
        return EXIT_QUIT;
    case CommandLine::Action::ShowVersion:
        std::fputs(versionText().c_str(), stdout);
        return EXIT_QUIT;
    case CommandLine::Action::UsageError:
        complain(line.error);
        std::fputs(usageText().c_str(), stderr);
        return EXIT_USAGE;
    case CommandLine::Action::Play:
        break;
    }
    BookPlace place;
    if (!enterPlace(line, place))
        return EXIT_NO_BOOK;

    // The player takes no typed text, so the X input method that the
    // keyboard opens need not parse the locale's whole Compose table: that
    // alone took a third of the start-up. A Compose file the user chose is kept.
    setenv("XCOMPOSEFILE", "/dev/null", 0);
    // Without a display the library cannot start, and its later calls would
    // crash: say so plainly and fail. A server that was resetting is tried
    // again (app/startlibrary.h).
    if (startLibrary() != 0) {
        complain(std::string("cannot start: a graphical display is needed (is DISPLAY set?): ")
                 + allegro_error);
        return EXIT_NO_DISPLAY;
    }
    StartupChoices choices;
    choices.window = line.window;
    choices.resume = line.resume;
    choices.files = startFilesFor(place);
    choices.scale = line.scale;
    init(choices);
    const int status = play(line.startPage);
    done();
    return status;
}
END_OF_MAIN()
