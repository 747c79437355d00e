// quorvel-check run as a program, as a child process: its report and exit
// status on a faulty working directory, on the demo, without a usable font
// or a book, on a wrong command line, on a book too deep for the system,
// and with files its decoding libraries would print warnings about.
#include "books.h"
#include "checkerbooks.h"
#include "hostilefiles.h"
#include "testenv.h"

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

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

// Files the decoding libraries print their own warnings about as they read
// them (libpng through loadpng: a text chunk whose checksum is wrong;
// libmpg123 through libsndfile: damaged frames in an MP3) are checked with
// nothing on standard error but the checker's own report, which is all on
// standard output.
TEST_F(Check, TheDecodersOwnWarningsStayOffStandardError)
{
#ifdef QUORVEL_ASAN
    GTEST_SKIP() << "with AddressSanitizer the decoders' output is kept, for its reports";
#endif
    makeCheckerBook(checkerPage("sound_name:s.mp3;\n"));
    // After the picture's header, a text chunk whose checksum does not match.
    const std::string png = readFile("work/books/b/pico/bg.png");
    const std::string text("\0\0\0\x0atEXtComment\0hi\x12\x34\x56\x78", 22);
    writeFile("work/books/b/pico/bg.png", png.substr(0, 33) + text + png.substr(33));
    fs::create_directories("made");
    ASSERT_TRUE(writeSoundFile("made/s.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 2, 44100,
                               44100));
    std::string mp3 = readFile("made/s.mp3");
    ASSERT_GT(mp3.size(), 2000u);
    mp3.replace(mp3.size() / 2, 400, std::string(400, '\x13'));
    writeFile("work/books/b/audio/s.mp3", mp3);

    const ProgramRun quiet = runChecker({"--stats", "work/books/b"}, false);
    const ProgramRun all = runChecker({"--stats", "work/books/b"}, true);
    EXPECT_EQ(quiet.status, 0) << quiet.output;
    EXPECT_NE(quiet.output.find("sounds: 1 file,"), std::string::npos) << quiet.output;
    EXPECT_EQ(all.output, quiet.output);
}

// A book whose path is longer than the system opens is named, with the
// limit, rather than called unreadable or no book.
TEST_F(Check, ABookDeeperThanTheSystemOpensIsNamedSo)
{
    makeCheckerBook(checkerPage(""));
    const std::string scratch = fs::current_path().string();
    const std::string level(100, 'a');
    // Made a level at a time from inside, as no path that long can be named;
    // `up` leads back from the deepest level.
    fs::create_directory("deep");
    ASSERT_EQ(chdir("deep"), 0);
    std::string deep = scratch + "/deep";
    std::string up = "../";
    int levels = 0;
    for (; deep.size() < PATH_MAX + 100; ++levels) {
        ASSERT_EQ(mkdir(level.c_str(), 0700), 0);
        ASSERT_EQ(chdir(level.c_str()), 0);
        deep += "/" + level;
        up += "../";
    }
    ASSERT_EQ(rename((up + "work/books/b").c_str(), "b"), 0);
    ASSERT_EQ(chdir(scratch.c_str()), 0);

    const ProgramRun run = runChecker({deep + "/b"}, true);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("cannot be loaded: its path is longer than the 4096 bytes the "
                              "system opens: move the book to a shorter place"),
              std::string::npos)
        << run.output.substr(run.output.size() > 300 ? run.output.size() - 300 : 0);

    // Taken down again from the inside, for the scratch folder's removal.
    ASSERT_EQ(chdir("deep"), 0);
    for (int i = 0; i < levels; ++i)
        ASSERT_EQ(chdir(level.c_str()), 0);
    ASSERT_EQ(rename("b", (up + "work/books/b").c_str()), 0);
    for (int i = 0; i < levels; ++i) {
        ASSERT_EQ(chdir(".."), 0);
        ASSERT_EQ(rmdir(level.c_str()), 0);
    }
    ASSERT_EQ(chdir(scratch.c_str()), 0);
}

} // namespace
