// Books opened at once: the media store (files checked when the book is
// read, decoded when needed, kept within a budget), read-ahead on the page
// screen, the store given back on every way out, and the progress shown
// while a long book file is read.
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

void writePicture(const std::string& path, int w, int h, int r, int g, int b)
{
    BITMAP* picture = makeTestPicture(w, h, r, g, b);
    ASSERT_TRUE(writePng(path.c_str(), picture)) << path;
    destroy_bitmap(picture);
}

// ------------------------------------------------------------ the store

// Pictures of 100 x 100 pixels at 32 bits: 40,000 bytes each, decoded.
const std::size_t PICTURE_BYTES = 100 * 100 * 4;

class Store : public ::testing::Test {
protected:
    void SetUp() override
    {
        enterScratchDir("store");
        startLibraryWithoutDisplay();
        set_color_depth(32);
        for (const char* name : {"a.png", "b.png", "c.png"})
            writePicture(name, 100, 100, 200, 100, name[0]);
        ASSERT_TRUE(writeOgg("long.ogg", makeTone(440, STREAM_AFTER_SECONDS + 1, 8000), 8000, 1));
    }

    void TearDown() override
    {
        setOnScreen({});
        clearDecodeAhead();
        for (MediaFile* file : held)
            releaseMedia(file);
        setMediaBudget(DEFAULT_MEDIA_BUDGET);
        EXPECT_EQ(heldPictureCount() + heldSoundCount(), 0u);
        EXPECT_EQ(decodedMediaBytes(), 0u);
    }

    MediaFile* hold(MediaFile* file)
    {
        held.push_back(file);
        return file;
    }

    std::vector<MediaFile*> held;
};

TEST_F(Store, AFileIsCheckedWhenHeldAndDecodedWhenAskedFor)
{
    MediaFile* a = hold(acquirePicture("a.png").value);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(hold(acquirePicture("a.png").value), a) << "two namings, two entries";
    EXPECT_EQ(heldPictureCount(), 1u);
    EXPECT_EQ(pictureHeader(a).width, 100);
    EXPECT_EQ(decodedPictureCount(), 0u) << "decoded before it was asked for";

    BITMAP* picture = decodedPicture(a).value;
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->w, 100);
    EXPECT_EQ(decodedPicture(a).value, picture) << "decoded again";
    EXPECT_EQ(decodedMediaBytes(), PICTURE_BYTES);
}

TEST_F(Store, PastTheBudgetTheLeastRecentlyUsedGoButNeverThePageOnScreen)
{
    setMediaBudget(PICTURE_BYTES * 5 / 2); // room for two
    MediaFile* a = hold(acquirePicture("a.png").value);
    MediaFile* b = hold(acquirePicture("b.png").value);
    MediaFile* c = hold(acquirePicture("c.png").value);
    setOnScreen({a});
    BITMAP* shown = decodedPicture(a).value;
    decodedPicture(b).value;
    decodedPicture(c).value; // three do not fit: b, used least lately, goes
    EXPECT_TRUE(isDecoded(a));
    EXPECT_FALSE(isDecoded(b));
    EXPECT_TRUE(isDecoded(c));
    decodedPicture(b).value; // and now c
    EXPECT_FALSE(isDecoded(c));
    EXPECT_EQ(decodedMediaBytes(), 2 * PICTURE_BYTES);

    setMediaBudget(0); // nothing fits: only what is on screen stays
    EXPECT_EQ(decodedPictureCount(), 1u);
    EXPECT_EQ(decodedPicture(a).value, shown) << "the picture on screen was decoded anew";
    EXPECT_EQ(getpixel(shown, 50, 50), makecol32(200, 100, 'a'));
}

TEST_F(Store, ReadAheadDecodesOneFileASliceAndOnlyWhatFits)
{
    setMediaBudget(PICTURE_BYTES * 5 / 2);
    MediaFile* a = hold(acquirePicture("a.png").value);
    MediaFile* b = hold(acquirePicture("b.png").value);
    MediaFile* c = hold(acquirePicture("c.png").value);
    MediaFile* song = hold(acquireSound("long.ogg").value);
    ASSERT_TRUE(isLongSound(song));
    setOnScreen({a});
    decodedPicture(a).value;
    queueDecodeAhead(song); // streamed when played: never decoded ahead
    queueDecodeAhead(b);
    queueDecodeAhead(c);
    EXPECT_EQ(queuedAheadCount(), 2u);
    EXPECT_TRUE(decodeAheadSlice());
    EXPECT_TRUE(isDecoded(b));
    EXPECT_FALSE(decodeAheadSlice()) << "c does not fit beside a and b";
    EXPECT_FALSE(isDecoded(c));
    EXPECT_EQ(decodedSoundCount(), 0u);
    clearDecodeAhead();
    EXPECT_EQ(queuedAheadCount(), 0u);
}

TEST_F(Store, AFileThatFailsToDecodeAheadIsNotTriedAgainAhead)
{
    MediaFile* a = hold(acquirePicture("a.png").value);
    // Checked whole, then spoilt: its decoder now refuses it.
    writeFile("a.png", readFile("a.png").substr(0, 60));
    queueDecodeAhead(a);
    EXPECT_TRUE(decodeAheadSlice());
    EXPECT_FALSE(isDecoded(a));
    EXPECT_FALSE(decodeAheadSlice()) << "the failed file was decoded again";
}

TEST_F(Store, TheLastReleaseTakesAFileOffTheScreenAndTheQueue)
{
    MediaFile* a = acquirePicture("a.png").value;
    MediaFile* b = acquirePicture("b.png").value;
    setOnScreen({a});
    queueDecodeAhead(b);
    decodedPicture(a).value;
    releaseMedia(a);
    releaseMedia(b);
    EXPECT_EQ(onScreenCount(), 0u);
    EXPECT_EQ(queuedAheadCount(), 0u);
    EXPECT_FALSE(decodeAheadSlice());
}

// ------------------------------------------------------------ bad files

// A missing file, or one whose header its look refuses, ends the program
// as the book opens; one whose data turns out damaged ends it when a page
// needs it. Either way with the message naming it and EXIT_CANNOT_LOAD.
class BadFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        enterScratchDir("badfiles");
        startLibraryWithoutDisplay();
        set_color_depth(32);
        copyCut(book, sizeof book, "books/t");
        writeFile("books/t/pico/.keep", "");
        writePicture("books/t/pico/bg.png", 64, 48, 1, 2, 3);
        writePicture("books/t/pico/good.png", 64, 48, 4, 5, 6);
        png = readFile("books/t/pico/good.png");
    }

    void TearDown() override { freePages(); }

    // A book whose second page names `name` as its illustration.
    static void writeBookNaming(const std::string& name)
    {
        writeFile("books/t/pages.dat", "default_bg:bg.png;\n"
                                       "page_start:;\npico_name:good.png;\npage_end:;\n"
                                       "page_start:;\npico_name:" + name + ";\npage_end:;\n");
    }

    std::string png;
};

void toStderr()
{
    dup2(2, 1); // the message box prints on standard output without a display
}

// Standard error's line on why, then the message box's text.
std::string cannotLoadMessage(const std::string& path, const std::string& why)
{
    return "quorvel: \"" + path + "\" " + why + "\nCan not load \"" + path
           + "\"\nProgramm will be closed.";
}

TEST_F(BadFiles, AMissingFileEndsTheOpening)
{
    writeBookNaming("missing.png");
    EXPECT_EXIT((toStderr(), loadBook()), testing::ExitedWithCode(EXIT_CANNOT_LOAD),
                cannotLoadMessage("books/t/pico/missing.png", "not found"));
}

TEST_F(BadFiles, ADamagedHeaderEndsTheOpening)
{
    writeFile("books/t/pico/head.png", png.substr(0, 16)); // cut inside its header
    writeBookNaming("head.png");
    EXPECT_EXIT((toStderr(), loadBook()), testing::ExitedWithCode(EXIT_CANNOT_LOAD),
                cannotLoadMessage("books/t/pico/head.png", "cannot be decoded: its header is cut short or damaged"));
}

TEST_F(BadFiles, ADamagedBodyEndsTheProgramWhenItsPageNeedsIt)
{
    writeFile("books/t/pico/half.png", png.substr(0, png.size() / 2));
    writeBookNaming("half.png");
    ASSERT_TRUE(loadBook()) << "the book did not open";
    ASSERT_EQ(gamedataPages.size(), 2u);
    EXPECT_EQ(decodedPictureCount(), 0u);
    bindPageElements();
    cur_page = 1;
    EXPECT_EXIT((toStderr(), changePage(1)), testing::ExitedWithCode(EXIT_CANNOT_LOAD),
                cannotLoadMessage("books/t/pico/half.png",
                                  "cannot be decoded: its data is damaged \\(the file ends before its picture "
                                  "does\\)"));
}

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
        writePicture("books/t/pico/bg.png", 640, 480, 90, 140, 200);
        for (const char* name : {"p1", "p2", "p3", "p4"})
            writePicture(std::string("books/t/pico/") + name + ".png", 200, 100, 250, name[1] * 2, 0);
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
