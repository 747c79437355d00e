// The player's command line: how its words are read.
#include "app/cmdline.h"
#include "screen/display.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct ParseCase {
    const char* name;
    std::vector<std::string> args;
    CommandLine::Action action;
    std::string book;     // expected BOOK, or the expected error for a usage error
    int startPage;
    WindowChoice window;
    int scale = SCALE_FROM_SETTINGS;
    bool speech = false;
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
    EXPECT_EQ(line.speech, c.speech);
}

using A = CommandLine::Action;
using W = WindowChoice;

const ParseCase parseCases[] = {
    {"Nothing", {}, A::Play, "", 0, W::FromSettings},
    {"ABook", {"books/tale"}, A::Play, "books/tale", 0, W::FromSettings},
    {"PageBeforeBook", {"--page", "3", "tale"}, A::Play, "tale", 3, W::FromSettings},
    {"PageAfterBookWithEquals", {"tale", "--page=12"}, A::Play, "tale", 12, W::FromSettings},
    {"Window", {"--window"}, A::Play, "", 0, W::Window},
    {"Speech", {"--speech", "tale"}, A::Play, "tale", 0, W::FromSettings, SCALE_FROM_SETTINGS, true},
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

} // namespace
