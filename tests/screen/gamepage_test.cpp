// The game page screen in a real window, driven through the GUI's input
// hooks, with sounds played through a silent ALSA device.
#include "assets.h"
#include "casename.h"
#include "gamepage.h"
#include "init.h"
#include "media/media.h"
#include "screen/dialogpass.h"
#include "screen/display.h"
#include "scriptedinput.h"
#include "testenv.h"
#include "text/buffers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <ostream>
#include <string>
#include <filesystem>
#include <vector>

namespace {

const int BG_R = 90, BG_G = 140, BG_B = 200;

class GamePage : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string dir = enterScratchDir("gamepage");
        // Samples really play, silently, when ALSA's default device is null.
        writeFile(".asoundrc", "pcm.!default { type null }\n");
        setenv("HOME", dir.c_str(), 1);
        ASSERT_TRUE(startLibraryInWindow()) << "no window: is an X display set?";
        install_sound(DIGI_AUTODETECT, MIDI_NONE, nullptr);

        copyCut(book, sizeof book, "books/t");
        writeFile("books/t/pico/.keep", "");
        writeFile("books/t/audio/.keep", "");
        ASSERT_TRUE(writePicture("books/t/pico/bg.png", 640, 480, BG_R, BG_G, BG_B));
        ASSERT_TRUE(writePicture("books/t/pico/w300.png", 300, 100, 250, 250, 0));
        ASSERT_TRUE(writePicture("books/t/pico/w619.png", 619, 100, 250, 0, 0));
        ASSERT_TRUE(writePicture("books/t/pico/w620.png", 620, 100, 0, 250, 0));
        ASSERT_TRUE(writeOgg("books/t/audio/loop.ogg", makeTone(330, 0.2, 22050), 22050, 1));
        ASSERT_TRUE(writeWav("books/t/audio/once.wav", makeTone(660, 0.2, 22050), 22050, 1));
    }

    void TearDown() override { freePages(); }

    static void writeBook(const std::string& pages)
    {
        writeFile("books/t/pages.dat", "default_bg:bg.png;\n" + pages);
    }
};

DIALOG* const firstChoice = &dialogGamePage[PAGE_FIRST_CHOICE];
DIALOG* const secondChoice = &dialogGamePage[PAGE_SECOND_CHOICE];
DIALOG* const thirdChoice = &dialogGamePage[PAGE_THIRD_CHOICE];
DIALOG* const menuButton = &dialogGamePage[PAGE_MENU];

// Steps that wait for the page at `index` to be on screen, then click `button`.
void chooseOn(std::vector<MouseStep>& script, int index, const DIALOG* button)
{
    script.push_back(when([=] { return cur_page == index && !gamedataPages.empty(); }, nullptr));
    script.push_back(idle(10)); // the button places itself when drawn
    append(script, clickOn(button));
}

// A step that answers the end-of-book alert and notes that it was shown.
MouseStep answerEndAlert(bool& seen)
{
    return when([] { return alertShowing(end_message_1); },
                [&seen] { seen = true; pressKey(KEY_C, 'c'); });
}

// A step that waits until page `index` is shown and runs `check` on it.
MouseStep onPage(int index, std::function<void()> check)
{
    return when([=] { return cur_page == index && !gamedataPages.empty(); }, std::move(check));
}

TEST_F(GamePage, FirstChoiceGoesToTheNextPageThenEndsTheBook)
{
    writeBook(pageOf("but1_text:On;\n") + pageOf("but1_text:On again;\n"));
    std::vector<MouseStep> script;
    bool ended = false;
    chooseOn(script, 0, firstChoice);
    chooseOn(script, 1, firstChoice);
    script.push_back(answerEndAlert(ended));
    playMouse(script);
    EXPECT_EQ(gamePage(), -1);
    EXPECT_TRUE(ended);
    EXPECT_TRUE(gamedataPages.empty());
}

TEST_F(GamePage, FirstChoiceToThePageCountLeadsToTheLastPage)
{
    writeBook(pageOf("but1_text:Jump;\nbut1_goto:3;\n") + pageOf("room_name:two;\n")
              + pageOf("room_name:three;\n"));
    std::vector<MouseStep> script;
    chooseOn(script, 0, firstChoice);
    std::string shown;
    script.push_back(onPage(2, [&] { shown = gamedataPages[cur_page]->roomName; }));
    append(script, clickOn(menuButton));
    playMouse(script);
    EXPECT_EQ(gamePage(), 0);
    EXPECT_EQ(shown, "three");
}

TEST_F(GamePage, SecondAndThirdChoicesGoWhereTheyPoint)
{
    writeBook(pageOf("but1_text:a;\nbut2_text:b;\nbut2_goto:3;\nbut3_text:c;\nbut3_goto:2;\n")
              + pageOf("but1_text:x;\n") + pageOf("but3_text:back;\nbut3_goto:2;\n"));
    std::vector<MouseStep> script;
    chooseOn(script, 0, secondChoice); // to page 3
    chooseOn(script, 2, thirdChoice);  // to page 2
    script.push_back(onPage(1, nullptr));
    append(script, clickOn(menuButton));
    playMouse(script);
    EXPECT_EQ(gamePage(), 0);
}

TEST_F(GamePage, TargetsBeforeTheFirstPageEndTheBook)
{
    for (const char* lines : {"but2_text:b;\nbut2_goto:0;\n", "but3_text:c;\nbut3_goto:-4;\n"}) {
        writeBook(pageOf(lines) + pageOf("room_name:two;\n"));
        std::vector<MouseStep> script;
        bool ended = false;
        chooseOn(script, 0, std::string(lines).find("but2") == 0 ? secondChoice : thirdChoice);
        script.push_back(answerEndAlert(ended));
        playMouse(script);
        EXPECT_EQ(gamePage(), -1) << lines;
        EXPECT_TRUE(ended) << lines;
    }
}

TEST_F(GamePage, ButtonsWithoutALabelAreHidden)
{
    writeBook(pageOf("but1_text:only;\nbut2_goto:1;\nbut3_goto:1;\n"));
    int first = 0, second = 0, third = 0;
    playMouse({idle(10), then([&] {
                   first = firstChoice->flags;
                   second = secondChoice->flags;
                   third = thirdChoice->flags;
               }),
               then([] { pressKey(KEY_ESC, 27); })});
    EXPECT_EQ(gamePage(), 0);
    EXPECT_FALSE(first & D_HIDDEN);
    EXPECT_TRUE(second & D_HIDDEN);
    EXPECT_TRUE(third & D_HIDDEN);
}

// A label whose width in the current font is exactly `width` pixels, made
// of letters of the font; empty when no such label can be made.
std::string labelOfWidth(int width)
{
    for (char wide : std::string("MWmwHNOQ")) {
        for (char narrow : std::string("il.:|!j")) {
            std::string label;
            while (text_length(font, (label + wide).c_str()) <= width)
                label += wide;
            while (text_length(font, (label + narrow).c_str()) <= width)
                label += narrow;
            if (text_length(font, label.c_str()) == width)
                return label;
        }
    }
    return "";
}

TEST_F(GamePage, ChoiceButtonsFitTheirLabels)
{
    const std::string fifty = labelOfWidth(50);
    ASSERT_FALSE(fifty.empty()) << "no 50-pixel label in this font";
    writeBook(pageOf("but1_text:" + fifty + ";\nbut2_text:" + fifty + ";\nbut3_text:"
                       + fifty + ";\n"));
    DIALOG first{}, second{}, third{};
    playMouse({idle(20), then([&] {
                   first = *firstChoice;
                   second = *secondChoice;
                   third = *thirdChoice;
               }),
               then([] { pressKey(KEY_ESC, 27); })});
    EXPECT_EQ(gamePage(), 0);
    EXPECT_EQ(first.w, 60);
    EXPECT_EQ(first.x, 640 - 50 - 20);
    EXPECT_EQ(first.x + first.w, 640 - 10); // right edge 10 pixels from the screen's
    EXPECT_EQ(second.w, 60);
    EXPECT_EQ(second.x, 320 - 25);
    EXPECT_EQ(third.w, 60);
    EXPECT_EQ(third.x, 10);
    EXPECT_EQ(first.y, 340);
}

TEST_F(GamePage, NarrowIllustrationsAreCentredWideOnesKeepTheirPlace)
{
    writeBook(pageOf("pico_name:w620.png;\nbut1_text:n;\n")
              + pageOf("pico_name:w619.png;\nbut1_text:n;\n")
              + pageOf("pico_name:w620.png;\nbut1_text:n;\n")
              + pageOf("pico_name:w300.png;\nbut1_text:n;\n"));
    int x[4] = {-1, -1, -1, -1};
    std::vector<MouseStep> script;
    for (int i = 0; i < 4; ++i) {
        script.push_back(onPage(i, nullptr));
        script.push_back(idle(10));
        script.push_back(then([&x, i] { x[i] = dialogGamePage[PAGE_PICTURE].x; }));
        append(script, clickOn(firstChoice));
    }
    bool ended = false;
    script.push_back(answerEndAlert(ended));
    playMouse(script);
    EXPECT_EQ(gamePage(), -1);
    EXPECT_EQ(x[0], 10);  // never placed yet: the table's place
    EXPECT_EQ(x[1], 11);  // 320 - 619 / 2
    EXPECT_EQ(x[2], 11);  // too wide: stays where the last one put it
    EXPECT_EQ(x[3], 170); // 320 - 300 / 2
}

TEST_F(GamePage, PagesWithoutPictureOrTextHideThem)
{
    writeBook(pageOf("but1_text:n;\n"));
    int pico = 0, text = 0;
    playMouse({idle(10), then([&] {
                   pico = dialogGamePage[PAGE_PICTURE].flags;
                   text = dialogGamePage[PAGE_TEXT].flags;
               }),
               then([] { pressKey(KEY_ESC, 27); })});
    EXPECT_EQ(gamePage(), 0);
    EXPECT_TRUE(pico & D_HIDDEN);
    EXPECT_TRUE(text & D_HIDDEN);
}

// True when some voice is playing `sample`.
bool playing(const SAMPLE* sample)
{
    for (int voice = 0; voice < 256; ++voice)
        if (sample && voice_check(voice) == sample)
            return true;
    return false;
}

TEST_F(GamePage, ALoopingSoundStopsWhenAChoiceIsMade)
{
    ASSERT_GT(digi_driver->voices, 0) << "no sound driver: samples cannot be checked";
    writeBook(pageOf("sound_name:loop.ogg;\nsound_loop:NO;\nbut1_text:n;\n")
              + pageOf("but1_text:n;\n"));
    SAMPLE* loop = nullptr;
    bool playedOnFirst = false, playingOnSecond = true;
    std::vector<MouseStep> script;
    script.push_back(onPage(0, [&] {
        loop = gamedataPages[0]->getSound();
        playedOnFirst = playing(loop);
    }));
    script.push_back(idle(10));
    append(script, clickOn(firstChoice));
    script.push_back(onPage(1, [&] { playingOnSecond = playing(loop); }));
    append(script, clickOn(menuButton));
    playMouse(script);
    EXPECT_EQ(gamePage(), 0);
    EXPECT_TRUE(playedOnFirst);
    EXPECT_FALSE(playingOnSecond);
}

// The pan of the voice playing `sample`, or -1.
int panOf(const SAMPLE* sample)
{
    for (int voice = 0; voice < 256; ++voice)
        if (voice_check(voice) == sample)
            return voice_get_pan(voice);
    return -1;
}

// The voice playing `sample` has come back to an earlier place in it since
// it was last asked (kept in `last`): it has gone round its loop.
bool wentRound(const SAMPLE* sample, int& last)
{
    for (int voice = 0; voice < 256; ++voice)
        if (voice_check(voice) == sample) {
            const int position = voice_get_position(voice);
            const bool round = position >= 0 && position < last;
            last = position;
            return round;
        }
    return false;
}

TEST_F(GamePage, ExactlyYesPlaysOnceAnythingElseLoops)
{
    ASSERT_GT(digi_driver->voices, 0) << "no sound driver: samples cannot be checked";
    // Both sounds last 0.2 s: the one played once stops, the looping one
    // comes round to its start and plays on.
    writeBook(pageOf("sound_name:once.wav;\nsound_loop:YES;\nbut1_text:n;\n")
              + pageOf("sound_name:loop.ogg;\nsound_loop:yes;\nbut1_text:n;\n"));
    SAMPLE* sound = nullptr;
    int pan = -1;
    bool onceStillPlaying = true, loopStillPlaying = false;
    int loopPosition = -1;
    std::vector<MouseStep> script;
    script.push_back(onPage(0, [&] {
        sound = gamedataPages[0]->getSound();
        pan = panOf(sound);
    }));
    script.push_back(whenWithin(0.5, [&] { return !playing(sound); },
                                [&] { onceStillPlaying = playing(sound); }));
    append(script, clickOn(firstChoice));
    script.push_back(onPage(1, nullptr));
    script.push_back(whenWithin(3, [&] { return wentRound(gamedataPages[1]->getSound(), loopPosition); },
                                [&] { loopStillPlaying = playing(gamedataPages[1]->getSound()); }));
    append(script, clickOn(menuButton));
    playMouse(script);
    EXPECT_EQ(gamePage(), 0);
    EXPECT_EQ(pan, 129);
    EXPECT_FALSE(onceStillPlaying);
    EXPECT_TRUE(loopStillPlaying);
}

TEST_F(GamePage, MenuReturnsZeroAndFreesThePages)
{
    writeBook(pageOf("but1_text:n;\n"));
    std::vector<MouseStep> script{idle(10)};
    append(script, clickOn(menuButton));
    playMouse(script);
    EXPECT_EQ(gamePage(), 0);
    EXPECT_TRUE(gamedataPages.empty());
    EXPECT_EQ(heldPictureCount(), 0u);
}

TEST_F(GamePage, EveryOpeningReadsTheBookAgain)
{
    writeBook(pageOf("room_name:before;\nbut1_text:n;\n"));
    std::vector<MouseStep> script{idle(10)};
    append(script, clickOn(menuButton));
    playMouse(script);
    ASSERT_EQ(gamePage(), 0);

    writeBook(pageOf("room_name:after;\nbut1_text:n;\n"));
    std::string shown;
    script = {idle(10), then([&] { shown = gamedataPages[0]->roomName; })};
    append(script, clickOn(menuButton));
    playMouse(script);
    EXPECT_EQ(gamePage(), 0);
    EXPECT_EQ(shown, "after");
}

TEST_F(GamePage, CloseButtonLeavesTheBook)
{
    writeBook(pageOf("sound_name:loop.ogg;\nbut1_text:n;\n"));
    playMouse({idle(10), then([] { closeRequested = 1; })});
    EXPECT_EQ(gamePage(), 0);
    EXPECT_TRUE(gamedataPages.empty());
}

TEST_F(GamePage, AnEmptyBookShowsTheEndAlertAtOnce)
{
    writeFile("books/t/pages.dat", "book_name:nothing here;\n");
    bool ended = false;
    playMouse({answerEndAlert(ended)});
    EXPECT_EQ(gamePage(), -1);
    EXPECT_TRUE(ended);
}

TEST_F(GamePage, TheTextStartsAtItsTopOnEveryPage)
{
    writeBook(pageOf("text_main:first;\nbut1_text:n;\n") + pageOf("text_main:second;\n"));
    int scroll = -1;
    std::vector<MouseStep> script{idle(10), then([] { dialogGamePage[PAGE_TEXT].d2 = 3; })};
    append(script, clickOn(firstChoice));
    script.push_back(onPage(1, [&] { scroll = dialogGamePage[PAGE_TEXT].d2; }));
    append(script, clickOn(menuButton));
    playMouse(script);
    EXPECT_EQ(gamePage(), 0);
    EXPECT_EQ(scroll, 0);
}

// A text of two paragraphs: the second begins on a line of its own, though
// both would fit on one. The page is kept as a screenshot.
TEST_F(GamePage, EachParagraphBeginsOnALineOfItsOwn)
{
    writeBook(pageOf("text_main:The path forks.\n\nAn owl calls from the dark wood.;\n"
                     "but1_text:On;\n"));
    std::vector<int> inkEnds; // for each row of the text box, its last inked column or -1
    std::vector<MouseStep> script{idle(10)};
    script.push_back(onPage(0, [&] {
        for (int y = 373; y < 467; ++y) {
            int last = -1;
            for (int x = 14; x < 620; ++x) // inside the box's frame
                if (getpixel(screen, x, y) == makecol(0, 0, 0))
                    last = x;
            inkEnds.push_back(last);
        }
        BITMAP* shot = create_bitmap(SCREEN_W, SCREEN_H);
        blit(screen, shot, 0, 0, 0, 0, SCREEN_W, SCREEN_H);
        std::filesystem::create_directories(QUORVEL_BUILD_DIR "/screenshots");
        writePng(QUORVEL_BUILD_DIR "/screenshots/page-paragraphs.png", shot);
        destroy_bitmap(shot);
    }));
    append(script, clickOn(menuButton));
    playMouse(script);
    EXPECT_EQ(gamePage(), 0);
    // The text's first line holds the first paragraph alone; the line under
    // it holds ink too.
    const int lineHeight = text_height(font);
    const auto first = std::find_if(inkEnds.begin(), inkEnds.end(), [](int end) { return end >= 0; });
    ASSERT_NE(first, inkEnds.end());
    ASSERT_GE(inkEnds.end() - first, 2 * lineHeight);
    EXPECT_LT(*std::max_element(first, first + lineHeight - 3), 150)
        << "the first paragraph's line holds it alone";
    EXPECT_GT(*std::max_element(first + lineHeight, first + 2 * lineHeight), 200)
        << "the second paragraph's line is under it";
}

// The columns in which black pixels were drawn in the title line's strip.
void blackSpan(int& first, int& last)
{
    first = SCREEN_W;
    last = -1;
    for (int y = 0; y < 30; ++y) // left of the Menu button; these pages have no picture
        for (int x = 0; x < 550; ++x)
            if (getpixel(screen, x, y) == makecol(0, 0, 0)) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
}

TEST_F(GamePage, RoomNameIsDrawnCutToWholeCharacters)
{
    struct Case {
        std::string room;
        std::string drawn;
    };
    std::string russian;
    for (int i = 0; i < 20; ++i)
        russian += "ж"; // 40 bytes: 15 letters (30 bytes) fit in 31
    const Case cases[] = {
        {"Hall", "Hall"},
        {"abcdefghijklmnopqrstuvwxyz0123456789", "abcdefghijklmnopqrstuvwxyz01234"},
        {russian, russian.substr(0, 30)},
    };
    for (const Case& c : cases) {
        writeBook(pageOf("room_name:" + c.room + ";\n"));
        int first = 0, last = 0;
        std::vector<MouseStep> script{idle(20), then([&] { blackSpan(first, last); })};
        append(script, clickOn(menuButton));
        playMouse(script);
        EXPECT_EQ(gamePage(), 0);
        const int width = text_length(font, c.drawn.c_str());
        ASSERT_GE(last, first) << c.room << ": nothing drawn";
        EXPECT_NEAR(first, 5, 2) << c.room;
        EXPECT_NEAR(last, 5 + width - 1, 3) << c.room;
    }
}

// The page screen on the player's logical screen, whose rows reach the
// window only as the passes copy them (screen/display.h), rather than on
// the window itself.
class PageOnTheDisplay : public GamePage {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(GamePage::SetUp());
        destroy_bitmap(doubleBuffer);
        ASSERT_TRUE(createLogicalScreen());
    }

    void TearDown() override
    {
        destroyLogicalScreen();
        GamePage::TearDown();
    }
};

// Once a page with a room name is drawn, its passes copy nothing to the
// display: marks put straight on the display, over the room name's row
// among others, stay.
TEST_F(PageOnTheDisplay, AnIdlePageCopiesNothing)
{
    writeBook(pageOf("room_name:Hall;\ntext_main:words;\nbut1_text:On;\n"));
    const int mark = makecol(255, 0, 255);
    const int marks[][2] = {{300, 8}, {20, 200}, {320, 420}};
    int kept = -1;
    std::vector<MouseStep> script{
        onPage(0, nullptr), idle(20), then([&] {
            for (const auto& at : marks)
                putpixel(screen, at[0], at[1], mark);
        }),
        idle(40), then([&] {
            kept = 0;
            for (const auto& at : marks)
                kept += getpixel(screen, at[0], at[1]) == mark;
        })};
    append(script, clickOn(menuButton));
    playMouse(script);
    EXPECT_EQ(gamePage(), 0);
    EXPECT_EQ(kept, 3);
}

// How a choice is taken on a page, in a way after which the dialog
// manager's next pass ends before it draws what changed.
struct LatePassCase {
    std::string name;
    // Steps that take the first choice on the page at index 0.
    std::function<std::vector<MouseStep>()> choose;
};

void PrintTo(const LatePassCase& c, std::ostream* out)
{
    *out << c.name;
}

const LatePassCase latePassCases[] = {
    // The library waits for a second click before it draws again; the wait
    // runs from the press, so a long hold has ended it by the next pass,
    // which then returns early. A loaded machine's slow pass does the same.
    {"a click held past the double click time",
     [] { return slowClickOn(firstChoice, PAST_DOUBLE_CLICK_TIME); }},
    // A key the dialog manager reads in the pass after the choice ends that
    // pass as soon as a button has handed the key back to the screen.
    {"a key with a key for nothing in the next pass",
     [] {
         return std::vector<MouseStep>{
             then([] { pressKey(KEY_1, '1'); }),
             when([] { return cur_page == 1; }, [] { pressKey(KEY_X, 'x'); }),
         };
     }},
};

class NewPageName : public PageOnTheDisplay,
                    public ::testing::WithParamInterface<LatePassCase> {};

// The room name of the page a choice leads to reaches the display with the
// page's background, whichever pass the dialog manager draws the page in.
TEST_P(NewPageName, ReachesTheDisplay)
{
    const int NIGHT_R = 20, NIGHT_G = 30, NIGHT_B = 90;
    ASSERT_TRUE(writePicture("books/t/pico/night.png", 640, 480, NIGHT_R, NIGHT_G, NIGHT_B));
    // The first page has no room name: black in the title line is the second's.
    writeBook(pageOf("but1_text:On;\n") + "default_bg:night.png;\n"
              + pageOf("room_name:Night;\n"));
    const auto nameShown = [=] {
        int first = 0, last = 0;
        blackSpan(first, last);
        return getpixel(screen, 300, 10) == makecol(NIGHT_R, NIGHT_G, NIGHT_B) && last >= first;
    };
    std::vector<MouseStep> script{onPage(0, nullptr), idle(10)};
    append(script, GetParam().choose());
    bool shown = false;
    script.push_back(whenWithin(3, nameShown, [&] { shown = nameShown(); }));
    append(script, clickOn(menuButton));
    playMouse(script);
    EXPECT_EQ(gamePage(), 0);
    EXPECT_TRUE(shown) << "the second page's background showed without its room name";
}

INSTANTIATE_TEST_SUITE_P(GamePage, NewPageName, ::testing::ValuesIn(latePassCases),
                         NamedAfterCase());

// The game page screen on targets at the edges of the number range: each
// choice goes on to the next page or ends the book, as documented.
enum class Goes { NextPage, End };

struct ChoiceCase {
    const char* name;
    int button; // 1, 2 or 3
    const char* value;
    Goes goes;
};

void PrintTo(const ChoiceCase& c, std::ostream* out)
{
    *out << "but" << c.button << "_goto:" << c.value;
}

const ChoiceCase choiceCases[] = {
    {"first choice to int max ends the book", 1, "2147483647", Goes::End},
    {"first choice to int min goes to the next page", 1, "-2147483648", Goes::NextPage},
    {"first choice to eleven digits ends the book", 1, "99999999999", Goes::End},
    {"first choice to minus zero goes to the next page", 1, "-0", Goes::NextPage},
    {"second choice to int max ends the book", 2, "2147483647", Goes::End},
    {"second choice to int min ends the book", 2, "-2147483648", Goes::End},
    {"second choice to eleven digits ends the book", 2, "99999999999", Goes::End},
    {"second choice to minus zero ends the book", 2, "-0", Goes::End},
    {"third choice to int min ends the book", 3, "-2147483648", Goes::End},
    {"third choice to eleven negative digits ends the book", 3, "-99999999999", Goes::End},
};

class ChoiceOnAnEdgeTarget : public ::testing::TestWithParam<ChoiceCase> {
protected:
    void SetUp() override
    {
        enterScratchDir("badtargets");
        ASSERT_TRUE(startLibraryInWindow()) << "no window: is an X display set?";
        copyCut(book, sizeof book, "books/t");
        ASSERT_TRUE(writePicture("books/t/pico/bg.png", 640, 480, 90, 140, 200));
    }

    void TearDown() override { freePages(); }
};

TEST_P(ChoiceOnAnEdgeTarget, GoesOnOrEndsTheBook)
{
    const ChoiceCase& c = GetParam();
    const std::string n = std::to_string(c.button);
    writeFile("books/t/pages.dat",
              "default_bg:bg.png;\npage_start:;\nbut" + n + "_text:go;\nbut" + n + "_goto:"
                  + c.value + ";\npage_end:;\npage_start:;\nroom_name:two;\npage_end:;\n");
    DIALOG* const choice = &dialogGamePage[PAGE_FIRST_CHOICE + c.button - 1];
    std::vector<MouseStep> script;
    script.push_back(when([] { return !gamedataPages.empty(); }, nullptr));
    script.push_back(idle(10)); // the button places itself when drawn
    append(script, clickOn(choice));
    bool ended = false, onSecond = false;
    if (c.goes == Goes::End) {
        script.push_back(when([] { return alertShowing(end_message_1); },
                              [&ended] { ended = true; pressKey(KEY_C, 'c'); }));
    } else {
        script.push_back(when([] { return cur_page == 1; }, [&onSecond] { onSecond = true; }));
        script.push_back(idle(10));
        append(script, clickOn(&dialogGamePage[PAGE_MENU]));
    }
    playMouse(script);
    const int result = gamePage();
    EXPECT_EQ(result, c.goes == Goes::End ? -1 : 0);
    EXPECT_EQ(ended, c.goes == Goes::End);
    EXPECT_EQ(onSecond, c.goes == Goes::NextPage);
}

INSTANTIATE_TEST_SUITE_P(BadInput, ChoiceOnAnEdgeTarget, ::testing::ValuesIn(choiceCases),
                         NamedAfterCase());

} // namespace
