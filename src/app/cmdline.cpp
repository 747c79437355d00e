#include "app/cmdline.h"

#include "app/version.h"
#include "screen/display.h"
#include "text/problem.h"
#include "text/target.h"

#include <getopt.h>

#include <climits>
#include <cstdlib>
#include <vector>

namespace {

// One option of the command line.
struct OptionRow {
    const char* name;      // the long name, without "--"
    char shortName;        // the one-letter name, or 0 for none
    const char* valueName; // how the usage names its value; null: it takes none
    std::string help;      // one line for the usage
    // Records the option in `line`; `value` is null for options without one.
    // Returns an empty string, or what is wrong with the value.
    std::string (*apply)(CommandLine& line, const char* value);
};

std::string setAction(CommandLine& line, CommandLine::Action action)
{
    line.action = action;
    return {};
}

std::string setWindow(CommandLine& line, WindowChoice choice)
{
    line.window = choice;
    return {};
}

// The scales --scale takes, for its help and its complaint.
const std::string scaleRange = "1 to " + std::to_string(MAX_SCALE) + ", or auto";

std::string setScale(CommandLine& line, const char* value)
{
    if (parseScale(value, line.scale))
        return {};
    return "--scale needs a whole number from " + scaleRange + ", not \"" + std::string(value) + "\"";
}

const OptionRow optionRows[] = {
    {"page", 0, "N", "open the book at page N, without the title menu",
     [](CommandLine& line, const char* value) {
         return parsePositiveNumber("--page", value, line.startPage);
     }},
    {"window", 0, nullptr, "play in a window, whatever the settings say",
     [](CommandLine& line, const char*) { return setWindow(line, WindowChoice::Window); }},
    {"fullscreen", 0, nullptr, "play full screen, whatever the settings say",
     [](CommandLine& line, const char*) { return setWindow(line, WindowChoice::FullScreen); }},
    {"resume", 0, nullptr, "open each book where you left it, whatever the settings say",
     [](CommandLine& line, const char*) {
         line.resume = ResumeChoice::On;
         return std::string();
     }},
    {"no-resume", 0, nullptr, "open each book at its first page and remember nothing",
     [](CommandLine& line, const char*) {
         line.resume = ResumeChoice::Off;
         return std::string();
     }},
    {"speech", 0, nullptr, "read aloud from the start (V turns it off and on)",
     [](CommandLine& line, const char*) {
         line.speech = true;
         return std::string();
     }},
    {"scale", 0, "N",
     "show the window N times " + std::to_string(LOGICAL_W) + " x " + std::to_string(LOGICAL_H)
         + " (" + scaleRange + "), whatever the settings say",
     setScale},
    {"add", 0, "BOOK", "copy BOOK (a book folder or a zip archive of one) onto your shelf and exit",
     [](CommandLine& line, const char* value) {
         line.added = value;
         return setAction(line, CommandLine::Action::AddToShelf);
     }},
    {"help", 'h', nullptr, "show this help and exit",
     [](CommandLine& line, const char*) { return setAction(line, CommandLine::Action::ShowHelp); }},
    {"version", 0, nullptr, "show the version and exit",
     [](CommandLine& line, const char*) {
         return setAction(line, CommandLine::Action::ShowVersion);
     }},
};

const int rowCount = static_cast<int>(sizeof optionRows / sizeof optionRows[0]);

// getopt_long reports an option by a number: its letter, or, for options
// with no letter, a number past every character.
const int FIRST_LONG_ONLY = 256;

int optionCode(int row)
{
    return optionRows[row].shortName ? optionRows[row].shortName : FIRST_LONG_ONLY + row;
}

// The row of `code`, or -1.
int rowOfCode(int code)
{
    for (int row = 0; row < rowCount; ++row)
        if (optionCode(row) == code)
            return row;
    return -1;
}

// "--name", or "-n, --name" when the option has a letter.
std::string spelling(const OptionRow& row)
{
    std::string names = std::string("--") + row.name;
    if (row.shortName)
        names = std::string("-") + row.shortName + ", " + names;
    return names;
}

// The option as the usage lists it: its names and its value.
std::string usageName(const OptionRow& row)
{
    std::string name = spelling(row);
    if (row.valueName)
        name += std::string(" ") + row.valueName;
    return name;
}

// What getopt_long refused, as one line; `code` is what it returned.
std::string refusal(int code, int argc, char** argv)
{
    const int row = rowOfCode(optopt);
    // The word getopt_long was looking at: it has moved past it.
    const std::string word = optind > 0 && optind <= argc ? argv[optind - 1] : "";
    if (code == ':' && row >= 0)
        return "option --" + std::string(optionRows[row].name) + " needs a value ("
               + optionRows[row].valueName + ")";
    if (row >= 0 && !optionRows[row].valueName)
        return "option --" + std::string(optionRows[row].name) + " takes no value";
    if (optopt > 0 && optopt < FIRST_LONG_ONLY)
        return "unknown option " + quoted(std::string("-") + static_cast<char>(optopt));
    return "unknown option " + quoted(word);
}

} // namespace

std::string parsePositiveNumber(const char* option, const char* text, int& number)
{
    long long value = 0;
    if (!readWholeNumber(text, 1, INT_MAX, value))
        return std::string(option) + " needs a whole number from 1, not " + quoted(text);
    number = static_cast<int>(value);
    return {};
}

CommandLine parseCommandLine(int argc, char** argv)
{
    std::vector<option> longOptions;
    // ':' first: a missing value is told apart from an unknown option.
    std::string shortOptions = ":";
    for (int row = 0; row < rowCount; ++row) {
        const OptionRow& r = optionRows[row];
        longOptions.push_back({r.name, r.valueName ? required_argument : no_argument, nullptr,
                               optionCode(row)});
        if (r.shortName) {
            shortOptions += r.shortName;
            if (r.valueName)
                shortOptions += ':';
        }
    }
    longOptions.push_back({nullptr, 0, nullptr, 0});

    CommandLine line;
    std::string firstError;
    opterr = 0;  // mistakes are reported here, in one line, not by getopt
    optind = 0;  // start afresh, even when called before
    for (;;) {
        const int code = getopt_long(argc, argv, shortOptions.c_str(), longOptions.data(), nullptr);
        if (code == -1)
            break;
        const int row = rowOfCode(code);
        std::string problem = row >= 0 && code != '?' && code != ':'
                                  ? optionRows[row].apply(line, optarg)
                                  : refusal(code, argc, argv);
        if (firstError.empty())
            firstError = problem;
    }
    for (int i = optind; i < argc; ++i) {
        if (!line.bookGiven) {
            line.book = argv[i];
            line.bookGiven = true;
        } else if (firstError.empty()) {
            firstError = "more than one BOOK: " + quoted(argv[i]);
        }
    }

    if (line.action == CommandLine::Action::AddToShelf && line.bookGiven && firstError.empty())
        firstError = "--add takes its book alone, not " + quoted(line.book) + " beside it";
    const bool informational = line.action == CommandLine::Action::ShowHelp
                               || line.action == CommandLine::Action::ShowVersion;
    if (!informational && !firstError.empty()) {
        line.action = CommandLine::Action::UsageError;
        line.error = firstError;
    }
    return line;
}

std::string usageText()
{
    std::string text =
        "usage: quorvel [OPTIONS] [BOOK]\n"
        "Plays an illustrated branching story.\n"
        "\n"
        "  BOOK  a book folder (holding pages.dat), a zip archive of one, or a\n"
        "        working directory (holding ini.dat) to play as if quorvel were\n"
        "        started in it. Without BOOK:\n"
        "        the folder quorvel is started in, when it holds ini.dat or font.dat;\n"
        "        otherwise the demo book installed with quorvel.\n"
        "\n";
    std::size_t width = 0;
    for (const OptionRow& row : optionRows)
        width = std::max(width, usageName(row).size());
    for (const OptionRow& row : optionRows) {
        const std::string name = usageName(row);
        text += "  " + name + std::string(width - name.size() + 3, ' ') + row.help + "\n";
    }
    return text;
}

std::string versionText()
{
    return std::string("quorvel ") + QUORVEL_VERSION + "\n";
}
