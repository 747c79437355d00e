// quorvel-check run as a program on the slips of its reports: every report
// ends with the check's count and status, counts read in the singular when
// there is one, a file the player does not find is said to lie where the
// book's folder has it, and a reader's settings folder is checked as
// settings only.
#include "books.h"
#include "testenv.h"
#include "zipwriter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A scratch folder with the book "books/t" and its background.
class ReportSlips : public ::testing::Test {
protected:
    void SetUp() override
    {
        startLibraryWithoutDisplay();
        enterScratchDir("report-slips");
        ASSERT_TRUE(writePicture("books/t/pico/bg.png", 640, 480, 120, 160, 200));
    }
};

ProgramRun runChecker(const std::vector<std::string>& args, bool withErrors = true)
{
    return runProgram(QUORVEL_CHECK, args, withErrors);
}

bool endsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A book of one page with two errors (a choice past the last page, a
// missing picture) and one warning (an unknown key).
const std::string twoErrorBook = BG_LINE
                                 + page("pico_name:gone.png;\nbut1_text:on;\nbut1_goto:9;\n"
                                        "colour:red;\n");

struct ModeCase {
    const char* name;
    std::vector<std::string> args;
};

TEST_F(ReportSlips, EveryReportEndsWithTheCheckCount)
{
    writeFile("books/t/pages.dat", twoErrorBook);
    const std::vector<ModeCase> modes = {
        {"the check", {"books/t"}},
        {"--stats", {"--stats", "books/t"}},
        {"--text", {"--text", "books/t"}},
        {"--walk", {"--walk", "100", "books/t"}},
    };
    for (const ModeCase& mode : modes) {
        SCOPED_TRACE(mode.name);
        const ProgramRun run = runChecker(mode.args);
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(endsWith(run.output, "\n2 errors, 1 warning\n")) << run.output;
    }
    // The page map stays a graph on standard output and says the count on
    // standard error, after it.
    const ProgramRun graph = runChecker({"--dot", "books/t"}, false);
    EXPECT_EQ(graph.status, 1);
    EXPECT_TRUE(endsWith(graph.output, "}\n")) << graph.output;
    const ProgramRun both = runChecker({"--dot", "books/t"});
    EXPECT_TRUE(endsWith(both.output, "}\n2 errors, 1 warning\n")) << both.output;
}

TEST_F(ReportSlips, CountsOfOneReadInTheSingular)
{
    writeFile("books/t/pages.dat", BG_LINE + page("but1_text:end;\nbut1_goto:0;\n"));
    const ProgramRun stats = runChecker({"--stats", "books/t"});
    EXPECT_EQ(stats.status, 0) << stats.output;
    for (const char* said : {"shortest way from page 1 to an ending: 1 choice (1 > end)\n",
                             "longest way that passes no page twice: 1 choice\n",
                             "pictures: 1 file, 307200 pixels:", "sounds: 0 files,",
                             "\n0 errors, 0 warnings\n"})
        EXPECT_NE(stats.output.find(said), std::string::npos) << said << "\n" << stats.output;
    EXPECT_EQ(stats.output.find(" 1 files"), std::string::npos) << stats.output;

    const ProgramRun walk = runChecker({"--walk", "1", "books/t"});
    EXPECT_EQ(walk.output.rfind("1 random reading from page 1 (seed 1):\n", 0), 0u) << walk.output;
}

struct ElsewhereCase {
    const char* name;
    std::vector<std::string> filesAt;  // where the book's folder has the file
    std::string line;                  // the page's line that names it
    std::string says;                  // the error, after "pages.dat:N: error: "
};

TEST_F(ReportSlips, AFileNotFoundIsSaidToLieWhereTheFolderHasIt)
{
    const std::vector<ElsewhereCase> cases = {
        {"a picture beside pages.dat", {"owl.png"}, "pico_name:owl.png;\n",
         "picture \"pico/owl.png\" not found: the player looks for it there, and the book's "
         "folder has it at \"owl.png\""},
        {"a picture in a folder of its own", {"art/owl.png"}, "pico_name:owl.png;\n",
         "picture \"pico/owl.png\" not found: the player looks for it there, and the book's "
         "folder has it at \"art/owl.png\""},
        {"a name in other letter case", {"pico/Owl.PNG"}, "pico_name:owl.png;\n",
         "picture \"pico/owl.png\" not found: the player looks for it there, and the book's "
         "folder has it at \"pico/Owl.PNG\""},
        {"in two places", {"owl.png", "old/owl.png"}, "pico_name:owl.png;\n",
         "picture \"pico/owl.png\" not found: the player looks for it there, and the book's "
         "folder has it at \"old/owl.png\" and at \"owl.png\""},
        {"a sound among the pictures", {"pico/wind.wav"}, "sound_name:wind.wav;\n",
         "sound \"audio/wind.wav\" not found: the player looks for it there, and the book's "
         "folder has it at \"pico/wind.wav\""},
        {"nowhere", {}, "pico_name:owl.png;\n", "picture \"pico/owl.png\" not found"},
    };
    for (const ElsewhereCase& slip : cases) {
        SCOPED_TRACE(slip.name);
        enterScratchDir(std::string("report-slips-elsewhere"));
        ASSERT_TRUE(writePicture("books/t/pico/bg.png", 640, 480, 120, 160, 200));
        for (const std::string& at : slip.filesAt)
            writeFile("books/t/" + at, "whatever it holds");
        writeFile("books/t/pages.dat", BG_LINE + page(slip.line + "but1_text:end;\nbut1_goto:0;\n"));
        const ProgramRun run = runChecker({"books/t"});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.output, "books/t/pages.dat:3: error: " + slip.says + "\n1 error, 0 warnings\n");
    }
}

TEST_F(ReportSlips, AFileNotFoundInAZippedBookIsSaidToLieWhereTheArchiveHasIt)
{
    writeFile("books/t/owl.png", readFile("books/t/pico/bg.png"));
    writeFile("books/t/pages.dat", BG_LINE + page("pico_name:owl.png;\nbut1_text:end;\nbut1_goto:0;\n"));
    writeFile("t.zip", zipArchive(folderMembers("books/t", "t/", false)));
    const ProgramRun run = runChecker({"t.zip"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, "t.zip/pages.dat:3: error: picture \"pico/owl.png\" not found: the player "
                          "looks for it there, and the book's folder has it at \"owl.png\"\n"
                          "1 error, 0 warnings\n");
}

struct SettingsFolderCase {
    const char* name;
    std::string ini;
    bool withBooks;      // a books/ folder beside ini.dat
    int status;
    std::string output;  // what the checker says, whole, or the start of it
};

TEST_F(ReportSlips, AReadersSettingsFolderIsCheckedAsSettingsOnly)
{
    const std::string note = "quorvel-check: note: no books/ folder: checked as a reader's "
                             "settings folder\n";
    const std::vector<SettingsFolderCase> cases = {
        {"what a reader sets", "windowed:YES;\nscale:2;\n", false, 0, note + "0 errors, 0 warnings\n"},
        {"a slip there still told", "windowed:yes please;\n", false, 0,
         "cfg/ini.dat:1: warning: windowed \"yes please\" is neither YES nor NO: only exactly YES "},
        {"a missing title picture still told", "main_bg:none.png;\n", false, 1,
         "cfg/ini.dat:1: error: title picture \"pico/none.png\" not found"},
        {"a working directory", "windowed:YES;\n", true, 1, "cfg/ini.dat: error: no book line"},
    };
    for (const SettingsFolderCase& folder : cases) {
        SCOPED_TRACE(folder.name);
        enterScratchDir("report-slips-settings");
        writeFile("cfg/ini.dat", folder.ini);
        if (folder.withBooks)
            writeFile("cfg/books/readme.txt", "the books lie here\n");
        const ProgramRun run = runChecker({"cfg"});
        EXPECT_EQ(run.status, folder.status) << run.output;
        EXPECT_EQ(run.output.rfind(folder.output, 0), 0u) << run.output;
        if (!folder.withBooks) {
            EXPECT_EQ(run.output.find("books//"), std::string::npos) << run.output;
        }
    }
}

} // namespace
