// Books opened at once on the page screen, in a real window: read-ahead of
// the pages a choice leads to, the store given back on every way out, and
// the progress shown while a long book file is read.
#include "app/report.h"
#include "assets.h"
#include "book/book.h"
#include "book/openprogress.h"
#include "gamepage.h"
#include "init.h"
#include "media/media.h"
#include "media/soundstream.h"
#include "screen/dialogpass.h"
#include "scriptedinput.h"
#include "testenv.h"
#include "text/buffers.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

namespace {

// ------------------------------------------------------------ the page screen

class LargeBook : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string dir = enterScratchDir("largebook");
        writeFile(".asoundrc", "pcm.!default { type null }\n");
        setenv("HOME", dir.c_str(), 1);
        ASSERT_TRUE(startLibraryInWindow()) << "no window: is an X display set?";
        install_sound(DIGI_AUTODETECT, MIDI_NONE, nullptr);
        copyCut(book, sizeof book, "books/t");
        writeFile("books/t/pico/.keep", "");
        putPicture("books/t/pico/bg.png", 640, 480, 90, 140, 200);
        for (const char* name : {"p1", "p2", "p3", "p4"})
            putPicture(std::string("books/t/pico/") + name + ".png", 200, 100, 250, name[1] * 2, 0);
        writeFile("books/t/audio/.keep", "");
        ASSERT_TRUE(writeOgg("books/t/audio/short.ogg", makeTone(330, 0.3, 22050), 22050, 1));
        ASSERT_TRUE(writeOgg("books/t/audio/long.ogg",
                             makeWind(STREAM_AFTER_SECONDS + 1, 22050, 5), 22050, 1));
        // Page 1 leads to 2 (first choice) and 3 (second); nothing on it to 4.
        writeFile("books/t/pages.dat",
                  "default_bg:bg.png;\n"
                  "page_start:;\npico_name:p1.png;\nsound_name:long.ogg;\nsound_loop:NO;\n"
                  "but1_text:on;\nbut2_text:three;\nbut2_goto:3;\npage_end:;\n"
                  "page_start:;\npico_name:p2.png;\nsound_name:short.ogg;\nbut1_text:on;\npage_end:;\n"
                  "page_start:;\npico_name:p3.png;\nbut1_text:on;\npage_end:;\n"
                  "page_start:;\npico_name:p4.png;\nbut1_text:on;\npage_end:;\n");
    }

    void TearDown() override { freePages(); }
};

DIALOG* const firstChoice = &dialogGamePage[3];
DIALOG* const menuButton = &dialogGamePage[6];

bool decoded(int page, MediaFile* Gamedata::*file)
{
    return isDecoded(gamedataPages[page]->*file);
}

TEST_F(LargeBook, WhileThePageShowsThePagesItsChoicesLeadToAreDecoded)
{
    bool aheadDone = false, fourth = true, fourthBackground = false, secondSound = false;
    std::vector<MouseStep> script{
        when([] { return !gamedataPages.empty() && decoded(1, &Gamedata::pico)
                         && decoded(2, &Gamedata::pico) && decoded(1, &Gamedata::sound); },
             [&] {
                 aheadDone = true;
                 fourth = decoded(3, &Gamedata::pico);
                 fourthBackground = decoded(3, &Gamedata::background); // shared with page 1
                 secondSound = decoded(1, &Gamedata::sound);
             })};
    append(script, clickOn(menuButton));
    playMouse(script);
    EXPECT_EQ(gamePage(), 0);
    EXPECT_TRUE(aheadDone);
    EXPECT_FALSE(fourth) << "a page no choice leads to was decoded";
    EXPECT_TRUE(fourthBackground);
    EXPECT_TRUE(secondSound);
}

TEST_F(LargeBook, ThePageBackLeadsToIsDecodedAheadToo)
{
    bool backDecoded = false;
    std::vector<MouseStep> script{idle(10)};
    append(script, clickOn(firstChoice)); // to page 2, whose choice leads to page 3
    script.push_back(when([] { return cur_page == 1; }, [] {
        setMediaBudget(0); // page 1's illustration goes
        setMediaBudget(DEFAULT_MEDIA_BUDGET);
    }));
    script.push_back(when([] { return decoded(0, &Gamedata::pico); }, [&] { backDecoded = true; }));
    append(script, clickOn(menuButton));
    playMouse(script);
    EXPECT_EQ(gamePage(), 0);
    EXPECT_TRUE(backDecoded);
}

// The page screen ends the player on it, naming the file; the phrase says
// that the stream broke off where it had got to, so it played first.
TEST_F(LargeBook, AStreamedSoundThatBreaksOffEndsThePlayerNamingIt)
{
    std::string ogg = readFile("books/t/audio/long.ogg");
    // Past the first second, which the stream reads as it starts.
    ogg.replace(ogg.size() * 3 / 4, 1000, std::string(1000, '\0'));
    writeFile("books/t/audio/long.ogg", ogg);
    // A child of its own, with its own window: the page screen ends it.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT((toStderr(), gamePage()), testing::ExitedWithCode(EXIT_CANNOT_LOAD),
                "quorvel: \"books/t/audio/long.ogg\" cannot be decoded: its data is damaged "
                "where the sound had got to\n.*Can not load \"books/t/audio/long.ogg\"");
}

TEST_F(LargeBook, UnderASmallBudgetTheShownPageStaysWhole)
{
    // Room for the page on screen and little else.
    setMediaBudget(640 * 480 * 4 + 200 * 100 * 4);
    std::size_t bytesOnSecond = 0;
    bool secondWhole = false;
    std::vector<MouseStep> script{idle(20)};
    append(script, clickOn(firstChoice));
    script.push_back(when([] { return cur_page == 1; }, nullptr));
    script.push_back(idle(20));
    script.push_back(then([&] {
        bytesOnSecond = decodedMediaBytes();
        secondWhole = decoded(1, &Gamedata::background) && decoded(1, &Gamedata::pico)
                      && dialogGamePage[2].dp != nullptr;
    }));
    append(script, clickOn(menuButton));
    playMouse(script);
    EXPECT_EQ(gamePage(), 0);
    setMediaBudget(DEFAULT_MEDIA_BUDGET);
    EXPECT_TRUE(secondWhole);
    // The short sound of the shown page may sit beside its pictures.
    EXPECT_LE(bytesOnSecond, 640u * 480 * 4 + 200 * 100 * 4 + 22050 * 2);
}

struct WayOut {
    const char* name;
    std::function<void(std::vector<MouseStep>&)> leave;
    int result; // what gamePage gives
};

void PrintTo(const WayOut& way, std::ostream* out)
{
    *out << way.name;
}

class LargeBookWaysOut : public LargeBook, public ::testing::WithParamInterface<WayOut> {};

// Everything the book held is given back, whichever way the reader leaves.
TEST_P(LargeBookWaysOut, GiveBackEverythingTheBookHeld)
{
    std::vector<MouseStep> script{idle(20)};
    GetParam().leave(script);
    playMouse(script);
    EXPECT_EQ(gamePage(), GetParam().result);
    EXPECT_TRUE(gamedataPages.empty());
    EXPECT_EQ(heldPictureCount(), 0u);
    EXPECT_EQ(heldSoundCount(), 0u);
    EXPECT_EQ(decodedMediaBytes(), 0u);
    EXPECT_EQ(onScreenCount(), 0u);
    EXPECT_EQ(queuedAheadCount(), 0u);
    EXPECT_EQ(soundStreamCount(), 0u);
}

void answerEndAlert(std::vector<MouseStep>& script)
{
    script.push_back(when([] { return alertShowing(end_message_1); },
                          [] { pressKey(KEY_C, 'c'); }));
}

INSTANTIATE_TEST_SUITE_P(
    Leaving, LargeBookWaysOut,
    ::testing::Values(
        WayOut{"Menu", [](auto& s) { append(s, clickOn(menuButton)); }, 0},
        WayOut{"CloseButton", [](auto& s) { s.push_back(then([] { closeRequested = 1; })); }, 0},
        WayOut{"Esc", [](auto& s) { s.push_back(then([] { pressKey(KEY_ESC, 27); })); }, 0},
        WayOut{"EndOfTheBook",
               [](auto& s) {
                   for (int page = 0; page < 4; ++page) { // on through the last page
                       s.push_back(when([page] { return cur_page == page; }, nullptr));
                       s.push_back(idle(5));
                       append(s, clickOn(firstChoice));
                   }
                   answerEndAlert(s);
               },
               -1}),
    [](const ::testing::TestParamInfo<WayOut>& info) { return std::string(info.param.name); });

TEST_F(LargeBook, TwentyOpeningsGiveBackAllTheyTook)
{
    for (int round = 1; round <= 20; ++round) {
        // Long enough on the page for read-ahead to decode what it can.
        playMouse({idle(10), then([] { pressKey(KEY_ESC, 27); })});
        ASSERT_EQ(gamePage(), 0) << "round " << round;
        ASSERT_EQ(heldPictureCount() + heldSoundCount(), 0u) << "round " << round;
        ASSERT_EQ(decodedMediaBytes(), 0u) << "round " << round;
        ASSERT_EQ(soundStreamCount(), 0u) << "round " << round;
    }
}

// ------------------------------------------------------------ progress

TEST_F(LargeBook, ProgressShowsOnlyAfterHalfASecond)
{
    BookProgress progress = openingProgress();
    EXPECT_TRUE(progress(10, 100));
    EXPECT_FALSE(openingProgressShown());
    std::this_thread::sleep_for(std::chrono::duration<double>(PROGRESS_AFTER_SECONDS + 0.1));
    EXPECT_TRUE(progress(50, 100));
    ASSERT_TRUE(openingProgressShown());
    // The left half of the bar is filled, the right half not.
    const int light = makecol(225, 225, 225);
    EXPECT_EQ(getpixel(screen, SCREEN_W / 2 - 100, SCREEN_H / 2), light);
    EXPECT_NE(getpixel(screen, SCREEN_W / 2 + 100, SCREEN_H / 2), light);
}

TEST_F(LargeBook, TheCloseButtonStopsALongOpening)
{
    std::string pages = "default_bg:bg.png;\n";
    for (int i = 0; i < 2000; ++i)
        pages += "page_start:;\nroom_name:r;\npage_end:;\n";
    writeFile("books/t/pages.dat", pages);
    closeRequested = 1; // pressed before the first report of progress
    bool alerted = false;
    playMouse({when([] { return alertShowing(end_message_1); }, [&] { alerted = true; })});
    EXPECT_EQ(gamePage(), 0);
    closeRequested = 0;
    EXPECT_FALSE(alerted);
    EXPECT_TRUE(gamedataPages.empty());
    EXPECT_EQ(heldPictureCount(), 0u);
}

TEST_F(LargeBook, ReadingStopsWhenProgressSaysSo)
{
    std::string pages = "default_bg:bg.png;\n";
    for (int i = 0; i < 2000; ++i)
        pages += "page_start:;\nroom_name:r;\npage_end:;\n";
    writeFile("books/t/pages.dat", pages);
    long long lastDone = -1, total = 0;
    int reports = 0;
    ASSERT_TRUE(loadBook([&](long long done, long long size) {
        EXPECT_GT(done, lastDone);
        lastDone = done;
        total = size;
        return ++reports < 3;
    }));
    EXPECT_EQ(reports, 3);
    EXPECT_EQ(total, static_cast<long long>(pages.size()));
    EXPECT_LE(lastDone, total);
    EXPECT_TRUE(gamedataPages.empty());
    EXPECT_EQ(heldPictureCount(), 0u);
}

} // namespace
