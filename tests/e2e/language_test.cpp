// The real player in a real window, started as a reader starts it under
// LANG=C, en_US.UTF-8 and ru_RU.UTF-8 (the locales made for the tests):
// its title menu and end-of-book alert in that language, and the key help
// (F1, ?) over a page and over the title menu. The screenshots are kept
// under the build folder's screenshots/language-*, to be looked at.
#include "gamepage.h"
#include "screens.h"
#include "testenv.h"
#include "title.h"
#include "xplayer.h"

#include <allegro.h>
#include <X11/keysym.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>

namespace fs = std::filesystem;

namespace {

// The book: one page, whose one choice ends it.
const char* const ONE_PAGE_BOOK = "default_bg:bg.png;\n"
                                  "page_start:;\nroom_name:Edge;\ntext_main:A path.;\n"
                                  "but1_text:On;\npage_end:;\n";

// The colour of the book's background: anything drawn shows over it.
const Rgb BG = {200, 180, 120};

class LanguageEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        startLibraryWithoutDisplay();
        set_color_depth(24);
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "these tests need an X display";
        root = enterScratchDir("language-e2e");
        writeFile(".asoundrc", "pcm.!default { type null }\n");
        setenv("HOME", root.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
        setenv("LOCPATH", QUORVEL_TEST_LOCALES, 1);
        unsetenv("LANGUAGE");
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
        ASSERT_TRUE(writePicture("tale/pico/bg.png", 640, 480, BG.r, BG.g, BG.b));
        writeFile("tale/pages.dat", ONE_PAGE_BOOK);
        log = root + "/player.log";
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        shots = std::string(QUORVEL_BUILD_DIR) + "/screenshots/language-" + test->name();
        fs::remove_all(shots);
        fs::create_directories(shots);
    }

    void TearDown() override { setenv("LANG", "C", 1); }

    // Starts the player on the book under LANG=`lang` and waits for its
    // title menu, kept as title-<name>.
    bool start(const std::string& lang, const std::string& name)
    {
        setenv("LANG", lang.c_str(), 1);
        return player.start(QUORVEL_PROGRAM, root, log, {root + "/tale"})
               && player.waitForWindow(20) && await("title-" + name, showsTitle);
    }

    // Waits for a screen that `ready` recognises, drawn whole (two
    // screenshots in a row alike), and keeps it under `name`.
    bool await(const std::string& name, const std::function<bool(const Screenshot&)>& ready)
    {
        Screenshot previous;
        const bool seen = player.waitForScreen(
            [&](const Screenshot& s) {
                const bool steady = s.pixels == previous.pixels;
                previous = s;
                return steady && ready(s);
            },
            15, last);
        last.save(shots + "/" + name + ".png");
        return seen;
    }

    // The installed title picture's menu: three buttons, blue or amber.
    static bool showsTitle(const Screenshot& s)
    {
        for (int button : {MENU_START, MENU_ABOUT, MENU_QUIT}) {
            const DIALOG& d = dialogMenu[button];
            const Rgb c = s.at(d.x + 4, d.y + 4);
            const bool blue = c.b > 200 && c.r < 40 && c.g < 60;
            if (!blue && !near(c, FOCUS_FACE))
                return false;
        }
        return true;
    }

    // The one page: its background below the illustration's place.
    static bool showsPage(const Screenshot& s)
    {
        return near(s.at(300, 200), BG) && isGrey225(s.at(15, 466));
    }

    std::string root, log, shots;
    XPlayer player;
    Screenshot last;
};

// The pixels of the Start Game button's face that are its label, as a
// picture: the label's text in the reader's language.
Screenshot startLabel(const Screenshot& title)
{
    const DIALOG& d = dialogMenu[MENU_START];
    Screenshot label;
    label.w = d.w - 8;
    label.h = d.h - 8;
    for (int y = d.y + 4; y < d.y + d.h - 4; ++y)
        for (int x = d.x + 4; x < d.x + d.w - 4; ++x)
            label.pixels.push_back(title.pixels[y * title.w + x]);
    return label;
}

struct LanguageCase {
    const char* name;
    const char* lang;
    unsigned long endKey; // a key that answers the end-of-book alert
};

void PrintTo(const LanguageCase& c, std::ostream* os)
{
    *os << c.name;
}

class LanguageShots : public LanguageEndToEnd, public ::testing::WithParamInterface<LanguageCase> {};

// The title menu and the end-of-book alert in the language LANG asks for;
// Start Game's label differs from the C locale's exactly when the language
// is one the player translates its buttons into.
TEST_P(LanguageShots, TitleMenuAndEndOfBookAlert)
{
    const LanguageCase& c = GetParam();
    ASSERT_TRUE(start("C", "C")) << readFile(log);
    const Screenshot cTitle = last;
    player.pressKey(XK_Escape);
    ASSERT_EQ(player.waitForExit(10), 0) << readFile(log);

    ASSERT_TRUE(start(c.lang, c.name)) << readFile(log);
    const bool translated = std::string(c.name) == "ru";
    EXPECT_EQ(startLabel(last).pixels != startLabel(cTitle).pixels, translated);

    player.pressKey(XK_Return); // Start Game
    ASSERT_TRUE(await(std::string("page-") + c.name, showsPage)) << readFile(log);
    const Screenshot page = last;
    player.pressKey(XK_Return); // the one choice, past the last page
    ASSERT_TRUE(await(std::string("end-") + c.name,
                      [&](const Screenshot& s) { return boxCoversTheMiddle(s, page); }))
        << readFile(log);
    player.pressKey(c.endKey);
    ASSERT_TRUE(await(std::string("title-again-") + c.name, showsTitle)) << readFile(log);
    player.pressKey(XK_Escape);
    EXPECT_EQ(player.waitForExit(10), 0) << readFile(log);
}

const LanguageCase languageCases[] = {
    {"C", "C", XK_c},
    {"en", "en_US.UTF-8", XK_e}, // "&Exit"
    {"ru", "ru_RU.UTF-8", XK_c}, // "&Выход", and the letter c
};

INSTANTIATE_TEST_SUITE_P(, LanguageShots, ::testing::ValuesIn(languageCases),
                         [](const auto& info) { return std::string(info.param.name); });

// F1 over the title menu and over a page shows the key help; any key
// closes it, and the screen under it comes back as it was.
TEST_F(LanguageEndToEnd, F1ShowsTheKeysOfTheScreen)
{
    ASSERT_TRUE(start("C", "C")) << readFile(log);
    const Screenshot title = last;
    player.pressKey(XK_F1);
    ASSERT_TRUE(await("keys-title", showsKeyHelp)) << readFile(log);
    player.pressKey(XK_space);
    ASSERT_TRUE(await("title-after-keys", [&](const Screenshot& s) {
        return s.pixels == title.pixels;
    })) << readFile(log);

    player.pressKey(XK_Return); // Start Game
    ASSERT_TRUE(await("page", showsPage)) << readFile(log);
    const Screenshot page = last;
    player.pressKey(XK_F1);
    ASSERT_TRUE(await("keys-page", showsKeyHelp)) << readFile(log);
    player.pressKey(XK_x);
    ASSERT_TRUE(await("page-after-keys", [&](const Screenshot& s) {
        return s.pixels == page.pixels;
    })) << readFile(log);
    player.pressKey(XK_Escape); // the page's Esc: back to the title menu
    ASSERT_TRUE(await("title-again", showsTitle)) << readFile(log);
    player.pressKey(XK_Escape);
    EXPECT_EQ(player.waitForExit(10), 0) << readFile(log);
}

// The key help in Russian, for a look at the translation.
TEST_F(LanguageEndToEnd, TheKeyHelpInRussian)
{
    ASSERT_TRUE(start("ru_RU.UTF-8", "ru")) << readFile(log);
    player.pressKey(XK_Return);
    ASSERT_TRUE(await("page", showsPage)) << readFile(log);
    player.pressKey(XK_F1);
    ASSERT_TRUE(await("keys-page-ru", showsKeyHelp)) << readFile(log);
    player.pressKey(XK_Escape); // closes the help only
    ASSERT_TRUE(await("page-again", showsPage)) << readFile(log);
    player.pressKey(XK_Escape);
    ASSERT_TRUE(await("title", showsTitle)) << readFile(log);
    player.pressKey(XK_Escape);
    EXPECT_EQ(player.waitForExit(10), 0) << readFile(log);
}

} // namespace
