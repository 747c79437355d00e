// quorvel-check run as a program, as a child process: its report and exit
// status on a faulty working directory, on the demo, without a usable font
// or a book, and on a wrong command line.
#include "books.h"
#include "checkerbooks.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A scratch folder to make working directories and books in.
class Check : public ::testing::Test {
protected:
    void SetUp() override
    {
        startLibraryWithoutDisplay();
        enterScratchDir("check-tool");
    }
};

ProgramRun runChecker(const std::vector<std::string>& args, bool withErrors)
{
    return runProgram(QUORVEL_CHECK, args, withErrors);
}

TEST_F(Check, TheToolReportsAFaultyWorkingDirectory)
{
    writeFile("work/ini.dat", "windowed:YES;\nbook:bad;\nmain_bg:title.png;\n");
    copyFile(DEMO_FONT, "work/font.dat");
    putPicture("work/books/bad/pico/bg.png", 40, 30, 200, 180, 90);
    putPicture("work/pico/title.png", 640, 480, 200, 180, 90); // ini.dat is checked too
    writeFile("work/books/bad/pages.dat",
              "default_bg:bg.png;\npage_start:;\nroom_name:中;\nbut1_text:on;\nbut2_text:off;\n"
              "page_end:;\npage_start:;\npico_name:none.png;\nbut1_text:back;\nbut1_goto:1;\n");
    const ProgramRun run = runChecker({"work"}, true);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output,
              "work/books/bad/pages.dat:3: warning: room_name: the font has no glyph for \"中\" (U+4E2D)\n"
              "work/books/bad/pages.dat:5: error: but2_text without but2_goto: the choice ends the book\n"
              "work/books/bad/pages.dat:7: warning: page never ended (no page_end after it): the player drops it\n"
              "work/books/bad/pages.dat:8: error: picture \"pico/none.png\" not found\n"
              "2 errors, 2 warnings\n");

    // The same book checked as a folder, against a font named on the command line.
    const ProgramRun folder = runChecker({"--font", "work/font.dat", "work/books/bad/"}, true);
    EXPECT_EQ(folder.status, 1);
    EXPECT_EQ(folder.output.rfind("work/books/bad/pages.dat:3: warning: room_name", 0), 0u)
        << folder.output;
}

TEST_F(Check, TheToolOnTheDemo)
{
    const ProgramRun settings = runChecker({QUORVEL_DEMO_DIR}, true);
    EXPECT_EQ(settings.status, 0);
    EXPECT_EQ(settings.output, std::string(QUORVEL_DEMO_DIR "/books/demo/pages.dat:13: note: "
                                                            "text_main takes 8 lines, the text box "
                                                            "shows 5: the reader scrolls to read "
                                                            "the rest\n0 errors, 0 warnings\n"));

    const ProgramRun dot = runChecker({"--dot", QUORVEL_DEMO_DIR "/books/demo"}, false);
    EXPECT_EQ(dot.status, 0);
    EXPECT_EQ(dot.output.rfind("digraph book {\n", 0), 0u) << dot.output;
    EXPECT_NE(dot.output.find("  p10 -> end [label=\"Закрыть / Close\"];\n"), std::string::npos)
        << dot.output;
    EXPECT_EQ(dot.output.find("unreachable"), std::string::npos) << dot.output;
}

TEST_F(Check, TheToolWithoutAUsableFontOrABook)
{
    // A working directory without font.dat: the player would end there.
    writeFile("work/ini.dat", "book:lone;\nmain_bg:title.png;\n");
    putPicture("work/pico/title.png", 40, 30, 200, 180, 90);
    writeFile("work/books/lone/pages.dat", BG_LINE + "page_start:;\nbut1_text:x;\npage_end:;\n");
    putPicture("work/books/lone/pico/bg.png", 40, 30, 200, 180, 90);
    const std::string fontPath = fs::current_path().string() + "/work/font.dat";
    const ProgramRun run = runChecker({"work"}, true);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "quorvel-check: note: no font.dat at " + fontPath
                              + ": characters not checked\n0 errors, 0 warnings\n");

    // A font.dat that is there but no font is the player's end, and so an
    // error; in a book folder it wins over the installed font.
    writeFile("work/books/lone/font.dat", "plain text");
    const std::string ownFont = fs::current_path().string() + "/work/books/lone/font.dat";
    const ProgramRun broken = runChecker({"work/books/lone"}, true);
    EXPECT_EQ(broken.status, 1);
    EXPECT_EQ(broken.output, ownFont + ": error: this file is no font datafile: the player cannot "
                                       "start; characters not checked\n"
                                       "1 error, 0 warnings\n");

    const ProgramRun nothing = runChecker({"nowhere"}, true);
    EXPECT_EQ(nothing.status, 1);
    EXPECT_EQ(nothing.output, "nowhere: error: no ini.dat or pages.dat there\n1 error, 0 warnings\n");
}

TEST_F(Check, TheToolRefusesBadUsage)
{
    writeFile("lone/pages.dat", BG_LINE);
    writeFile("notafont.dat", "plain text");
    const std::vector<std::vector<std::string>> usages = {
        {}, {"--dot"}, {"--font"}, {"--verbose", "lone"}, {"lone", "lone"}, {"--font", "notafont.dat", "lone"},
    };
    for (const std::vector<std::string>& args : usages) {
        const ProgramRun run = runChecker(args, true);
        EXPECT_EQ(run.status, 2) << run.output;
        EXPECT_NE(run.output.find("quorvel-check"), std::string::npos) << run.output;
    }
}

} // namespace
