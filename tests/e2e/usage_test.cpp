// The real player started with a command line, as a child process, with no
// X display: what it does before it opens any window.
#include "app/cmdline.h"
#include "app/report.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

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
