#include "main.h"

#include "app/bookplace.h"
#include "app/cmdline.h"
#include "app/language.h"
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
#include <optional>
#include <string>

int gameOver = 0;

namespace {

// Finds the place to play (what BOOK names, or where the player stands, or
// the installed demo book) and enters it. Returns why not, as the line to
// tell, when there is nothing to play there.
std::optional<std::string> enterPlace(const CommandLine& line, BookPlace& place)
{
    place = line.bookGiven ? locateBook(line.book) : placeWithoutBook();
    if (place.kind == BookPlace::Kind::Nothing && place.problem)
        return quoted(place.problem->file) + " " + place.problem->phrase;
    if (place.kind == BookPlace::Kind::Nothing)
        return "no book at " + quoted(line.book) + ": a book folder holds pages.dat,"
               " a working directory ini.dat";
    // The book is named by its folder's name in the reader's fixed path
    // buffers: a name that leaves no room for "/pages.dat" cannot be read.
    const std::size_t room = PATH_SIZE - 1 - std::strlen("/pages.dat");
    if (place.kind == BookPlace::Kind::BookFolder && place.book.size() > room)
        return "the book folder's name " + quoted(place.book) + " is "
               + std::to_string(place.book.size()) + " bytes, more than the "
               + std::to_string(room) + " the player has room for: give the folder a shorter name";
    if (!enterBookPlace(place))
        return "cannot enter " + quoted(place.workDir);
    return std::nullopt;
}

// A start-up problem is shown in the library's message box as well as said
// on standard error, so that a start from a file manager or the desktop's
// menu, with no terminal to read, shows why it ends. Only where a display
// is named: without one the line is all, and no window is tried.
void showStartProblem(const std::string& why)
{
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display || startLibrary() != 0)
        return;
    showMessage(("Can not open the book\n" + why).c_str());
    allegro_exit();
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
    startLanguage();
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
    // The player takes no typed text, so the X input method that the
    // keyboard opens need not parse the locale's whole Compose table: that
    // alone took a third of the start-up. A Compose file the user chose is kept.
    setenv("XCOMPOSEFILE", "/dev/null", 0);
    BookPlace place;
    if (const std::optional<std::string> why = enterPlace(line, place)) {
        complain(*why);
        showStartProblem(*why);
        return EXIT_NO_BOOK;
    }
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
    choices.speech = line.speech;
    init(choices);
    const int status = play(line.startPage);
    done();
    return status;
}
END_OF_MAIN()
