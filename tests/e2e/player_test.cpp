// The real quorvel program in a real window, on a copy of the demo's working
// directory, clicked through by a reader's mouse and keyboard from outside.
// The screenshots of each run are kept under the build folder's
// screenshots/ for a person to look at.
#include "app/report.h"
#include "gamepage.h"
#include "screens.h"
#include "testenv.h"
#include "title.h"
#include "virtualdisplay.h"
#include "xplayer.h"

#include <allegro.h>
#include <X11/keysym.h>

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string>

namespace fs = std::filesystem;

namespace {

// Where the player's buttons are, from its own dialog tables.
struct Place {
    int x, y;
};

Place centreOf(const DIALOG& d)
{
    return {d.x + d.w / 2, d.y + d.h / 2};
}

const Place START = centreOf(dialogMenu[MENU_START]);
const Place ABOUT = centreOf(dialogMenu[MENU_ABOUT]);
const Place QUIT = centreOf(dialogMenu[MENU_QUIT]);
const Place MENU_BUTTON = centreOf(dialogGamePage[PAGE_MENU]);
// The first choice places itself as it is drawn, its right end 10 pixels
// from the screen's right edge (640 pixels wide) whatever its label: 10
// pixels inside that end is on it.
const Place FIRST_CHOICE = {640 - 20, centreOf(dialogGamePage[PAGE_FIRST_CHOICE]).y};
// A row of pixels inside the choices, 4 below their top.
const int CHOICE_ROW = dialogGamePage[PAGE_FIRST_CHOICE].y + 4;

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        startLibraryWithoutDisplay();
        set_color_depth(24);
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "these tests need an X display";
        work = enterScratchDir("e2e");
        fs::copy(QUORVEL_DEMO_DIR, work, fs::copy_options::recursive);
        // Sounds play, silently, where ALSA's default device is null.
        writeFile(".asoundrc", "pcm.!default { type null }\n");
        setenv("HOME", work.c_str(), 1);
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        shots = std::string(QUORVEL_BUILD_DIR) + "/screenshots/" + test->name();
        fs::remove_all(shots);
        fs::create_directories(shots);
    }

    // Starts the player and waits for its title menu; false when it does
    // not come.
    bool startPlayer()
    {
        log = work + "/player.log";
        if (!player.start(QUORVEL_PROGRAM, work, log))
            return false;
        return player.waitForWindow(20) && awaitTitle("title");
    }

    // Waits for a screen that `ready` recognises and keeps its screenshot
    // under `name`.
    bool await(const std::string& name, const std::function<bool(const Screenshot&)>& ready)
    {
        const bool seen = player.waitForScreen(ready, 15, last);
        last.save(shots + "/" + std::to_string(++shotCount) + "-" + name + ".png");
        return seen;
    }

    // The title menu: its picture around the hidden Options button, the
    // three blue buttons and the book line over the light band at the top.
    bool awaitTitle(const std::string& name)
    {
        Reference picture(work + "/pico/title.png");
        if (!picture.loaded())
            return false;
        return await(name, [&](const Screenshot& s) {
            const auto isButton = [&](const DIALOG& d) {
                const Rgb c = s.at(d.x + 4, d.y + 4); // inside the frame, clear of the label
                const bool blue = c.b > 200 && c.r < 40 && c.g < 60;
                return blue || near(c, {255, 200, 40}); // or amber: it has the focus
            };
            const DIALOG& options = dialogMenu[MENU_OPTIONS];
            return shows(s, picture, options.x, options.y, options.x + options.w,
                         options.y + options.h)
                   && isButton(dialogMenu[MENU_START]) && isButton(dialogMenu[MENU_ABOUT])
                   && isButton(dialogMenu[MENU_QUIT]) && darkPixels(s, 160, 4, 480, 22) > 30;
        });
    }

    // A page: the background (or the previous page's picture) in the band
    // below the illustration, the page's illustration at its place, the text
    // box, the Menu button, and the room name at the top left.
    bool awaitPage(const std::string& name, const std::string& background,
                   const std::string& illustration, int pictureX)
    {
        Reference bg(work + "/books/demo/pico/" + background);
        Reference pico(work + "/books/demo/pico/" + illustration);
        if (!bg.loaded() || !pico.loaded())
            return false;
        // Each of these pages has a first choice. The window may show the
        // rows of one pass a few at a time, so the page counts as shown once
        // all its parts are there, the row of choices with them.
        return await(name, [&](const Screenshot& s) {
            return shows(s, pico, pictureX + 20, 30, pictureX + 200, 200, pictureX, 10)
                   && isGrey225(s.at(15, 466)) && isGrey225(s.at(MENU_BUTTON.x - 30, 12))
                   && isGrey225(s.at(626, CHOICE_ROW)) && darkPixels(s, 5, 5, 200, 20) > 20;
        });
    }

    std::string work, shots, log;
    XPlayer player;
    Screenshot last;
    int shotCount = 0;
};

TEST_F(EndToEnd, QuitEndsTheProgramWithStatusZero)
{
    ASSERT_TRUE(startPlayer()) << readFile(log);
    ASSERT_TRUE(player.click(QUIT.x, QUIT.y));
    EXPECT_EQ(player.waitForExit(10), EXIT_QUIT) << readFile(log);
}

TEST_F(EndToEnd, EscOnTheTitleEndsTheProgram)
{
    ASSERT_TRUE(startPlayer()) << readFile(log);
    player.pressKey(XK_Escape);
    EXPECT_EQ(player.waitForExit(10), EXIT_QUIT) << readFile(log);
}

TEST_F(EndToEnd, TheCloseButtonEndsTheProgramOnEitherScreen)
{
    ASSERT_TRUE(startPlayer()) << readFile(log);
    player.pressCloseButton();
    EXPECT_EQ(player.waitForExit(10), EXIT_QUIT) << readFile(log);

    ASSERT_TRUE(startPlayer()) << readFile(log);
    ASSERT_TRUE(player.click(START.x, START.y));
    ASSERT_TRUE(awaitPage("edge", "forest.png", "path.png", 150));
    player.pressCloseButton();
    EXPECT_EQ(player.waitForExit(10), EXIT_QUIT) << readFile(log);
}

TEST_F(EndToEnd, AboutShowsTheAboutBoxAndReturnsToTheMenu)
{
    ASSERT_TRUE(startPlayer()) << readFile(log);
    const Screenshot menu = last;
    ASSERT_TRUE(player.click(ABOUT.x, ABOUT.y));
    ASSERT_TRUE(await("about", [&](const Screenshot& s) { return boxCoversTheMiddle(s, menu); }));
    player.pressKey(XK_Return);
    ASSERT_TRUE(awaitTitle("menu-again"));
    ASSERT_TRUE(player.click(QUIT.x, QUIT.y));
    EXPECT_EQ(player.waitForExit(10), EXIT_QUIT) << readFile(log);
}

// From the title through the demo book to an ending, and back to the title.
TEST_F(EndToEnd, ReadsTheDemoBookToAnEndingAndBack)
{
    ASSERT_TRUE(startPlayer()) << readFile(log);
    ASSERT_TRUE(player.click(START.x, START.y));

    // The first page: one choice; where the other two would be, the forest.
    ASSERT_TRUE(awaitPage("edge", "forest.png", "path.png", 150));
    {
        Reference forest(work + "/books/demo/pico/forest.png");
        EXPECT_TRUE(shows(last, forest, 20, 30, 100, 330)) << "the default background";
        EXPECT_TRUE(isGrey225(last.at(626, CHOICE_ROW))) << "the first choice";
        EXPECT_TRUE(near(last.at(300, CHOICE_ROW), forest.at(300, CHOICE_ROW))) << "no second choice";
        EXPECT_TRUE(near(last.at(14, CHOICE_ROW), forest.at(14, CHOICE_ROW))) << "no third choice";
    }
    ASSERT_TRUE(player.click(FIRST_CHOICE.x, FIRST_CHOICE.y));

    // The fork: three choices.
    ASSERT_TRUE(awaitPage("fork", "forest.png", "owl.png", 160));
    EXPECT_TRUE(isGrey225(last.at(626, CHOICE_ROW)));
    EXPECT_TRUE(isGrey225(last.at(293, CHOICE_ROW)));
    EXPECT_TRUE(isGrey225(last.at(14, CHOICE_ROW)));
    ASSERT_TRUE(player.click(FIRST_CHOICE.x, FIRST_CHOICE.y));

    // The river, 619 pixels wide: centred at x 11.
    ASSERT_TRUE(awaitPage("river", "forest.png", "river.png", 150));
    ASSERT_TRUE(player.click(FIRST_CHOICE.x, FIRST_CHOICE.y));

    // The valley, wider than 619: it keeps the place of the one before.
    ASSERT_TRUE(awaitPage("valley", "forest.png", "panorama.png", 150));
    ASSERT_TRUE(player.click(FIRST_CHOICE.x, FIRST_CHOICE.y)); // to page 9

    ASSERT_TRUE(awaitPage("sunrise", "forest.png", "sunrise.png", 150));
    ASSERT_TRUE(player.click(FIRST_CHOICE.x, FIRST_CHOICE.y)); // on to the last page

    // The epilogue has no illustration: the forest shows where it would be.
    {
        Reference forest(work + "/books/demo/pico/forest.png");
        ASSERT_TRUE(await("epilogue", [&](const Screenshot& s) {
            return shows(s, forest, 100, 40, 540, 320) && isGrey225(s.at(626, CHOICE_ROW))
                   && isGrey225(s.at(293, CHOICE_ROW));
        }));
    }
    const Screenshot page = last;
    ASSERT_TRUE(player.click(FIRST_CHOICE.x, FIRST_CHOICE.y)); // past the last page: the end

    ASSERT_TRUE(await("the-end", [&](const Screenshot& s) { return boxCoversTheMiddle(s, page); }));
    player.pressKey(XK_c); // the alert's "&Выход"
    ASSERT_TRUE(awaitTitle("title-again"));

    // Every opening reads the book again, from its first page.
    ASSERT_TRUE(player.click(START.x, START.y));
    ASSERT_TRUE(awaitPage("edge-again", "forest.png", "path.png", 150));
    ASSERT_TRUE(player.click(MENU_BUTTON.x, MENU_BUTTON.y));
    ASSERT_TRUE(awaitTitle("title-after-menu"));
    ASSERT_TRUE(player.click(QUIT.x, QUIT.y));
    EXPECT_EQ(player.waitForExit(10), EXIT_QUIT) << readFile(log);
}

// A display that is not there: the player says so on one line and ends at
// once, without the tries again that a resetting server is given.
struct NoDisplayCase {
    const char* name;
    bool named; // DISPLAY names a display that no server holds; else it is unset
};

void PrintTo(const NoDisplayCase& c, std::ostream* out)
{
    *out << c.name;
}

class WithoutADisplay : public EndToEnd, public ::testing::WithParamInterface<NoDisplayCase> {};

TEST_P(WithoutADisplay, ItSaysSoAndExitsWithNoDisplayAtOnce)
{
    if (GetParam().named)
        setenv("DISPLAY", displayWithNoServer().c_str(), 1);
    else
        unsetenv("DISPLAY");
    const std::string command = std::string("cd '") + work + "' && '" QUORVEL_PROGRAM
                                "' > out.txt 2> err.txt";
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), EXIT_NO_DISPLAY);
    const std::string err = readFile(work + "/err.txt");
    const std::string message =
        "quorvel: cannot start: a graphical display is needed (is DISPLAY set?): ";
    EXPECT_EQ(err.substr(0, message.size()), message) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_LT(took.count(), 1.0);
}

const NoDisplayCase noDisplayCases[] = {
    {"DisplayUnset", false},
    {"DisplayNamingNoServer", true},
};

INSTANTIATE_TEST_SUITE_P(Start, WithoutADisplay, ::testing::ValuesIn(noDisplayCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The fatal report of a file that cannot be loaded.
std::string cannotLoadText(const std::string& path)
{
    return "Can not load \"" + path + "\"\nProgramm will be closed.";
}

// The real player, started on a damaged title picture, says which file and
// exits with status 1 (its message box prints instead: no xmessage on PATH).
TEST(BadPlayerInput, DamagedTitlePictureEndsThePlayerNamingIt)
{
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "the player needs an X display";
    const std::string work = enterScratchDir("badplayer");
    fs::copy(QUORVEL_DEMO_DIR, work, fs::copy_options::recursive);
    const std::string title = readFile("pico/title.png");
    ASSERT_GT(title.size(), 100u);
    writeFile("pico/title.png", title.substr(0, title.size() / 2));
    writeFile(".asoundrc", "pcm.!default { type null }\n");
    const std::string command = "HOME='" + work + "' PATH=/nonexistent-quorvel-test-path '"
                                QUORVEL_PROGRAM "' > out.txt 2>&1";
    const int status = std::system(command.c_str());
    const std::string out = readFile("out.txt");
    ASSERT_TRUE(WIFEXITED(status)) << out;
    EXPECT_EQ(WEXITSTATUS(status), EXIT_CANNOT_LOAD) << out;
    EXPECT_NE(out.find(cannotLoadText("pico/title.png")), std::string::npos) << out;
}

// A page naming a picture outside its book: the real player refuses it as
// a missing file, naming it and saying why, and exits with status 1,
// whether the reader has a file there or not.
class OutsideName : public ::testing::TestWithParam<const char*> {};

TEST_P(OutsideName, EndsThePlayerAsAMissingFileDoes)
{
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "the player needs an X display";
    const std::string work = enterScratchDir(std::string("outside") + GetParam());
    fs::copy(QUORVEL_DEMO_DIR, work, fs::copy_options::recursive);
    copyFile("books/demo/pico/owl.png", "secret.png");
    const std::string name = std::string("../../../") + GetParam();
    writeFile("books/demo/pages.dat", "default_bg:forest.png;\npage_start:;\npico_name:" + name
                                          + ";\nbut1_text:on;\npage_end:;\n");
    writeFile(".asoundrc", "pcm.!default { type null }\n");
    const std::string command = "HOME='" + work + "' PATH=/nonexistent-quorvel-test-path /usr/bin/timeout 60 '"
                                QUORVEL_PROGRAM "' --page 1 books/demo > out.txt 2>&1";
    const int status = std::system(command.c_str());
    const std::string out = readFile("out.txt");
    ASSERT_TRUE(WIFEXITED(status)) << out;
    EXPECT_EQ(WEXITSTATUS(status), EXIT_CANNOT_LOAD) << out;
    const std::string path = "demo/pico/" + name; // the player reads from inside books/
    EXPECT_NE(out.find("quorvel: \"" + path + "\" is outside the book's pico/ folder: a book reads "
                       "only its own pictures and sounds"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find(cannotLoadText(path)), std::string::npos) << out;
}

INSTANTIATE_TEST_SUITE_P(BadPlayerInput, OutsideName, ::testing::Values("secret.png", "none.png"),
                         [](const auto& info) {
                             return std::string(info.param) == "secret.png" ? "WhereAFileIs"
                                                                            : "WhereNothingIs";
                         });

} // namespace
