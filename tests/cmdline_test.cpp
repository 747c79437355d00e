// The player's command line: how it is read, and what the real player,
// started with it as a child process, does before it opens any window.
#include "app/cmdline.h"
#include "app/report.h"
#include "screen/display.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

// --- reading the words ---

struct ParseCase {
    const char* name;
    std::vector<std::string> args;
    CommandLine::Action action;
    std::string book;     // expected BOOK, or the expected error for a usage error
    int startPage;
    WindowChoice window;
    int scale = SCALE_FROM_SETTINGS;
};

void PrintTo(const ParseCase& c, std::ostream* out)
{
    *out << c.name;
}

CommandLine parse(const std::vector<std::string>& args)
{
    std::vector<std::string> words = {"quorvel"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    return parseCommandLine(static_cast<int>(words.size()), argv.data());
}

class Parsing : public ::testing::TestWithParam<ParseCase> {};

TEST_P(Parsing, GivesWhatTheWordsSay)
{
    const ParseCase& c = GetParam();
    const CommandLine line = parse(c.args);
    EXPECT_EQ(line.action, c.action);
    if (c.action == CommandLine::Action::UsageError) {
        EXPECT_EQ(line.error, c.book);
        return;
    }
    EXPECT_EQ(line.book, c.book);
    EXPECT_EQ(line.bookGiven, !c.book.empty());
    EXPECT_EQ(line.startPage, c.startPage);
    EXPECT_EQ(line.window, c.window);
    EXPECT_EQ(line.scale, c.scale);
}

using A = CommandLine::Action;
using W = WindowChoice;

const ParseCase parseCases[] = {
    {"Nothing", {}, A::Play, "", 0, W::FromSettings},
    {"ABook", {"books/tale"}, A::Play, "books/tale", 0, W::FromSettings},
    {"PageBeforeBook", {"--page", "3", "tale"}, A::Play, "tale", 3, W::FromSettings},
    {"PageAfterBookWithEquals", {"tale", "--page=12"}, A::Play, "tale", 12, W::FromSettings},
    {"Window", {"--window"}, A::Play, "", 0, W::Window},
    {"FullScreen", {"--fullscreen", "tale"}, A::Play, "tale", 0, W::FullScreen},
    {"TheLastDisplayModeWins", {"--window", "--fullscreen"}, A::Play, "", 0, W::FullScreen},
    {"AnAbbreviatedOption", {"--full"}, A::Play, "", 0, W::FullScreen},
    {"ABookAfterTheEndOfOptions", {"--", "--help"}, A::Play, "--help", 0, W::FromSettings},
    {"ShortHelp", {"-h"}, A::ShowHelp, "", 0, W::FromSettings},
    {"HelpWinsOverMistakes", {"--frob", "a", "b", "--help"}, A::ShowHelp, "a", 0, W::FromSettings},
    {"Version", {"--version", "tale"}, A::ShowVersion, "tale", 0, W::FromSettings},
    {"UnknownLongOption", {"--frob"}, A::UsageError, "unknown option \"--frob\"", 0, {}},
    {"UnknownShortOption", {"-x", "tale"}, A::UsageError, "unknown option \"-x\"", 0, {}},
    {"SecondBook", {"one", "two"}, A::UsageError, "more than one BOOK: \"two\"", 0, {}},
    {"PageWithoutNumber", {"tale", "--page"}, A::UsageError,
     "option --page needs a value (N)", 0, {}},
    {"PageZero", {"--page", "0"}, A::UsageError,
     "--page needs a whole number from 1, not \"0\"", 0, {}},
    {"PageNegative", {"--page=-2"}, A::UsageError,
     "--page needs a whole number from 1, not \"-2\"", 0, {}},
    {"PageWithLetters", {"--page", "3x"}, A::UsageError,
     "--page needs a whole number from 1, not \"3x\"", 0, {}},
    {"PageWithBlank", {"--page", " 3"}, A::UsageError,
     "--page needs a whole number from 1, not \" 3\"", 0, {}},
    {"PagePastInt", {"--page", "2147483648"}, A::UsageError,
     "--page needs a whole number from 1, not \"2147483648\"", 0, {}},
    {"ValueForAFlag", {"--window=yes"}, A::UsageError, "option --window takes no value", 0, {}},
    {"Scale", {"--scale", "3", "tale"}, A::Play, "tale", 0, W::FromSettings, 3},
    {"ScaleAuto", {"--scale=auto"}, A::Play, "", 0, W::FromSettings, SCALE_AUTO},
    {"ScaleNine", {"--scale", "9"}, A::UsageError,
     "--scale needs a whole number from 1 to 8, or auto, not \"9\"", 0, {}},
    {"ScaleZero", {"--scale=0"}, A::UsageError,
     "--scale needs a whole number from 1 to 8, or auto, not \"0\"", 0, {}},
};

INSTANTIATE_TEST_SUITE_P(CommandLine, Parsing, ::testing::ValuesIn(parseCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- the player started with it, no window needed ---

// What the player printed and how it ended.
struct Outcome {
    int status = -1;
    std::string out, err;
};

// Runs the built player with `args` in the current directory, with no X
// display, so that anything meant to come before a window shows up alone.
Outcome runWithoutDisplay(const std::vector<std::string>& args)
{
    std::string command = "env -u DISPLAY '" QUORVEL_PROGRAM "'";
    for (const std::string& arg : args)
        command += " '" + arg + "'";
    command += " > out.txt 2> err.txt";
    const int status = std::system(command.c_str());
    Outcome outcome;
    if (WIFEXITED(status))
        outcome.status = WEXITSTATUS(status);
    outcome.out = readFile("out.txt");
    outcome.err = readFile("err.txt");
    return outcome;
}

std::string firstLine(const std::string& text)
{
    return text.substr(0, text.find('\n'));
}

struct UsageCase {
    const char* name;
    std::vector<std::string> args;
    int status;
    std::string errFirstLine; // empty: nothing on standard error
};

void PrintTo(const UsageCase& c, std::ostream* out)
{
    *out << c.name;
}

class Usage : public ::testing::TestWithParam<UsageCase> {
protected:
    void SetUp() override
    {
        enterScratchDir("usage");
        writeFile("tale/pages.dat", "");
        writeFile(std::string(54, 'n') + "/pages.dat", "");
        writeFile("elsewhere/readme.txt", "not a book\n");
    }
};

TEST_P(Usage, ExitsAsDocumentedBeforeAnyWindow)
{
    const UsageCase& c = GetParam();
    const Outcome run = runWithoutDisplay(c.args);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(firstLine(run.err), c.errFirstLine);
    if (c.status == EXIT_USAGE) {
        EXPECT_EQ(run.err, c.errFirstLine + "\n" + usageText());
        EXPECT_EQ(run.out, "");
    }
    if (c.status == EXIT_NO_BOOK) {
        EXPECT_EQ(run.err, c.errFirstLine + "\n") << "one line, and no window tried";
    }
}

const UsageCase usageCases[] = {
    {"UnknownOption", {"--frob", "tale"}, EXIT_USAGE, "quorvel: unknown option \"--frob\""},
    {"SecondBook", {"tale", "tale"}, EXIT_USAGE, "quorvel: more than one BOOK: \"tale\""},
    {"PageNotANumber", {"--page", "two", "tale"}, EXIT_USAGE,
     "quorvel: --page needs a whole number from 1, not \"two\""},
    {"MissingValue", {"--page"}, EXIT_USAGE, "quorvel: option --page needs a value (N)"},
    {"NoSuchFolder", {"/no/such/book"}, EXIT_NO_BOOK,
     "quorvel: no book at \"/no/such/book\": a book folder holds pages.dat,"
     " a working directory ini.dat"},
    {"AFolderNameTooLongForTheReader", {std::string(54, 'n')}, EXIT_NO_BOOK,
     "quorvel: the book folder's name \"" + std::string(54, 'n') + "\" is 54 bytes, more than"
     " the 53 the player has room for: give the folder a shorter name"},
    {"AFolderWithoutABook", {"elsewhere"}, EXIT_NO_BOOK,
     "quorvel: no book at \"elsewhere\": a book folder holds pages.dat,"
     " a working directory ini.dat"},
};

INSTANTIATE_TEST_SUITE_P(CommandLine, Usage, ::testing::ValuesIn(usageCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CommandLineOutput, HelpAndVersionGoToStandardOutput)
{
    enterScratchDir("help");
    for (const char* option : {"-h", "--help"}) {
        const Outcome help = runWithoutDisplay({option, "--frob"});
        EXPECT_EQ(help.status, EXIT_QUIT) << option;
        EXPECT_EQ(help.out, usageText()) << option;
        EXPECT_EQ(help.err, "") << option;
    }
    const Outcome version = runWithoutDisplay({"--version"});
    EXPECT_EQ(version.status, EXIT_QUIT);
    EXPECT_EQ(version.out, versionText());
    EXPECT_EQ(version.out.rfind("quorvel ", 0), 0u) << version.out;
    EXPECT_EQ(version.err, "");
}

} // namespace
