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
#include "screen/display.h"
#include "shelf/shelf.h"
#include "shelf/shelfscreen.h"
#include "speech/readaloud.h"
#include "text/buffers.h"
#include "title.h"

#include <allegro.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>
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

// Whether the player shows the shelf: started with no book and in no
// working directory (as the desktop's menu entry starts it), where it would
// otherwise open the installed demo book.
bool showsShelf(const CommandLine& line, const BookPlace& place)
{
    return !line.bookGiven && place.kind == BookPlace::Kind::BookFolder;
}

// The options a book read from the shelf is started with: the reader's
// display and reading choices, as they gave them to the shelf.
std::vector<std::string> optionsFor(const CommandLine& line)
{
    std::vector<std::string> options;
    if (line.window == WindowChoice::Window)
        options.push_back("--window");
    if (line.window == WindowChoice::FullScreen)
        options.push_back("--fullscreen");
    if (line.resume == ResumeChoice::On)
        options.push_back("--resume");
    if (line.resume == ResumeChoice::Off)
        options.push_back("--no-resume");
    if (line.scale != SCALE_FROM_SETTINGS)
        options.push_back("--scale=" + (line.scale == SCALE_AUTO ? std::string("auto")
                                                                 : std::to_string(line.scale)));
    if (readingAloud())
        options.push_back("--speech");
    return options;
}

// Reads the book at `path` in a player of its own, and waits for it to end.
// Each book runs in a process of its own, so that nothing of one book (the
// pages, the settings its folder brings, an ending on a file it cannot
// load) reaches the shelf or the next book: the reader comes back to the
// shelf however the book ends. Returns false when it could not be started.
bool readInItsOwnPlayer(const std::string& path, const CommandLine& line)
{
    std::vector<std::string> words = {"quorvel"};
    for (const std::string& option : optionsFor(line))
        words.push_back(option);
    words.push_back("--");
    words.push_back(path);
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawn(&child, "/proc/self/exe", nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    // What was typed to the shelf until now is done with. From here on its
    // window gets keys only when the reader types to it, most often in the
    // moment the book's window has gone and before the shelf is drawn
    // again: the shelf takes those as it is made again (shelfscreen.cpp),
    // however long the child takes to end after its window.
    clear_keybuf();
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return true;
}

// The shelf until the reader quits it: each book picked is read in a player
// of its own (readInItsOwnPlayer), then the shelf shows again, where the
// reader was, with where they left that book.
int runShelf(const CommandLine& line)
{
    const ShelfPlaces places = shelfPlaces();
    int selected = 0;
    for (;;) {
        const ShelfAnswer answer = shelfScreen(gatherShelf(places), selected);
        if (answer.kind == ShelfAnswer::Kind::Quit || closeRequested)
            return EXIT_QUIT;
        const BookPlace place = locateBook(answer.path);
        if (place.kind == BookPlace::Kind::BookFolder) {
            char* real = realpath(answer.path.c_str(), nullptr);
            const std::string absolute = real ? real : "";
            std::free(real);
            if (const std::optional<Problem> unkept = noteOpened(places.openedList, absolute))
                complain("cannot keep the list of books opened in " + quoted(unkept->file) + ": "
                         + unkept->phrase);
        }
        if (!readInItsOwnPlayer(answer.path, line))
            complain("cannot start a player for " + quoted(answer.path));
    }
}

// --add: copies a book onto the shelf and says where it went.
int addBook(const CommandLine& line)
{
    const Result<std::string> added = addToShelf(line.added, shelfPlaces().shelfFolder);
    if (added.problem) {
        const std::string why = quoted(added.problem->file) + " " + added.problem->phrase;
        complain(why);
        return EXIT_NO_BOOK;
    }
    std::printf("quorvel: %s is on your shelf\n", quoted(added.value).c_str());
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
    case CommandLine::Action::AddToShelf:
        return addBook(line);
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
    const int status = showsShelf(line, place) ? runShelf(line) : play(line.startPage);
    done();
    return status;
}
END_OF_MAIN()
