// quorvel-check run as a program for an author: its command line, its
// reports (--stats, --walk, --text) on the demo, and traps found by --walk
// as errors in its exit status.
#include "app/version.h"
#include "books.h"
#include "checkerbooks.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A scratch working directory with the book "books/t" and its background.
class Authoring : public ::testing::Test {
protected:
    void SetUp() override
    {
        startLibraryWithoutDisplay();
        enterScratchDir("authoring-tool");
        ASSERT_TRUE(writePicture("books/t/pico/bg.png", 640, 480, 120, 160, 200));
    }
};

ProgramRun runChecker(const std::vector<std::string>& args, bool withErrors)
{
    return runProgram(QUORVEL_CHECK, args, withErrors);
}

TEST_F(Authoring, TheToolsCommandLine)
{
    writeFile("books/t/pages.dat", BG_LINE + page("but1_text:on;\n"));

    const ProgramRun help = runChecker({"--help"}, false);
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.output.rfind("usage: quorvel-check", 0), 0u) << help.output;
    EXPECT_NE(help.output.find("--walk N"), std::string::npos) << help.output;

    const ProgramRun version = runChecker({"--version"}, false);
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output, "quorvel-check " QUORVEL_VERSION "\n");

    const ProgramRun unknown = runChecker({"--verbose", "books/t"}, true);
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.output.rfind("quorvel-check: unknown option --verbose\nusage:", 0), 0u)
        << unknown.output;

    // A working directory's ini.dat is checked before its book.
    writeFile("ini.dat", "windowed:YES;\nbook:t;\nmain_bg:absent.png;\n");
    const ProgramRun work = runChecker({"."}, true);
    EXPECT_EQ(work.status, 1);
    EXPECT_EQ(work.output.rfind("./ini.dat:3: error: title picture \"pico/absent.png\" not found: "
                                "the player cannot start\n",
                                0),
              0u)
        << work.output;

    // The book file itself stands for its folder.
    const ProgramRun file = runChecker({"books/t/pages.dat"}, true);
    EXPECT_EQ(file.status, 0) << file.output;
    EXPECT_NE(file.output.find("0 errors, 0 warnings\n"), std::string::npos) << file.output;

    struct Misuse {
        std::vector<std::string> args;
        const char* says;
    };
    const Misuse misuses[] = {
        {{"--walk", "0", "books/t"}, "--walk wants a number of readings from 1 to 1000000, not \"0\""},
        {{"--walk", "ten", "books/t"}, "--walk wants a number"},
        {{"--seed", "3", "books/t"}, "--seed goes with --walk"},
        {{"--stats", "--text", "books/t"}, "one report at a time"},
        {{"--walk"}, "--walk wants a value"},
        {{"books/t", "books/t"}, "one PATH only"},
    };
    for (const Misuse& misuse : misuses) {
        const ProgramRun run = runChecker(misuse.args, true);
        EXPECT_EQ(run.status, 2) << misuse.says;
        EXPECT_NE(run.output.find(misuse.says), std::string::npos) << run.output;
    }
}

TEST_F(Authoring, TheToolsReportsOnTheDemo)
{
    const ProgramRun stats = runChecker({"--stats", QUORVEL_DEMO_DIR}, true);
    EXPECT_EQ(stats.status, 0);
    EXPECT_EQ(stats.output.rfind("pages: 10, choices: 16, endings: 1 (choices that end the book)\n", 0),
              0u)
        << stats.output;
    EXPECT_NE(stats.output.find("shortest way from page 1 to an ending: 6 choices "
                                "(1 > 2 > 3 > 4 > 9 > 10 > end)\n"),
              std::string::npos)
        << stats.output;
    EXPECT_NE(stats.output.find("sounds: 3 files"), std::string::npos) << stats.output;

    const ProgramRun walk = runChecker({"--walk", "50", "--seed", "3", QUORVEL_DEMO_DIR}, true);
    EXPECT_EQ(walk.status, 0);
    // It ends with the count of the check itself.
    const ProgramRun check = runChecker({QUORVEL_DEMO_DIR}, true);
    const std::string count = check.output.substr(check.output.rfind('\n', check.output.size() - 2) + 1);
    EXPECT_EQ(walk.output, "50 random readings from page 1 (seed 3):\n"
                           "  50 ended by \"Закрыть / Close\" on page 10 \"Эпилог / Epilogue\"\n"
                           "pages no reading showed: none\n"
                           + count);

    const ProgramRun text = runChecker({"--text", QUORVEL_DEMO_DIR "/books/demo"}, true);
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.output.rfind(QUORVEL_DEMO_DIR "/books/demo/pages.dat:12: page 1, room_name: ", 0), 0u)
        << text.output;
}

// A page's text in paragraphs, as --text and --stats show it.
TEST_F(Authoring, TheToolShowsParagraphs)
{
    writeFile("books/t/pages.dat",
              "default_bg:bg.png;\npage_start:;\ntext_main:The path forks.\nMoss grows.\n\n"
              "An owl calls.;\nbut1_text:On;\npage_end:;\n");
    const ProgramRun text = runChecker({"--text", "books/t"}, true);
    EXPECT_EQ(text.status, 0) << text.output;
    EXPECT_NE(text.output.find("books/t/pages.dat:3: page 1, text_main: The path forks. Moss grows.\n"
                               "    An owl calls.\n"),
              std::string::npos)
        << text.output;
    const ProgramRun stats = runChecker({"--stats", "books/t"}, true);
    EXPECT_NE(stats.output.find("paragraphs: 2 in the pages' texts, 1 text of more than one\n"),
              std::string::npos)
        << stats.output;
}

// The traps count with the book's own error and warning.
TEST_F(Authoring, TheToolsWalkReportsTrapsAsErrors)
{
    writeFile("books/t/pages.dat", trapBook());
    const ProgramRun run = runChecker({"--walk", "20", "books/t"}, true);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("books/t/pages.dat:15: error: page 3 is a trap: no ending can be "
                              "reached from it\nbooks/t/pages.dat:20: error: page 4 is a trap: no "
                              "ending can be reached from it\n3 errors, 1 warning\n"),
              std::string::npos)
        << run.output;
}

} // namespace
