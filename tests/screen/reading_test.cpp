// Reading with the keyboard and a gamepad, in a real window: the title
// menu's and the page's focus, digits, scrolling keys, Back, and keys held
// down. Keys go in through the keyboard buffer (simulate_keypress) and the
// library's `key` array, the gamepad through `joy`, as the virtual pad reads
// them; the mouse through the GUI's hooks.
#include "assets.h"
#include "book/book.h"
#include "book/resume.h"
#include "gamepage.h"
#include "init.h"
#include "input/readerinput.h"
#include "scriptedinput.h"
#include "testenv.h"
#include "text/buffers.h"
#include "title.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace {

// The element of `dialog` that shows the focus: -1 for none, -2 when more
// than one do (which must never be).
int focusIn(const DIALOG* dialog)
{
    int found = -1;
    for (int i = 0; dialog[i].proc; ++i)
        if ((dialog[i].flags & D_GOTFOCUS) && !(dialog[i].flags & D_HIDDEN))
            found = found == -1 ? i : -2;
    return found;
}

// Steps that press a key (through the keyboard buffer, as a tap shorter
// than a pass would come) and leave the screen a few passes to act on it.
std::vector<MouseStep> tap(int scancode, int ascii = 0)
{
    return {then([=] { pressKey(scancode, ascii); }), idle(12)};
}

// Steps that hold a key down for a while, its auto-repeat filling the
// keyboard buffer, then let it go.
std::vector<MouseStep> hold(int scancode, int ascii)
{
    std::vector<MouseStep> steps{then([=] {
        key[scancode] = 1;
        pressKey(scancode, ascii);
    })};
    for (int repeat = 0; repeat < 5; ++repeat) {
        steps.push_back(idle(8));
        steps.push_back(then([=] { pressKey(scancode, ascii); }));
    }
    steps.push_back(idle(8));
    steps.push_back(then([=] { key[scancode] = 0; }));
    steps.push_back(idle(8));
    return steps;
}

MouseStep onPage(int index)
{
    return when([=] { return !gamedataPages.empty() && cur_page == index; }, nullptr);
}

class Reading : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string dir = enterScratchDir("reading");
        // Samples really play, silently, when ALSA's default device is null.
        writeFile(".asoundrc", "pcm.!default { type null }\n");
        setenv("HOME", dir.c_str(), 1);
        ASSERT_TRUE(startLibraryInWindow()) << "no window: is an X display set?";
        install_sound(DIGI_AUTODETECT, MIDI_NONE, nullptr);

        writeFile("pico/.keep", "");
        putPicture("pico/title.png", 640, 480, 200, 180, 120);
        copyCut(main_bg_name, sizeof main_bg_name, "pico/title.png");
        copyCut(book, sizeof book, "books/t");
        writeFile("books/t/pico/.keep", "");
        writeFile("books/t/audio/.keep", "");
        putPicture("books/t/pico/bg.png", 640, 480, 90, 140, 200);
        ASSERT_TRUE(writeOgg("books/t/audio/loop.ogg", makeTone(330, 0.2, 22050), 22050, 1));
    }

    void TearDown() override { freePages(); }

    static void writeBook(const std::string& pages)
    {
        writeFile("books/t/pages.dat", "default_bg:bg.png;\n" + pages);
    }

    // A book of `count` pages, each named by its number and leading on to
    // the next with its first choice.
    static void writeChain(int count)
    {
        std::string pages;
        for (int i = 1; i <= count; ++i)
            pages += pageOf("room_name:" + std::to_string(i) + ";\nbut1_text:on;\n");
        writeBook(pages);
    }
};

// --- The title menu -------------------------------------------------------

struct MenuKey {
    int scancode;
    bool shift;
    int focusAfter;
};

TEST_F(Reading, TitleFocusStartsOnStartGameAndFollowsTheKeys)
{
    const MenuKey keys[] = {
        {KEY_DOWN, false, MENU_START}, // the first key only shows where the focus is
        {KEY_DOWN, false, MENU_ABOUT}, // Options, hidden, is passed over
        {KEY_DOWN, false, MENU_QUIT},  {KEY_DOWN, false, MENU_QUIT}, // no further
        {KEY_UP, false, MENU_ABOUT},   {KEY_TAB, false, MENU_QUIT},
        {KEY_TAB, false, MENU_START},  // Tab goes round
        {KEY_TAB, true, MENU_QUIT},    // and Shift+Tab back
        {KEY_UP, false, MENU_ABOUT},
    };
    std::vector<int> seen;
    std::vector<MouseStep> script{idle(10), then([&] { seen.push_back(focusIn(dialogMenu)); })};
    for (const MenuKey& k : keys) {
        script.push_back(then([=] { key[KEY_LSHIFT] = k.shift; }));
        append(script, tap(k.scancode));
        script.push_back(then([&] { seen.push_back(focusIn(dialogMenu)); }));
    }
    script.push_back(then([] { key[KEY_LSHIFT] = 0; }));
    append(script, tap(KEY_ESC, 27));
    playMouse(script);
    EXPECT_FALSE(title());

    std::vector<int> wanted{-1}; // nothing has the focus before a key
    for (const MenuKey& k : keys)
        wanted.push_back(k.focusAfter);
    EXPECT_EQ(seen, wanted);
}

MouseStep pointAt(int x, int y, int reads = 10)
{
    MouseStep step;
    step.x = x;
    step.y = y;
    step.reads = reads;
    return step;
}

// The middle of a title menu button, as the menu's table places it.
MouseStep pointAtMenu(int element)
{
    const DIALOG& button = dialogMenu[element];
    return pointAt(button.x + button.w / 2, button.y + button.h / 2);
}

TEST_F(Reading, EnterRightAfterStartUpOpensTheBookThoughThePointerRestsOnQuit)
{
    std::vector<MouseStep> script{pointAtMenu(MENU_QUIT)};
    append(script, tap(KEY_ENTER, 13));
    playMouse(script);
    gui_mouse_b(); // the pointer is on Quit before the menu opens
    EXPECT_TRUE(title());
}

TEST_F(Reading, ThePointerPlaceTheMenuFirstLearnsCountsForNothing)
{
    // As when the window learns where the pointer is only after it opened.
    std::vector<MouseStep> script{idle(5), pointAtMenu(MENU_QUIT)};
    append(script, tap(KEY_ENTER, 13));
    playMouse(script);
    EXPECT_TRUE(title());
}

TEST_F(Reading, ThePointerGivesTheFocusAndTheKeysMoveItOn)
{
    int onAbout = 0, offAbout = 0;
    std::vector<MouseStep> script{idle(5), pointAt(100, 100), pointAtMenu(MENU_ABOUT),
                                  then([&] { onAbout = focusIn(dialogMenu); }),
                                  pointAt(100, 100), // the background: the focus stays
                                  then([&] { offAbout = focusIn(dialogMenu); })};
    append(script, tap(KEY_DOWN));
    append(script, tap(KEY_ENTER, 13));
    playMouse(script);
    EXPECT_FALSE(title()); // Quit
    EXPECT_EQ(onAbout, MENU_ABOUT);
    EXPECT_EQ(offAbout, MENU_ABOUT);
}

TEST_F(Reading, EnterTakesTheFocusedMenuButton)
{
    std::vector<MouseStep> script{idle(10)}; // keys pressed before the menu shows are dropped
    for (int i = 0; i < 3; ++i) // Start, About, Quit
        append(script, tap(KEY_DOWN));
    append(script, tap(KEY_ENTER, 13));
    playMouse(script);
    EXPECT_FALSE(title());
}

TEST_F(Reading, SpaceOnAboutAndTheIKeyShowTheAboutBox)
{
    int boxes = 0;
    std::vector<MouseStep> script{idle(10)};
    append(script, tap(KEY_DOWN));
    append(script, tap(KEY_DOWN)); // About
    append(script, tap(KEY_SPACE, ' '));
    script.push_back(when([] { return alertShowing(ABOUT_VERSION_LINE); },
                          [&] { ++boxes; pressKey(KEY_C, 'c'); }));
    script.push_back(when([] { return active_dialog == dialogMenu; }, nullptr));
    append(script, tap(KEY_I, 'i'));
    script.push_back(when([] { return alertShowing(ABOUT_VERSION_LINE); },
                          [&] { ++boxes; pressKey(KEY_C, 'c'); }));
    script.push_back(when([] { return active_dialog == dialogMenu; }, nullptr));
    append(script, tap(KEY_ESC, 27));
    playMouse(script);
    EXPECT_FALSE(title());
    EXPECT_EQ(boxes, 2);
}

TEST_F(Reading, TheGamepadSteersTheMenuAsTheArrowsAndEnterDo)
{
    // One gamepad with a stick of two axes and five buttons.
    num_joysticks = 1;
    joy[0].num_sticks = 1;
    joy[0].stick[0].num_axis = 2;
    joy[0].num_buttons = 5;
    installReaderPad();
    JOYSTICK_AXIS_INFO& vertical = joy[0].stick[0].axis[1];
    int focusAfterStick = -1;
    std::vector<MouseStep> script{
        idle(10), then([&] { vertical.d2 = 1; }), idle(10), then([&] { vertical.d2 = 0; }),
        idle(10), then([&] { vertical.d2 = 1; }), idle(10), then([&] { vertical.d2 = 0; }),
        idle(10), then([&] { focusAfterStick = focusIn(dialogMenu); }),
        then([&] { vertical.d1 = 1; }), idle(10), then([&] { vertical.d1 = 0; }), idle(10),
        then([] { joy[0].button[1].b = 1; }), idle(10), then([] { joy[0].button[1].b = 0; }),
    };
    playMouse(script);
    EXPECT_TRUE(title()); // back up to Start Game, taken
    EXPECT_EQ(focusAfterStick, MENU_ABOUT);
}

// --- A page ---------------------------------------------------------------

TEST_F(Reading, AThreePageBookIsReadToItsEndWithKeysAlone)
{
    writeChain(3);
    bool ended = false;
    std::vector<MouseStep> script{onPage(0)};
    append(script, tap(KEY_ENTER, 13));
    script.push_back(onPage(1));
    append(script, tap(KEY_SPACE, ' '));
    script.push_back(onPage(2));
    append(script, tap(KEY_ENTER, 13));
    script.push_back(when([] { return alertShowing(end_message_1); },
                          [&] { ended = true; pressKey(KEY_C, 'c'); }));
    playMouse(script);
    EXPECT_EQ(gamePage(), -1);
    EXPECT_TRUE(ended);
}

// The choices a page shows, as their numbers in the book ("13": the first
// and the third), and which element has the focus after each key.
struct FocusCase {
    const char* name;
    const char* choices;
    std::vector<int> keys;
    std::vector<int> focus;
};

std::ostream& operator<<(std::ostream& out, const FocusCase& c)
{
    return out << c.name;
}

class PageFocus : public Reading, public ::testing::WithParamInterface<FocusCase> {};

TEST_P(PageFocus, MovesBetweenTheVisibleChoicesInScreenOrder)
{
    const FocusCase& c = GetParam();
    std::string lines;
    for (const char* n = c.choices; *n; ++n)
        lines += std::string("but") + *n + "_text:c" + *n + ";\nbut" + *n + "_goto:1;\n";
    writeBook(pageOf(lines));
    std::vector<int> seen;
    std::vector<MouseStep> script{onPage(0), idle(10)};
    for (int scancode : c.keys) {
        append(script, tap(scancode));
        script.push_back(then([&] { seen.push_back(focusIn(dialogGamePage)); }));
    }
    append(script, tap(KEY_ESC, 27));
    playMouse(script);
    EXPECT_EQ(gamePage(), 0);
    EXPECT_EQ(seen, c.focus);
}

const FocusCase focusCases[] = {
    {"ThreeChoices", "123",
     {KEY_RIGHT, KEY_LEFT, KEY_LEFT, KEY_LEFT, KEY_RIGHT, KEY_RIGHT, KEY_RIGHT},
     // the first key starts at the first choice, on the right
     {PAGE_FIRST_CHOICE, PAGE_SECOND_CHOICE, PAGE_THIRD_CHOICE, PAGE_THIRD_CHOICE, PAGE_SECOND_CHOICE, PAGE_FIRST_CHOICE,
      PAGE_FIRST_CHOICE}},
    {"FirstAndThird", "13", {KEY_LEFT, KEY_LEFT, KEY_RIGHT},
     {PAGE_FIRST_CHOICE, PAGE_THIRD_CHOICE, PAGE_FIRST_CHOICE}},
    {"SecondAndThird", "23", {KEY_RIGHT, KEY_RIGHT, KEY_LEFT},
     // without a first choice the keys start at the leftmost
     {PAGE_THIRD_CHOICE, PAGE_SECOND_CHOICE, PAGE_THIRD_CHOICE}},
    {"FirstOnly", "1", {KEY_LEFT, KEY_RIGHT}, {PAGE_FIRST_CHOICE, PAGE_FIRST_CHOICE}},
    {"TabGoesRoundTheChoicesAndMenu", "123", {KEY_TAB, KEY_TAB, KEY_TAB, KEY_TAB, KEY_TAB},
     {PAGE_FIRST_CHOICE, PAGE_MENU, PAGE_THIRD_CHOICE, PAGE_SECOND_CHOICE, PAGE_FIRST_CHOICE}},
    {"NoChoiceStartsAtMenu", "", {KEY_RIGHT, KEY_TAB}, {PAGE_MENU, PAGE_MENU}},
};

INSTANTIATE_TEST_SUITE_P(Keys, PageFocus, ::testing::ValuesIn(focusCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A page showing `choices`, each leading to a page that tells which choice
// it was; a digit; and the choice it must take (0: none).
struct DigitCase {
    const char* name;
    const char* choices;
    int scancode;
    int taken;
};

std::ostream& operator<<(std::ostream& out, const DigitCase& c)
{
    return out << c.name;
}

class Digits : public Reading, public ::testing::WithParamInterface<DigitCase> {};

TEST_P(Digits, TakeTheVisibleChoicesCountedFromTheLeft)
{
    const DigitCase& c = GetParam();
    std::string lines;
    for (const char* n = c.choices; *n; ++n) // choice n leads to page n + 1
        lines += std::string("but") + *n + "_text:c" + *n + ";\nbut" + *n + "_goto:"
                 + std::to_string(*n - '0' + 1) + ";\n";
    writeBook(pageOf(lines) + pageOf("room_name:1;\n") + pageOf("room_name:2;\n")
              + pageOf("room_name:3;\n"));
    int shown = -1;
    std::vector<MouseStep> script{onPage(0), idle(10)};
    append(script, tap(c.scancode, '0'));
    script.push_back(then([&] { shown = cur_page; }));
    append(script, tap(KEY_ESC, 27));
    playMouse(script);
    EXPECT_EQ(gamePage(), 0);
    EXPECT_EQ(shown, c.taken); // page index n is choice n's
}

const DigitCase digitCases[] = {
    {"ThreeChoicesOne", "123", KEY_1, 3},    {"ThreeChoicesTwo", "123", KEY_2, 2},
    {"ThreeChoicesThree", "123", KEY_3, 1},  {"TwoChoicesOne", "13", KEY_1, 3},
    {"TwoChoicesTwo", "13", KEY_2, 1},       {"TwoChoicesThree", "13", KEY_3, 0},
    {"OneChoiceOne", "1", KEY_1, 1},         {"OneChoiceTwo", "1", KEY_2, 0},
    {"OneMiddleChoiceOne", "2", KEY_1, 2},   {"KeypadDigit", "123", KEY_2_PAD, 2},
};

INSTANTIATE_TEST_SUITE_P(Keys, Digits, ::testing::ValuesIn(digitCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Reading, AKeyHeldDownActsOnce)
{
    writeChain(5);
    int afterHold = -1;
    std::vector<MouseStep> script{onPage(0)};
    append(script, hold(KEY_ENTER, 13));
    script.push_back(then([&] { afterHold = cur_page; }));
    append(script, tap(KEY_ENTER, 13)); // pressed again: acts again
    script.push_back(onPage(2));
    append(script, tap(KEY_ESC, 27));
    playMouse(script);
    EXPECT_EQ(gamePage(), 0);
    EXPECT_EQ(afterHold, 1);
}

TEST_F(Reading, AGamepadButtonHeldDownActsOnce)
{
    num_joysticks = 1;
    joy[0].num_buttons = 5;
    installReaderPad();
    writeChain(5);
    int afterHold = -1;
    std::vector<MouseStep> script{
        onPage(0),          then([] { joy[0].button[0].b = 1; }), idle(60),
        then([&] { afterHold = cur_page; }), then([] { joy[0].button[0].b = 0; }), idle(10),
        then([] { joy[0].button[0].b = 1; }), idle(10), then([] { joy[0].button[0].b = 0; }),
        onPage(2),          then([] { joy[0].button[4].b = 1; }), // Esc's button
    };
    playMouse(script);
    EXPECT_EQ(gamePage(), 0);
    EXPECT_EQ(afterHold, 1);
}

TEST_F(Reading, MenuKeyAndEscLeadBackToTheTitle)
{
    for (int scancode : {KEY_M, KEY_ESC}) {
        writeChain(2);
        std::vector<MouseStep> script{onPage(0)};
        append(script, tap(scancode));
        playMouse(script);
        EXPECT_EQ(gamePage(), 0) << scancode;
        EXPECT_TRUE(gamedataPages.empty()) << scancode;
    }
}

TEST_F(Reading, TheIKeyShowsTheAboutBoxOverThePage)
{
    writeChain(2);
    bool shown = false;
    std::vector<MouseStep> script{onPage(0)};
    append(script, tap(KEY_I, 'i'));
    script.push_back(when([] { return alertShowing(ABOUT_VERSION_LINE); },
                          [&] { shown = true; pressKey(KEY_C, 'c'); }));
    script.push_back(when([] { return active_dialog == dialogGamePage; }, nullptr));
    append(script, tap(KEY_ENTER, 13)); // the page answers keys again
    script.push_back(onPage(1));
    append(script, tap(KEY_ESC, 27));
    playMouse(script);
    EXPECT_EQ(gamePage(), 0);
    EXPECT_TRUE(shown);
}

// --- Scrolling ------------------------------------------------------------

TEST_F(Reading, ScrollingKeysMoveTheTextWithinItsBounds)
{
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += "Line " + std::to_string(i) + " of a long text that wraps in the box. ";
    writeBook(pageOf("text_main:" + text + ";\nbut1_text:on;\n"));
    DIALOG* box = &dialogGamePage[PAGE_TEXT];
    const int shown = (box->h - 8) / text_height(font);
    int lines = 0;
    std::vector<int> tops;
    std::vector<MouseStep> script{onPage(0), idle(10), then([&] { lines = box->d1; })};
    for (int scancode : {KEY_DOWN, KEY_DOWN, KEY_UP, KEY_PGDN, KEY_PGDN, KEY_PGUP, KEY_END,
                         KEY_DOWN, KEY_PGDN, KEY_HOME, KEY_UP, KEY_PGUP}) {
        append(script, tap(scancode));
        script.push_back(then([&] { tops.push_back(box->d2); }));
    }
    append(script, tap(KEY_ESC, 27));
    playMouse(script);
    EXPECT_EQ(gamePage(), 0);
    ASSERT_GT(lines, 3 * shown) << "the text must be several boxes long";
    const int last = lines - shown;
    const std::vector<int> wanted{1, 2, 1, 1 + shown, 1 + 2 * shown, 1 + shown, last,
                                  last, last, 0, 0, 0};
    EXPECT_EQ(tops, wanted);
}

TEST_F(Reading, TheWheelScrollsTheTextUnderThePointerOnly)
{
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += "Line " + std::to_string(i) + " of a long text that wraps in the box. ";
    writeBook(pageOf("text_main:" + text + ";\nbut1_text:on;\n"));
    const DIALOG& box = dialogGamePage[PAGE_TEXT];
    MouseStep overText = pointAt(box.x + box.w / 2, box.y + box.h / 2, 10);
    MouseStep overPicture = pointAt(320, 100, 10);
    std::vector<int> tops;
    const auto note = [&] { tops.push_back(box.d2); };
    std::vector<MouseStep> script{onPage(0), overText};
    for (int notches : {-1, -1, 1}) {
        MouseStep turn = idle(10);
        turn.wheel = notches;
        script.push_back(turn);
        script.push_back(then(note));
    }
    script.push_back(overPicture);
    MouseStep turnAway = idle(10);
    turnAway.wheel = -1;
    script.push_back(turnAway);
    script.push_back(then(note));
    append(script, tap(KEY_ESC, 27));
    playMouse(script);
    EXPECT_EQ(gamePage(), 0);
    ASSERT_EQ(tops.size(), 4u);
    EXPECT_GT(tops[0], 0);          // towards the reader: on down the text
    EXPECT_GT(tops[1], tops[0]);
    EXPECT_LT(tops[2], tops[1]);    // away: back up
    EXPECT_EQ(tops[3], tops[2]);    // not over the text: nothing
}

// --- Back -----------------------------------------------------------------

struct BackWay {
    const char* name;
    std::function<std::vector<MouseStep>()> steps;
};

std::vector<MouseStep> rightClick()
{
    MouseStep move, press, release;
    move.x = press.x = release.x = 320;
    move.y = press.y = release.y = 200; // over the illustration's area
    move.reads = 3;
    press.buttons = 2;
    press.reads = 5;
    release.reads = 3;
    return {move, press, release, idle(10)};
}

const BackWay backWays[] = {
    {"Backspace", [] { return tap(KEY_BACKSPACE, 8); }},
    {"AltLeft",
     [] {
         std::vector<MouseStep> steps{then([] { key[KEY_ALT] = 1; })};
         append(steps, tap(KEY_LEFT));
         steps.push_back(then([] { key[KEY_ALT] = 0; }));
         return steps;
     }},
    {"RightMouseButton", rightClick},
};

std::ostream& operator<<(std::ostream& out, const BackWay& way)
{
    return out << way.name;
}

class Back : public Reading, public ::testing::WithParamInterface<BackWay> {};

TEST_P(Back, ReturnsThroughThePagesComeThroughAndStopsAtTheFirst)
{
    // 1 -> 3 (second choice) -> 2 (third choice) -> 4 (first choice)
    writeBook(pageOf("but2_text:to 3;\nbut2_goto:3;\n") + pageOf("but1_text:to 4;\nbut1_goto:4;\n")
              + pageOf("but3_text:to 2;\nbut3_goto:2;\n") + pageOf("room_name:4;\n"));
    std::vector<int> seen;
    const auto note = [&] { seen.push_back(cur_page); };
    std::vector<MouseStep> script{onPage(0)};
    append(script, tap(KEY_1, '1')); // the only choice shown: the second
    script.push_back(onPage(2));
    append(script, tap(KEY_1, '1'));
    script.push_back(onPage(1));
    append(script, tap(KEY_ENTER, 13));
    script.push_back(onPage(3));
    for (int i = 0; i < 4; ++i) {
        append(script, GetParam().steps());
        script.push_back(then(note));
    }
    append(script, tap(KEY_ESC, 27));
    playMouse(script);
    EXPECT_EQ(gamePage(), 0);
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 0, 0}));
}

INSTANTIATE_TEST_SUITE_P(Keys, Back, ::testing::ValuesIn(backWays),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Reading, BackAfterTheEndOfTheBookFindsANewReading)
{
    writeChain(2);
    std::vector<MouseStep> script{onPage(0)};
    append(script, tap(KEY_ENTER, 13));
    script.push_back(onPage(1));
    append(script, tap(KEY_ENTER, 13));
    script.push_back(when([] { return alertShowing(end_message_1); },
                          [] { pressKey(KEY_C, 'c'); }));
    playMouse(script);
    ASSERT_EQ(gamePage(), -1);

    int afterBack = -1;
    script = {onPage(0)};
    append(script, tap(KEY_BACKSPACE, 8));
    script.push_back(then([&] { afterBack = cur_page; }));
    append(script, tap(KEY_ESC, 27));
    playMouse(script);
    EXPECT_EQ(gamePage(), 0);
    EXPECT_EQ(afterBack, 0);
}

// True when some voice is playing `sample`.
bool playing(const SAMPLE* sample)
{
    for (int voice = 0; voice < 256; ++voice)
        if (sample && voice_check(voice) == sample)
            return true;
    return false;
}

TEST_F(Reading, BackStartsThePageSoundAgain)
{
    ASSERT_GT(digi_driver->voices, 0) << "no sound driver: samples cannot be checked";
    writeBook(pageOf("sound_name:loop.ogg;\nsound_loop:NO;\nbut1_text:on;\n")
              + pageOf("room_name:quiet;\n"));
    bool onSecond = true, afterBack = false;
    std::vector<MouseStep> script{onPage(0)};
    append(script, tap(KEY_ENTER, 13));
    script.push_back(onPage(1));
    script.push_back(then([&] { onSecond = playing(gamedataPages[0]->getSound()); }));
    append(script, tap(KEY_BACKSPACE, 8));
    script.push_back(onPage(0));
    script.push_back(then([&] { afterBack = playing(gamedataPages[0]->getSound()); }));
    append(script, tap(KEY_ESC, 27));
    playMouse(script);
    EXPECT_EQ(gamePage(), 0);
    EXPECT_FALSE(onSecond);
    EXPECT_TRUE(afterBack);
}

TEST_F(Reading, ARightClickOnAChoiceGoesBackInsteadOfTakingIt)
{
    writeBook(pageOf("but1_text:on;\n") + pageOf("but1_text:on;\n") + pageOf("room_name:3;\n"));
    int afterRightClick = -1;
    std::vector<MouseStep> script{onPage(0)};
    append(script, tap(KEY_ENTER, 13));
    script.push_back(onPage(1));
    script.push_back(idle(10)); // the button places itself when drawn
    MouseStep press;
    press.target = &dialogGamePage[PAGE_FIRST_CHOICE];
    press.buttons = 2;
    press.reads = 5;
    script.push_back(press);
    script.push_back(idle(10));
    script.push_back(then([&] { afterRightClick = cur_page; }));
    append(script, tap(KEY_ESC, 27));
    playMouse(script);
    EXPECT_EQ(gamePage(), 0);
    EXPECT_EQ(afterRightClick, 0);
}

// --- Resuming -------------------------------------------------------------

TEST_F(Reading, TheBookOpensWhereItWasLeftUntilItIsReadToItsEnd)
{
    setenv("XDG_STATE_HOME", (std::string(getenv("HOME")) + "/state").c_str(), 1);
    resumeReading = true;
    writeChain(3);
    std::vector<MouseStep> script{onPage(0)};
    append(script, tap(KEY_ENTER, 13));
    script.push_back(onPage(1));
    append(script, tap(KEY_ESC, 27));
    playMouse(script);
    ASSERT_EQ(gamePage(), 0);
    ASSERT_EQ(rememberedPage(3), 1);

    int opened = -1;
    bool ended = false;
    script = {when([] { return !gamedataPages.empty(); }, [&] { opened = cur_page; })};
    append(script, tap(KEY_ENTER, 13));
    script.push_back(onPage(2));
    append(script, tap(KEY_ENTER, 13));
    script.push_back(when([] { return alertShowing(end_message_1); },
                          [&] { ended = true; pressKey(KEY_C, 'c'); }));
    playMouse(script);
    EXPECT_EQ(gamePage(), -1);
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(ended);
    EXPECT_EQ(rememberedPage(INT_MAX), -1);
    EXPECT_EQ(readFile(resumeFilePath(std::filesystem::canonical(book).string())), "");
}

} // namespace
