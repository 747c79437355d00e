// The real player in a real window, read with the keyboard alone from
// outside (XTest key events, as `xdotool key` sends them), and run twice to
// pick up a book where the reader left it. Screenshots, the focus showing
// in them, are kept under the build folder's screenshots/reading-*.
#include "app/report.h"
#include "book/resume.h"
#include "screen/pagelayout.h"
#include "screens.h"
#include "testenv.h"
#include "xplayer.h"
#include "zipwriter.h"

#include <allegro.h>
#include <X11/keysym.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The choices' row on a page, and the three places a choice can stand:
// where each region's buttons lie on the demo's pages.
const int ROW_TOP = 342, ROW_BOTTOM = 359;
struct Region {
    int x0, x1;
};
const Region LEFT = {10, 200}, MIDDLE = {200, 440}, RIGHT = {440, 630};

class ReadingEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        startLibraryWithoutDisplay();
        set_color_depth(24);
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "these tests need an X display";
        root = enterScratchDir("reading-e2e");
        work = root + "/work";
        fs::copy(QUORVEL_DEMO_DIR, work, fs::copy_options::recursive);
        writeFile(".asoundrc", "pcm.!default { type null }\n");
        setenv("HOME", root.c_str(), 1);
        setenv("XDG_STATE_HOME", (root + "/state").c_str(), 1);
        log = root + "/player.log";
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        shots = std::string(QUORVEL_BUILD_DIR) + "/screenshots/reading-" + test->name();
        fs::remove_all(shots);
        fs::create_directories(shots);
    }

    bool start(const std::vector<std::string>& args = {})
    {
        return player.start(QUORVEL_PROGRAM, work, log, args) && player.waitForWindow(20)
               && awaitTitle("title");
    }

    bool await(const std::string& name, const std::function<bool(const Screenshot&)>& ready)
    {
        const bool seen = player.waitForScreen(ready, 15, last);
        last.save(shots + "/" + std::to_string(++shotCount) + "-" + name + ".png");
        return seen;
    }

    bool awaitTitle(const std::string& name,
                    const std::function<bool(const Screenshot&)>& also = nullptr)
    {
        const Reference picture(work + "/pico/title.png");
        return await(name, [&](const Screenshot& s) {
            return showsTitle(s, picture) && (!also || also(s));
        });
    }

    // A page of the demo by its illustration and where that stands, and
    // `also` of the same screenshot.
    bool awaitPage(const std::string& name, const std::string& illustration, int x,
                   const std::function<bool(const Screenshot&)>& also = nullptr)
    {
        const Reference picture(work + "/books/demo/pico/" + illustration);
        return await(name, [&](const Screenshot& s) {
            return showsPage(s, picture, x) && (!also || also(s));
        });
    }

    // The focused button's face fills much of the choices' row in `focused`
    // and shows nowhere else in that row.
    static bool focusInRow(const Screenshot& s, Region focused)
    {
        for (Region r : {LEFT, MIDDLE, RIGHT}) {
            const int count = focusPixels(s, r.x0, ROW_TOP, r.x1, ROW_BOTTOM);
            if (r.x0 == focused.x0 ? count < 200 : count > 0)
                return false;
        }
        return true;
    }

    // The title menu's button whose middle is at `y` has the focus face.
    static bool focusOnMenu(const Screenshot& s, int y)
    {
        return focusPixels(s, 236, y - 16, 412, y - 12) > 500;
    }

    // The last column of the book line's dark text at the top of the title.
    static int bookLineEnd(const Screenshot& s)
    {
        for (int x = 600; x >= 40; --x)
            for (int y = 4; y < 22; ++y) {
                const Rgb c = s.at(x, y);
                if (c.r < 60 && c.g < 60 && c.b < 60)
                    return x;
            }
        return -1;
    }

    // The state file the player keeps for the demo book.
    std::string stateFile() const
    {
        return resumeFilePath(fs::canonical(work + "/books/demo").string());
    }

    void quit()
    {
        player.pressKey(XK_Escape);
        EXPECT_EQ(player.waitForExit(10), EXIT_QUIT) << readFile(log);
    }

    std::string root, work, shots, log;
    XPlayer player;
    Screenshot last;
    int shotCount = 0;
};

// From the title through the demo to an ending and back, with keys alone:
// the focus moved and shown, a digit, Back, and Enter on the end-of-book box.
TEST_F(ReadingEndToEnd, TheDemoIsReadToAnEndingWithKeysAlone)
{
    ASSERT_TRUE(start()) << readFile(log);
    player.pressKey(XK_Down); // the first key shows the focus on Start Game
    ASSERT_TRUE(awaitTitle("focus-start", [](const Screenshot& s) { return focusOnMenu(s, START_Y); }));
    player.pressKey(XK_Down);
    ASSERT_TRUE(awaitTitle("focus-about", [](const Screenshot& s) {
        return focusOnMenu(s, ABOUT_Y) && !focusOnMenu(s, START_Y);
    }));
    player.pressKey(XK_Up);
    ASSERT_TRUE(awaitTitle("focus-start-again", [](const Screenshot& s) { return focusOnMenu(s, START_Y); }));
    player.pressKey(XK_Return);

    // Read with keys, a page shows at once what Enter takes: its first choice.
    const auto onFirst = [](const Screenshot& s) { return focusInRow(s, RIGHT); };
    ASSERT_TRUE(awaitPage("edge", "path.png", 150, onFirst)) << readFile(log);
    player.pressKey(XK_Return);
    ASSERT_TRUE(awaitPage("fork", "owl.png", 160, onFirst));
    player.pressKey(XK_Left);
    ASSERT_TRUE(awaitPage("fork-focus-middle", "owl.png", 160,
                          [](const Screenshot& s) { return focusInRow(s, MIDDLE); }));
    player.pressKey(XK_Left);
    ASSERT_TRUE(awaitPage("fork-focus-left", "owl.png", 160,
                          [](const Screenshot& s) { return focusInRow(s, LEFT); }));
    player.pressKey(XK_BackSpace); // back to the edge of the wood
    ASSERT_TRUE(awaitPage("edge-again", "path.png", 150, onFirst));
    player.pressKey(XK_Return);
    ASSERT_TRUE(awaitPage("fork-again", "owl.png", 160, onFirst));
    player.pressKey(XK_3); // the third choice from the left: the river
    ASSERT_TRUE(awaitPage("river", "river.png", 150, onFirst));
    player.pressKey(XK_Next); // Page Down: a short text stays where it is
    player.pressKey(XK_Return);
    ASSERT_TRUE(awaitPage("valley", "panorama.png", 150, onFirst));
    player.pressKey(XK_space);
    ASSERT_TRUE(awaitPage("sunrise", "sunrise.png", 150, onFirst));
    player.pressKey(XK_Return);
    // The epilogue has no illustration: two choices over the forest.
    {
        const Reference forest(work + "/books/demo/pico/forest.png");
        ASSERT_TRUE(await("epilogue", [&](const Screenshot& s) {
            return shows(s, forest, 100, 40, 540, 320) && focusInRow(s, RIGHT);
        }));
    }
    const Screenshot page = last;
    player.pressKey(XK_Return); // Close: past the last page
    ASSERT_TRUE(await("the-end", [&](const Screenshot& s) { return boxCoversTheMiddle(s, page); }));
    player.pressKey(XK_Return);
    ASSERT_TRUE(awaitTitle("title-again", [](const Screenshot& s) { return focusOnMenu(s, START_Y); }));
    quit();
}

TEST_F(ReadingEndToEnd, TheBookOpensWhereTheReaderLeftItInTheLastRun)
{
    writeFile(work + "/ini.dat", readFile(work + "/ini.dat") + "resume:YES;\n");
    ASSERT_TRUE(start()) << readFile(log);
    const int plainLineEnd = bookLineEnd(last);
    player.pressKey(XK_Return);
    ASSERT_TRUE(awaitPage("edge", "path.png", 150));
    player.pressKey(XK_Return);
    ASSERT_TRUE(awaitPage("fork", "owl.png", 160));
    player.pressKey(XK_Escape); // leaves the book at page 2
    ASSERT_TRUE(awaitTitle("title-after-esc"));
    quit();
    EXPECT_NE(readFile(stateFile()).find("page:2;"), std::string::npos) << readFile(stateFile());

    ASSERT_TRUE(start()) << readFile(log);
    // "Книга: books/demo — стр. 2": the line runs on past where it ended.
    EXPECT_GT(bookLineEnd(last), plainLineEnd + 30);
    player.pressKey(XK_Return);
    ASSERT_TRUE(awaitPage("fork-in-the-second-run", "owl.png", 160)) << readFile(log);
    player.pressKey(XK_Escape);
    ASSERT_TRUE(awaitTitle("title-at-the-end"));
    quit();
}

// Started on a book, as a reader's desktop starts it, the player remembers
// the page and the pages behind it without being asked; Back works after
// resuming, and From the First Page starts over. Started in the working
// directory, it writes and reads nothing.
TEST_F(ReadingEndToEnd, OnABookItRemembersByDefaultWithItsBackHistory)
{
    const std::string bookFolder = work + "/books/demo";
    ASSERT_TRUE(start({bookFolder})) << readFile(log);
    const int plainLineEnd = bookLineEnd(last);
    player.pressKey(XK_Return);
    ASSERT_TRUE(awaitPage("edge", "path.png", 150));
    player.pressKey(XK_Return);
    ASSERT_TRUE(awaitPage("fork", "owl.png", 160));
    player.pressKey(XK_Escape);
    ASSERT_TRUE(awaitTitle("title-after-esc"));
    quit();
    const std::string state = readFile(stateFile());
    EXPECT_NE(state.find("page:2;"), std::string::npos) << state;
    EXPECT_NE(state.find("back:1;"), std::string::npos) << state;

    // In the working directory: the first page, and the state file untouched.
    const auto written = fs::last_write_time(stateFile());
    ASSERT_TRUE(start()) << readFile(log);
    player.pressKey(XK_Return);
    ASSERT_TRUE(awaitPage("edge-in-the-working-directory", "path.png", 150)) << readFile(log);
    player.pressKey(XK_Escape);
    ASSERT_TRUE(awaitTitle("title-in-the-working-directory"));
    quit();
    EXPECT_EQ(fs::last_write_time(stateFile()), written);

    // On the book again: the page, and Back from it.
    ASSERT_TRUE(start({bookFolder})) << readFile(log);
    EXPECT_GT(bookLineEnd(last), plainLineEnd + 30) << "the book line names the page";
    player.pressKey(XK_Return);
    ASSERT_TRUE(awaitPage("fork-resumed", "owl.png", 160)) << readFile(log);
    player.pressKey(XK_BackSpace);
    ASSERT_TRUE(awaitPage("edge-by-back", "path.png", 150)) << readFile(log);
    player.pressKey(XK_Return);
    ASSERT_TRUE(awaitPage("fork-once-more", "owl.png", 160)) << readFile(log);
    player.pressKey(XK_Escape);
    ASSERT_TRUE(awaitTitle("title-with-a-page"));
    quit();

    // From the First Page, in Options' place, starts over and forgets.
    ASSERT_TRUE(start({bookFolder})) << readFile(log);
    player.click(MENU_X, FROM_FIRST_Y);
    ASSERT_TRUE(awaitPage("edge-from-the-first-page", "path.png", 150)) << readFile(log);
    EXPECT_FALSE(fs::exists(stateFile()));
    player.pressKey(XK_BackSpace); // nothing behind the first page
    player.pressKey(XK_Escape);
    ASSERT_TRUE(awaitTitle("title-after-starting-over"));
    quit();
    EXPECT_NE(readFile(stateFile()).find("page:1;"), std::string::npos);
    EXPECT_EQ(readFile(stateFile()).find("back:"), std::string::npos);
}

// --no-resume on a book: nothing remembered.
TEST_F(ReadingEndToEnd, NoResumeOnABookRemembersNothing)
{
    ASSERT_TRUE(start({work + "/books/demo", "--no-resume"})) << readFile(log);
    player.pressKey(XK_Return);
    ASSERT_TRUE(awaitPage("edge", "path.png", 150));
    player.pressKey(XK_Escape);
    ASSERT_TRUE(awaitTitle("title"));
    quit();
    EXPECT_FALSE(fs::exists(stateFile()));
}

TEST_F(ReadingEndToEnd, AChangedBookFileOpensAtTheFirstPage)
{
    // --resume on the command line, with nothing in ini.dat.
    ASSERT_TRUE(start({"--resume"})) << readFile(log);
    player.pressKey(XK_Return);
    ASSERT_TRUE(awaitPage("edge", "path.png", 150));
    player.pressKey(XK_Return);
    ASSERT_TRUE(awaitPage("fork", "owl.png", 160));
    player.pressKey(XK_m);
    ASSERT_TRUE(awaitTitle("title"));
    quit();
    ASSERT_TRUE(fs::exists(stateFile()));

    const std::string pages = work + "/books/demo/pages.dat";
    writeFile(pages, readFile(pages) + "# an edit\n");
    ASSERT_TRUE(start({"--resume"})) << readFile(log);
    player.pressKey(XK_Return);
    ASSERT_TRUE(awaitPage("edge-after-the-edit", "path.png", 150)) << readFile(log);
    player.pressKey(XK_Escape);
    ASSERT_TRUE(awaitTitle("title-at-the-end"));
    quit();
    EXPECT_NE(readFile(stateFile()).find("page:1;"), std::string::npos) << readFile(stateFile());
}

TEST_F(ReadingEndToEnd, ADamagedStateFileIsIgnoredAndWrittenAnew)
{
    writeFile(work + "/ini.dat", readFile(work + "/ini.dat") + "resume:YES;\n");
    writeFile(stateFile(), std::string("fingerprint:\x01\x02;\npage:\xff\xfe;", 23));
    ASSERT_TRUE(start()) << readFile(log);
    player.pressKey(XK_Return);
    ASSERT_TRUE(awaitPage("edge", "path.png", 150)) << readFile(log);
    player.pressKey(XK_Return);
    ASSERT_TRUE(awaitPage("fork", "owl.png", 160));
    player.pressKey(XK_Escape);
    ASSERT_TRUE(awaitTitle("title"));
    quit();
    EXPECT_NE(readFile(stateFile()).find("page:2;"), std::string::npos) << readFile(stateFile());
}

TEST_F(ReadingEndToEnd, WithoutTheSettingNothingIsWritten)
{
    ASSERT_TRUE(start()) << readFile(log);
    player.pressKey(XK_Return);
    ASSERT_TRUE(awaitPage("edge", "path.png", 150));
    player.pressKey(XK_Return);
    ASSERT_TRUE(awaitPage("fork", "owl.png", 160));
    player.pressKey(XK_Escape);
    ASSERT_TRUE(awaitTitle("title"));
    quit();
    EXPECT_FALSE(fs::exists(root + "/state"));
    EXPECT_FALSE(fs::exists(root + "/.local/state"));
}

// The demo zipped as a reader gets a book: at the archive's root, or in one
// top folder as zipping the book's folder makes it, packed or stored. Read
// from the archive alone, pictures and sounds, to an ending and back.
struct ZippedCase {
    const char* name;
    std::string prefix;
    bool deflate;
};

void PrintTo(const ZippedCase& c, std::ostream* out)
{
    *out << c.name;
}

class ZippedBook : public ReadingEndToEnd, public ::testing::WithParamInterface<ZippedCase> {
protected:
    // The archive, beside the working directory; what lies in the test's
    // folder then.
    std::string zipDemo()
    {
        const std::string archive = root + "/shelf/demo.zip";
        writeFile(archive, zipArchive(folderMembers(work + "/books/demo", GetParam().prefix,
                                                    GetParam().deflate)));
        return archive;
    }

    std::set<std::string> filesBeside() const
    {
        std::set<std::string> files;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root))
            if (entry.path() != log)
                files.insert(entry.path().string());
        return files;
    }
};

TEST_P(ZippedBook, IsReadToAnEndingWithKeysAlone)
{
    const std::string archive = zipDemo();
    const std::set<std::string> before = filesBeside();
    ASSERT_TRUE(start({archive})) << readFile(log);
    player.pressKey(XK_Return);
    ASSERT_TRUE(awaitPage("edge", "path.png", 150)) << readFile(log);
    player.pressKey(XK_Return);
    ASSERT_TRUE(awaitPage("fork", "owl.png", 160));
    player.pressKey(XK_3);
    ASSERT_TRUE(awaitPage("river", "river.png", 150));
    player.pressKey(XK_Return);
    ASSERT_TRUE(awaitPage("valley", "panorama.png", 150));
    player.pressKey(XK_space);
    ASSERT_TRUE(awaitPage("sunrise", "sunrise.png", 150));
    player.pressKey(XK_Return);
    {
        const Reference forest(work + "/books/demo/pico/forest.png");
        ASSERT_TRUE(await("epilogue", [&](const Screenshot& s) {
            return shows(s, forest, 100, 40, 540, 320) && focusInRow(s, RIGHT);
        }));
    }
    const Screenshot page = last;
    player.pressKey(XK_Return); // Close: past the last page
    ASSERT_TRUE(await("the-end", [&](const Screenshot& s) { return boxCoversTheMiddle(s, page); }));
    player.pressKey(XK_Return);
    ASSERT_TRUE(awaitTitle("title-again"));
    quit();
    EXPECT_EQ(filesBeside(), before);
    EXPECT_EQ(readFile(log).find("quorvel:"), std::string::npos) << readFile(log);
}

TEST_P(ZippedBook, OpensAtTheGivenPage)
{
    ASSERT_TRUE(player.start(QUORVEL_PROGRAM, work, log, {"--page", "3", zipDemo()})
                && player.waitForWindow(20))
        << readFile(log);
    ASSERT_TRUE(awaitPage("river", "river.png", 150)) << readFile(log);
    player.pressKey(XK_Escape);
    ASSERT_TRUE(awaitTitle("title"));
    quit();
}

const ZippedCase zippedCases[] = {
    {"AtTheRootPacked", "", true},
    {"InOneTopFolderStored", "demo/", false},
};

INSTANTIATE_TEST_SUITE_P(Reading, ZippedBook, ::testing::ValuesIn(zippedCases),
                         [](const ::testing::TestParamInfo<ZippedCase>& info) {
                             return std::string(info.param.name);
                         });

// A page of the demo opened from the command line, its background and its
// illustration (none for an empty name).
struct DemoPageCase {
    const char* name;
    int page;
    const char* background;
    const char* illustration;
};

void PrintTo(const DemoPageCase& c, std::ostream* out)
{
    *out << c.name;
}

class DemoPage : public ReadingEndToEnd, public ::testing::WithParamInterface<DemoPageCase> {};

// Each page of the demo shows its illustration where the page layout puts
// it, which leaves the title line and the Menu button clear; the screenshots
// (screenshots/reading-ShowsItsIllustrationWhereTheLayoutPutsIt/) show
// every page of the demo as a new reader sees it, at scale 1.
TEST_P(DemoPage, ShowsItsIllustrationWhereTheLayoutPutsIt)
{
    const DemoPageCase& c = GetParam();
    ASSERT_TRUE(player.start(QUORVEL_PROGRAM, work, log,
                             {"--scale", "1", "--page", std::to_string(c.page), work + "/books/demo"})
                && player.waitForWindow(20))
        << readFile(log);
    const Reference background(work + "/books/demo/pico/" + c.background);
    const std::string shot = std::to_string(c.page) + "-" + c.name;
    if (*c.illustration) {
        const Reference picture(work + "/books/demo/pico/" + c.illustration);
        ASSERT_TRUE(picture.loaded());
        const Box placed = illustrationBox(picture.width(), picture.height(), ILLUSTRATION_AREA_X);
        ASSERT_TRUE(await(shot, [&](const Screenshot& s) {
            return showsPage(s, picture, placed.x);
        })) << readFile(log);
        EXPECT_TRUE(intersection(placed, MENU_BOX).empty());
        // The title line's strip left of the picture shows the background
        // and the title's ink, nothing of the picture.
        EXPECT_GT(darkPixels(last, TITLE_X, TITLE_Y, placed.x, TITLE_Y + 14), 20);
    } else {
        ASSERT_TRUE(await(shot, [&](const Screenshot& s) {
            return shows(s, background, 100, 40, 540, 320);
        })) << readFile(log);
    }
    player.pressKey(XK_Escape);
    ASSERT_TRUE(awaitTitle("title"));
    quit();
}

const DemoPageCase demoPages[] = {
    {"edge", 1, "forest.png", "path.png"},      {"fork", 2, "forest.png", "owl.png"},
    {"river", 3, "forest.png", "river.png"},    {"valley", 4, "forest.png", "panorama.png"},
    {"house", 5, "night.png", "house.png"},     {"lantern", 6, "night.png", "lantern.png"},
    {"cave", 7, "night.png", "cave.png"},       {"darkness", 8, "night.png", ""},
    {"sunrise", 9, "forest.png", "sunrise.png"}, {"epilogue", 10, "forest.png", ""},
};

INSTANTIATE_TEST_SUITE_P(Reading, DemoPage, ::testing::ValuesIn(demoPages),
                         [](const ::testing::TestParamInfo<DemoPageCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
