// The real player started with a command line, as a child process, in a
// real window, driven from outside as a reader would.
#include "screens.h"
#include "testenv.h"
#include "xplayer.h"

#include <allegro.h>
#include <X11/keysym.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
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
        log = root + "/player.log";
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        shots = std::string(QUORVEL_BUILD_DIR) + "/screenshots/launch-" + test->name();
        fs::remove_all(shots);
        fs::create_directories(shots);
    }

    // Waits for a screen that `ready` recognises and keeps its screenshot
    // (or the last one taken) under `name`.
    bool await(const std::string& name, const std::function<bool(const Screenshot&)>& ready)
    {
        const bool seen = player.waitForScreen(ready, 15, last);
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
        const Reference picture(work + "/pico/title.png");
        return await("title", [&](const Screenshot& s) { return showsTitle(s, picture); });
    }

    // The demo's first page (the path, centred at 110) or its second (the
    // owl, at 160).
    bool awaitDemoPage(int number)
    {
        const Reference picture(work + "/books/demo/pico/" + (number == 1 ? "path.png" : "owl.png"));
        const int x = number == 1 ? 110 : 160;
        return await("page" + std::to_string(number),
                     [&](const Screenshot& s) { return showsPage(s, picture, x); });
    }

    void quitFromTitle()
    {
        ASSERT_TRUE(awaitTitle()) << readFile(log);
        player.click(MENU_X, QUIT_Y);
        EXPECT_EQ(player.waitForExit(10), 0) << readFile(log);
    }

    std::string root, work, log, shots;
    XPlayer player;
    Screenshot last;
    int shotCount = 0;
};

TEST_F(Started, AWorkingDirectoryGivenFromElsewhere)
{
    ASSERT_TRUE(start({"../work"})) << readFile(log);
    ASSERT_TRUE(awaitTitle()) << readFile(log);
    player.click(MENU_X, START_Y);
    ASSERT_TRUE(awaitDemoPage(1)) << readFile(log);
    player.click(FIRST_X, CHOICE_Y);
    ASSERT_TRUE(awaitDemoPage(2)) << readFile(log);
    player.click(MENU_BUTTON_X, MENU_BUTTON_Y);
    quitFromTitle();
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
    EXPECT_EQ(player.waitForExit(20), 2);
    // The sound driver may have its say too; the player's is one line.
    const std::string said = readFile(log);
    EXPECT_NE(said.find("\nquorvel: --page 11: the book has 10 pages\n"), std::string::npos) << said;
}

TEST_F(Started, AMissingBookIsSaidAndTheTitleComesBack)
{
    writeFile(work + "/ini.dat", "windowed:YES;\nbook:gone;\nmain_bg:title.png;\n");
    ASSERT_TRUE(start({work})) << readFile(log);
    ASSERT_TRUE(awaitTitle()) << readFile(log);
    const Screenshot menu = last;
    player.click(MENU_X, START_Y);
    ASSERT_TRUE(await("message", [&](const Screenshot& s) { return boxCoversTheMiddle(s, menu); }));
    const std::string said = readFile(log);
    EXPECT_NE(said.find("quorvel: can not open the book \"books/gone/pages.dat\" in " + work + "\n"),
              std::string::npos) << said;
    player.pressKey(XK_Return);
    quitFromTitle();
}

} // namespace
