// quorvel-check [--dot] [--font FONT.DAT] PATH
//
// Checks a book the way the player reads it and reports every problem in
// compiler style, then a count; with --dot prints the page map in Graphviz
// DOT instead. PATH is a book folder (holding pages.dat) or a working
// directory (holding ini.dat, whose book setting names the book).
// Exit status: 0 when nothing is wrong enough to be an error, 1 otherwise,
// 2 for bad usage.
#include "check.h"
#include "pagemap.h"
#include "report.h"
#include "session.h"

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace {

const char* const usage = "usage: quorvel-check [--dot] [--font FONT.DAT] PATH\n"
                          "  PATH  a book folder (holding pages.dat) or a working directory\n"
                          "        (holding ini.dat)\n"
                          "  --dot          print the page map in Graphviz DOT instead of a report\n"
                          "  --font FILE    the font.dat to check characters against\n";

struct Arguments {
    bool dot = false;
    std::string font;  // "" for the player's own font.dat
    std::string path;
};

// False on anything but one PATH with the known options.
bool parseArguments(int argc, char** argv, Arguments& arguments)
{
    bool pathSeen = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--dot") {
            arguments.dot = true;
        } else if (argument == "--font") {
            if (i + 1 == argc)
                return false;
            arguments.font = argv[++i];
        } else if (argument.size() > 1 && argument[0] == '-') {
            return false;
        } else if (!pathSeen) {
            arguments.path = argument;
            pathSeen = true;
        } else {
            return false;
        }
    }
    return pathSeen && !arguments.path.empty();
}

// Reports a problem that stops the check before the book is read.
int stopWith(const std::string& file, const std::string& message)
{
    const std::vector<Finding> findings = {{0, Severity::Error, message}};
    std::cout << formatFinding(file, findings[0]) << '\n' << summaryLine(findings) << '\n';
    return 1;
}

int run(const Arguments& arguments)
{
    BookLocation location = locateBookToCheck(arguments.path);
    if (location.place.kind == BookPlace::Kind::Nothing)
        return stopWith(location.place.shownPath, "no ini.dat or pages.dat there");
    // Named before the working directory changes.
    std::string fontPath = location.fontPath;
    if (!arguments.font.empty()) {
        std::error_code failed;
        fontPath = std::filesystem::absolute(arguments.font, failed).string();
        if (failed)
            return stopWith(arguments.font, "cannot find this font: " + failed.message());
    }
    if (!startLibraryForChecking()) {
        std::cerr << "quorvel-check: cannot start the Allegro library\n";
        return 1;
    }
    if (!enterBook(location))
        return stopWith(location.place.shownPath, "cannot enter this folder");

    LoadedFont font = loadFont(fontPath);
    if (!arguments.font.empty() && !font.font) {
        std::cerr << "quorvel-check: " << arguments.font << " is not a font datafile\n";
        unloadFont(font);
        return 2;
    }
    // The player's own font.dat: when it is there but unusable the player
    // cannot start at all.
    std::vector<Finding> fontFindings;
    std::string fontNote;
    if (!font.font && font.found)
        fontFindings.push_back({0, Severity::Error,
                                "not a font datafile (its first object must be a font): "
                                "the player cannot start; characters not checked"});
    else if (!font.font)
        fontNote = "quorvel-check: note: no font.dat at " + fontPath + ": characters not checked\n";

    const CheckResult result = checkBook({font.font, location.playerBook});
    unloadFont(font);

    std::vector<Finding> all = fontFindings;
    all.insert(all.end(), result.findings.begin(), result.findings.end());
    const bool anyError = countOf(all, Severity::Error) > 0;

    if (arguments.dot && result.opened) {
        std::cout << pageMapDot(result.map);
        return anyError ? 1 : 0;
    }
    // A map that cannot be drawn still says why, away from the DOT output.
    std::ostream& out = arguments.dot ? std::cerr : std::cout;
    for (const Finding& finding : fontFindings)
        out << formatFinding(fontPath, finding) << '\n';
    for (const Finding& finding : result.findings)
        out << formatFinding(location.reportFile, finding) << '\n';
    out << fontNote << summaryLine(all) << '\n';
    return anyError ? 1 : 0;
}

} // namespace

int main(int argc, char** argv)
{
    Arguments arguments;
    if (!parseArguments(argc, argv, arguments)) {
        std::cerr << usage;
        return 2;
    }
    return run(arguments);
}
