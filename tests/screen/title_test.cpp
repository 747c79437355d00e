// The title menu in a real window, driven through the GUI's input hooks.
#include "assets.h"
#include "init.h"
#include "screen/dialogpass.h"
#include "scriptedinput.h"
#include "testenv.h"
#include "text/buffers.h"
#include "title.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// The title picture of these tests: one colour, so that anything drawn over
// it shows.
const int BG_R = 200, BG_G = 180, BG_B = 120;

class Title : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(startLibraryInWindow()) << "no window: is an X display set?";
        enterScratchDir("title");
        ASSERT_TRUE(writePicture("pico/title.png", 640, 480, BG_R, BG_G, BG_B));
        copyCut(main_bg_name, sizeof main_bg_name, "pico/title.png");
        copyCut(book, sizeof book, "books/tale");
    }

    static bool isBackground(int x, int y)
    {
        return getpixel(screen, x, y) == makecol(BG_R, BG_G, BG_B);
    }

    // Pixels of the element's place that differ from the title picture.
    static int drawnPixels(const DIALOG& d)
    {
        int count = 0;
        for (int y = d.y; y < d.y + d.h; ++y)
            for (int x = d.x; x < d.x + d.w; ++x)
                count += !isBackground(x, y);
        return count;
    }
};

DIALOG* const startButton = &dialogMenu[MENU_START];
DIALOG* const optionsButton = &dialogMenu[MENU_OPTIONS];
DIALOG* const aboutButton = &dialogMenu[MENU_ABOUT];
DIALOG* const quitButton = &dialogMenu[MENU_QUIT];

TEST_F(Title, StartGameReturnsTrueAndLeavesNoSelection)
{
    playMouse(clickOn(startButton));
    EXPECT_TRUE(title());
    EXPECT_EQ(startButton->flags, 0);
}

TEST_F(Title, QuitReturnsFalse)
{
    playMouse(clickOn(quitButton));
    EXPECT_FALSE(title());
}

TEST_F(Title, EscReturnsFalse)
{
    playMouse({idle(10), then([] { pressKey(KEY_ESC, 27); })});
    EXPECT_FALSE(title());
}

TEST_F(Title, CloseButtonReturnsFalse)
{
    playMouse({idle(10), then([] { closeRequested = 1; })});
    EXPECT_FALSE(title());
}

TEST_F(Title, QuitFromAnEarlierLifeDoesNotCarryOver)
{
    playMouse(clickOn(quitButton));
    ASSERT_FALSE(title());
    playMouse(clickOn(startButton));
    EXPECT_TRUE(title());
}

TEST_F(Title, AboutCanBeChosenAgainAndAgain)
{
    int alertsSeen = 0;
    std::vector<MouseStep> script;
    for (int round = 0; round < 2; ++round) {
        append(script, clickOn(aboutButton));
        script.push_back(when([] { return alertShowing(ABOUT_VERSION_LINE); },
                              [&] { ++alertsSeen; pressKey(KEY_C, 'c'); }));
        // Back on the menu, About is unselected again.
        script.push_back(when([] { return active_dialog == dialogMenu
                                          && !(aboutButton->flags & D_SELECTED); },
                              nullptr));
    }
    append(script, clickOn(startButton));
    playMouse(script);
    EXPECT_TRUE(title());
    EXPECT_EQ(alertsSeen, 2);
}

TEST_F(Title, OptionsIsNeverDrawnAndTheOthersAre)
{
    optionsButton->flags = 0; // whatever the table says, the screen hides it
    int options = -1, start = -1, about = -1, quit = -1;
    playMouse({idle(30), then([&] {
                   options = drawnPixels(*optionsButton);
                   start = drawnPixels(*startButton);
                   about = drawnPixels(*aboutButton);
                   quit = drawnPixels(*quitButton);
               }),
               then([] { pressKey(KEY_ESC, 27); })});
    EXPECT_FALSE(title());
    EXPECT_EQ(options, 0);
    // A button is a filled frame with its label: most of its pixels are drawn.
    EXPECT_GT(start, startButton->w * startButton->h / 2);
    EXPECT_GT(about, aboutButton->w * aboutButton->h / 2);
    EXPECT_GT(quit, quitButton->w * quitButton->h / 2);
}

// The columns in which the book line put pixels of its colour.
void bookLineSpan(int& first, int& last)
{
    first = SCREEN_W;
    last = -1;
    const int ink = makecol(32, 32, 32);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < SCREEN_W; ++x)
            if (getpixel(screen, x, y) == ink) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
}

TEST_F(Title, BookLineIsCentredAndCutToWholeCharacters)
{
    struct Case {
        const char* book;
        const char* drawn; // what must appear: at most 31 bytes
    };
    const Case cases[] = {
        {"books/tale", "Книга: books/tale"},
        // 12 bytes of "Книга: " leave 19 for the path.
        {"books/a-rather-long-name", "Книга: books/a-rather-long"},
        // The 19th byte would split "ж": the whole letter goes.
        {"books/abcdefghijklж", "Книга: books/abcdefghijkl"},
    };
    for (const Case& c : cases) {
        copyCut(book, sizeof book, c.book);
        int first = 0, last = 0;
        playMouse({idle(30), then([&] { bookLineSpan(first, last); }),
                   then([] { pressKey(KEY_ESC, 27); })});
        EXPECT_FALSE(title());
        const int width = text_length(font, c.drawn);
        const int left = SCREEN_W / 2 - width / 2;
        ASSERT_GE(last, first) << c.book << ": no book line drawn";
        // Glyphs sit inside their advance; allow a pixel or two of bearing.
        EXPECT_NEAR(first, left, 3) << c.book;
        EXPECT_NEAR(last, left + width - 1, 3) << c.book;
    }
}

// A key that the dialog manager reads in its first pass ends that pass
// before the menu is drawn (a button hands the key back to the screen); the
// book line still shows over the menu drawn in a later pass.
TEST_F(Title, BookLineShowsWhenTheFirstPassEndsForAKey)
{
    const auto lineShown = [] {
        int first = 0, last = 0;
        bookLineSpan(first, last);
        return isBackground(SCREEN_W / 2, 2) && last >= first;
    };
    bool shown = false;
    playMouse({idle(1), // init_dialog's look at the button
               then([] { pressKey(KEY_X, 'x'); }), // the first pass's look
               whenWithin(3, lineShown, [&] { shown = lineShown(); }),
               then([] { pressKey(KEY_ESC, 27); })});
    EXPECT_FALSE(title());
    EXPECT_TRUE(shown) << "the menu showed without its book line";
}

} // namespace
