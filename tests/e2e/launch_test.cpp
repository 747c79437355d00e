// The real player started with a command line, as a child process, in a
// real window, driven from outside as a reader would.
#include "app/report.h"
#include "screens.h"
#include "testenv.h"
#include "xplayer.h"

#include <allegro.h>
#include <X11/keysym.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

// --- the player in a real window ---

// A copy of the demo's working directory, and a folder to start the player
// in that holds nothing of the player's.
class Started : public ::testing::Test {
protected:
    void SetUp() override
    {
        startLibraryWithoutDisplay();
        set_color_depth(24);
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "these tests need an X display";
        root = enterScratchDir("started");
        work = root + "/work";
        fs::copy(QUORVEL_DEMO_DIR, work, fs::copy_options::recursive);
        fs::create_directories(root + "/elsewhere");
        writeFile(".asoundrc", "pcm.!default { type null }\n");
        setenv("HOME", root.c_str(), 1);
        unsetenv("XDG_CONFIG_HOME"); // the user's settings are $HOME/.config/quorvel/ini.dat
        log = root + "/player.log";
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        std::string name = test->name();
        std::replace(name.begin(), name.end(), '/', '-'); // parameterised cases
        shots = std::string(QUORVEL_BUILD_DIR) + "/screenshots/launch-" + name;
        fs::remove_all(shots);
    }

    // Waits for a screen that `ready` recognises and keeps its screenshot
    // (or the last one taken) under `name`.
    bool await(const std::string& name, const std::function<bool(const Screenshot&)>& ready)
    {
        const bool seen = player.waitForScreen(ready, 15, last);
        fs::create_directories(shots);
        last.save(shots + "/" + std::to_string(++shotCount) + "-" + name + ".png");
        return seen;
    }

    bool start(const std::vector<std::string>& args)
    {
        return player.start(QUORVEL_PROGRAM, root + "/elsewhere", log, args)
               && player.waitForWindow(20);
    }

    bool awaitTitle()
    {
        const Reference picture(QUORVEL_DEMO_DIR "/pico/title.png");
        return await("title", [&](const Screenshot& s) { return showsTitle(s, picture); });
    }

    // Starts the player in the empty folder and waits for the title menu.
    bool startAtTitle(const std::vector<std::string>& args)
    {
        return start(args) && awaitTitle();
    }

    // The demo's first page (the path, centred at 150) or its second (the
    // owl, at 160).
    bool awaitDemoPage(int number)
    {
        const Reference picture(std::string(QUORVEL_DEMO_DIR "/books/demo/pico/")
                                + (number == 1 ? "path.png" : "owl.png"));
        const int x = number == 1 ? 150 : 160;
        return await("page" + std::to_string(number),
                     [&](const Screenshot& s) { return showsPage(s, picture, x); });
    }

    // Reads the demo book from the title menu to its second page, and back.
    void readTwoPagesAndQuit()
    {
        player.click(MENU_X, START_Y);
        ASSERT_TRUE(awaitDemoPage(1)) << readFile(log);
        player.click(FIRST_X, CHOICE_CLICK_Y);
        ASSERT_TRUE(awaitDemoPage(2)) << readFile(log);
        player.click(MENU_BUTTON_X, MENU_BUTTON_Y);
        quitFromTitle();
    }

    // Starts the player in the working directory with its ini.dat naming the
    // book `book`, starts the book from the title menu and expects its box,
    // with `said` on standard error; the title menu comes back.
    void expectTheBookRefused(const std::string& book, const std::string& said)
    {
        writeFile(work + "/ini.dat", "windowed:YES;\nbook:" + book + ";\nmain_bg:title.png;\n");
        ASSERT_TRUE(start({work})) << readFile(log);
        ASSERT_TRUE(awaitTitle()) << readFile(log);
        const Screenshot menu = last;
        player.click(MENU_X, START_Y);
        ASSERT_TRUE(await("message", [&](const Screenshot& s) { return boxCoversTheMiddle(s, menu); }));
        EXPECT_NE(readFile(log).find(said), std::string::npos) << readFile(log);
        player.pressKey(XK_Return);
        quitFromTitle();
    }

    void quitFromTitle()
    {
        ASSERT_TRUE(awaitTitle()) << readFile(log);
        player.click(MENU_X, QUIT_Y);
        EXPECT_EQ(player.waitForExit(10), EXIT_QUIT) << readFile(log);
    }

    std::string root, work, log, shots;
    XPlayer player;
    Screenshot last;
    int shotCount = 0;
};

TEST_F(Started, AWorkingDirectoryGivenFromElsewhere)
{
    ASSERT_TRUE(startAtTitle({"../work"})) << readFile(log);
    readTwoPagesAndQuit();
}

// Where a book folder may lie, and how it may be named: each is copied from
// the demo and given on the command line from a folder with nothing of the
// player's in it, so that the font and the title picture come from the
// data installed beside the program.
struct FolderCase {
    const char* name;
    std::string folder;  // under the test's root
    bool absolute;       // given as an absolute path, else relative to the start folder
    std::string after;   // what follows the folder's path on the command line
};

void PrintTo(const FolderCase& c, std::ostream* out)
{
    *out << c.name;
}

class BookFolder : public Started, public ::testing::WithParamInterface<FolderCase> {};

TEST_P(BookFolder, ReachesPagesOneAndTwo)
{
    const FolderCase& c = GetParam();
    const std::string folder = root + "/" + c.folder;
    fs::create_directories(fs::path(folder).parent_path());
    fs::copy(work + "/books/demo", folder, fs::copy_options::recursive);
    ASSERT_TRUE(startAtTitle({(c.absolute ? folder : "../" + c.folder) + c.after}))
        << readFile(log);
    readTwoPagesAndQuit();
}

const FolderCase folderCases[] = {
    {"Relative", "shelf/forest", false, ""},
    {"DeepAbsolute",
     "a-rather-long-folder-name/with/several/levels/of/folders/below/it/forest", true, ""},
    {"CyrillicName", "полка/Лесная тропа", true, ""},
    {"TrailingSlash", "forest", false, "/"},
    {"ItsPagesFile", "forest", false, "/pages.dat"},
};

INSTANTIATE_TEST_SUITE_P(Started, BookFolder, ::testing::ValuesIn(folderCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The desktop groups the window by its class, shows its icon, and its title
// names the book: by its folder on the title menu, by its book_name line
// once it is read.
TEST_F(Started, TheWindowSaysWhoItIsAndNamesTheBook)
{
    const std::string folder = root + "/Лесная тропа";
    fs::copy(work + "/books/demo", folder, fs::copy_options::recursive);
    ASSERT_TRUE(startAtTitle({folder})) << readFile(log);
    // The title is set as each screen opens, so it is waited for.
    auto awaitTitleText = [&](const std::string& title, WindowIdentity& seen) {
        for (const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
             std::chrono::steady_clock::now() < end;) {
            if (player.identity(seen) && seen.title == title)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    };
    WindowIdentity seen;
    EXPECT_TRUE(awaitTitleText("Лесная тропа — Quorvel", seen)) << seen.title;
    EXPECT_EQ(seen.instance, "quorvel");
    EXPECT_EQ(seen.windowClass, "Quorvel");
    EXPECT_EQ(seen.iconWidth, 48);
    EXPECT_EQ(seen.iconHeight, 48);
    player.click(MENU_X, START_Y);
    ASSERT_TRUE(awaitDemoPage(1)) << readFile(log);
    EXPECT_TRUE(awaitTitleText("Лесная тропа / The Forest Path — Quorvel", seen)) << seen.title;
}

TEST_F(Started, TheUsersSettingsChooseTheTitlePictureAndNothingIsWritten)
{
    const std::string config = root + "/config/quorvel";
    setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
    writeFile(config + "/ini.dat", "windowed:YES;\nbook:ignored;\nmain_bg:mine.png;\n");
    copyFile(work + "/books/demo/pico/night.png", config + "/pico/mine.png");
    const auto before = fs::last_write_time(config + "/ini.dat");
    ASSERT_TRUE(start({work + "/books/demo"})) << readFile(log);
    const Reference mine(config + "/pico/mine.png");
    ASSERT_TRUE(await("own-title", [&](const Screenshot& s) { return showsTitle(s, mine); }))
        << readFile(log);
    player.click(MENU_X, QUIT_Y);
    EXPECT_EQ(player.waitForExit(10), EXIT_QUIT) << readFile(log);
    EXPECT_EQ(fs::last_write_time(config + "/ini.dat"), before);
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root + "/config"))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 2) << "the settings folder holds what it held";
}

TEST_F(Started, ABookFoldersOwnFontWins)
{
    writeFile(work + "/books/demo/font.dat", "not a font");
    ASSERT_TRUE(player.start(QUORVEL_PROGRAM, root + "/elsewhere", log, {work + "/books/demo"}));
    EXPECT_EQ(player.waitForExit(20), EXIT_CANNOT_LOAD);
    const std::string said = readFile(log);
    EXPECT_NE(said.find("Can not load font file!"), std::string::npos) << said;
    EXPECT_NE(said.find("quorvel: the font \"" + work + "/books/demo/font.dat\" is no font datafile: "
                        "start quorvel in a working directory that holds it, or give a book "
                        "folder: quorvel path/to/book\n"),
              std::string::npos)
        << said;
}

TEST_F(Started, AWorkingDirectoryWithoutItsFontSaysWhereItLooked)
{
    fs::remove(work + "/font.dat");
    ASSERT_TRUE(player.start(QUORVEL_PROGRAM, work, log, {}));
    EXPECT_EQ(player.waitForExit(20), EXIT_CANNOT_LOAD);
    const std::string said = readFile(log);
    EXPECT_NE(said.find("Can not load font file!"), std::string::npos) << said;
    EXPECT_NE(said.find("quorvel: the font \"" + work + "/font.dat\" is not there: start quorvel"),
              std::string::npos)
        << said;
}

TEST_F(Started, PageOpensTheBookThereAndMenuLeadsToTheTitle)
{
    ASSERT_TRUE(start({"--page", "2", work})) << readFile(log);
    ASSERT_TRUE(awaitDemoPage(2)) << readFile(log);
    player.click(MENU_BUTTON_X, MENU_BUTTON_Y);
    quitFromTitle();
}

TEST_F(Started, APagePastTheBookIsAnError)
{
    ASSERT_TRUE(player.start(QUORVEL_PROGRAM, root + "/elsewhere", log, {work, "--page=11"}));
    EXPECT_EQ(player.waitForExit(20), EXIT_USAGE);
    // The sound driver may have its say too; the player's is one line.
    const std::string said = readFile(log);
    EXPECT_NE(said.find("\nquorvel: --page 11: the book has 10 pages\n"), std::string::npos) << said;
}

TEST_F(Started, AMissingBookIsSaidAndTheTitleComesBack)
{
    expectTheBookRefused("gone", "quorvel: can not open the book \"books/gone/pages.dat\" in " + work + "\n");
}

// A book file the player cannot read for a reason of its own says that
// reason, on standard error and in the box, not only that it cannot open.
TEST_F(Started, ABookSavedAsUtf16IsNamedSo)
{
    std::string utf16 = "\xff\xfe";
    for (const char c : std::string("page_start:;\ntext_main:Hello;\nbut1_text:on;\npage_end:;\n")) {
        utf16 += c;
        utf16 += '\0';
    }
    writeFile(work + "/books/wide/pages.dat", utf16);
    expectTheBookRefused("wide", "quorvel: \"books/wide/pages.dat\" is saved as UTF-16, which the player "
                                 "does not read: save it as UTF-8\nquorvel: can not open the book");
}

TEST_F(Started, AnInstalledTreeRunFromTheRoot)
{
    const std::string prefix = root + "/prefix";
    const std::string install = "'" QUORVEL_CMAKE "' --install '" QUORVEL_BUILD_DIR "' --prefix '"
                                + prefix + "' > install.log 2>&1";
    ASSERT_EQ(std::system(install.c_str()), 0) << readFile("install.log");
    for (const char* file : {"bin/quorvel", "bin/quorvel-check", "bin/quorvel-mkfont",
                             "share/quorvel/font.dat", "share/quorvel/font.dat.LICENSE",
                             "share/quorvel/pico/title.png", "share/quorvel/books/demo/pages.dat",
                             "share/applications/quorvel.desktop",
                             "share/metainfo/example.quorvel.Quorvel.metainfo.xml",
                             "share/icons/hicolor/scalable/apps/quorvel.svg",
                             "share/icons/hicolor/48x48/apps/quorvel.png",
                             "share/man/man6/quorvel.6.gz", "share/man/man1/quorvel-check.1.gz",
                             "share/man/man1/quorvel-mkfont.1.gz"})
        EXPECT_TRUE(fs::is_regular_file(prefix + "/" + file)) << file;

    // The installed checker finds the installed font for a book folder.
    const ProgramRun check = runProgram(prefix + "/bin/quorvel-check",
                                        {prefix + "/share/quorvel/books/demo"}, true);
    EXPECT_EQ(check.status, 0) << check.output;
    EXPECT_EQ(check.output.find("no font.dat"), std::string::npos) << check.output;
    EXPECT_NE(check.output.find("0 errors"), std::string::npos) << check.output;

    // Started as from a desktop menu: no book, in a folder with nothing of
    // its own. The shelf offers the installed demo, read in a player of its own.
    setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
    setenv("XDG_STATE_HOME", (root + "/state").c_str(), 1);
    ASSERT_TRUE(player.start(prefix + "/bin/quorvel", "/", log) && player.waitForWindow(20))
        << readFile(log);
    ASSERT_TRUE(await("shelf", showsShelf)) << readFile(log);
    player.pressKey(XK_Return);
    ASSERT_TRUE(player.waitForAnotherWindow(20)) << readFile(log);
    ASSERT_TRUE(awaitTitle()) << readFile(log);
    player.click(MENU_X, START_Y);
    ASSERT_TRUE(awaitDemoPage(1)) << readFile(log);
    player.click(FIRST_X, CHOICE_CLICK_Y);
    ASSERT_TRUE(awaitDemoPage(2)) << readFile(log);
    player.click(MENU_BUTTON_X, MENU_BUTTON_Y);
    ASSERT_TRUE(awaitTitle()) << readFile(log);
    player.click(MENU_X, QUIT_Y);
    ASSERT_TRUE(player.waitForWindowGone(10));
    ASSERT_TRUE(await("shelf-again", showsShelf)) << readFile(log);
    player.pressCloseButton(); // taken even while the shelf is made anew

    EXPECT_EQ(player.waitForExit(10), EXIT_QUIT) << readFile(log);
}

} // namespace
