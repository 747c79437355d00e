// The window's message box (the end-of-book alert, the about box) answers
// the letter its button's '&' marks in the reader's language, in a real
// window: the player's own box, as the library's alert takes no letter
// beyond the first 256 characters.
#include "app/language.h"
#include "gamepage.h"
#include "init.h"
#include "screen/display.h"
#include "screen/messagebox.h"
#include "scriptedinput.h"
#include "testenv.h"
#include "title.h"

#include <allegro.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

namespace {

// The environment a reader starts the player in.
struct ReaderLocale {
    const char* lcAll;    // LC_ALL
};

void enterLocale(const ReaderLocale& locale)
{
    setenv("LOCPATH", QUORVEL_TEST_LOCALES, 1);
    setenv("LC_ALL", locale.lcAll, 1);
    unsetenv("LANGUAGE");
    startLanguage();
}

// A message box answers the letter its button's '&' marks, typed in either
// case and in any script, and the extra key; any other letter leaves it
// up. In a real window, in the reader's language.
struct LetterCase {
    const char* name;
    ReaderLocale locale;
    bool endOfBook;   // the end-of-book alert, else the about box
    int typed;        // the character typed
    bool answers;
};

const LetterCase letterCases[] = {
    {"RussianEndButtonsCyrillicLetter", {"ru_RU.UTF-8"}, true, 0x0432, true},  // в
    {"RussianCapitalLetter", {"ru_RU.UTF-8"}, true, 0x0412, true},             // В
    {"RussianAboutBoxLetter", {"ru_RU.UTF-8"}, false, 0x0437, true},           // з
    {"TheLetterCStillEndsTheBookInRussian", {"ru_RU.UTF-8"}, true, 'c', true},
    {"EnglishEndButtonsLetter", {"en_US.UTF-8"}, true, 'e', true},
    {"TheLetterCStillEndsTheBookInEnglish", {"en_US.UTF-8"}, true, 'c', true},
    {"EnglishAboutBoxLetter", {"en_US.UTF-8"}, false, 'o', true},
    {"CLocaleEndButtonsCyrillicLetter", {"C"}, true, 0x0432, true},
    {"CLocaleLetterC", {"C"}, true, 'c', true},
    {"AnotherLetterLeavesTheBoxUp", {"en_US.UTF-8"}, true, 'x', false},
    {"ARussianLetterNotTheButtonsLeavesItUp", {"ru_RU.UTF-8"}, true, 0x0436, false},
};

void PrintTo(const LetterCase& c, std::ostream* os)
{
    *os << c.name;
}

class MessageLetters : public ::testing::TestWithParam<LetterCase> {};

TEST_P(MessageLetters, AnswerTheBox)
{
    const LetterCase& c = GetParam();
    ASSERT_TRUE(startLibraryInWindow());
    enterLocale(c.locale);
    resetEndMessages();
    const Message message = c.endOfBook ? endOfBookMessage() : Message();
    const std::string firstLine = c.endOfBook ? end_message_1 : "Quorvel";
    // Typed once the box shows; a box that does not answer is closed with
    // Enter after a while (and one that never closes fails the script).
    bool stillUp = false;
    std::vector<MouseStep> script = {when([&] { return alertShowing(firstLine.c_str()); },
                                          [&] { simulate_ukeypress(c.typed, 0); })};
    if (!c.answers) {
        script.push_back(idle(20)); // time for the box to answer the letter
        script.push_back(then([&] {
            stillUp = alertShowing(firstLine.c_str());
            pressKey(KEY_ENTER, 13);
        }));
    }
    playMouse(script);
    if (c.endOfBook)
        showMessageBox(message);
    else
        showAbout();
    EXPECT_TRUE(scriptFinished());
    if (!c.answers) {
        EXPECT_TRUE(stillUp) << "the box closed on a letter not its button's";
    }
}

INSTANTIATE_TEST_SUITE_P(, MessageLetters, ::testing::ValuesIn(letterCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A line wider than the screen (a long reason, a long path with no space)
// goes on below within the screen, every character of it shown once, in
// order; a line that fits stays whole.
struct WideCase {
    const char* name;
    std::vector<std::string> lines;
};

void PrintTo(const WideCase& c, std::ostream* os)
{
    *os << c.name;
}

class WideMessage : public ::testing::TestWithParam<WideCase> {};

TEST_P(WideMessage, StaysOnTheScreenWithAllItsText)
{
    ASSERT_TRUE(startLibraryInWindow());
    const std::vector<std::string>& lines = GetParam().lines;
    int left = LOGICAL_W, right = 0;
    std::string shown;
    playMouse({when([&] { return alertShowing(lines.front().c_str()); },
                    [&] {
                        for (const DIALOG* d = active_dialog; d->proc; ++d) {
                            left = std::min(left, d->x);
                            right = std::max(right, d->x + d->w);
                            if (d->proc == d_ctext_proc && d->dp) {
                                const char* text = static_cast<const char*>(d->dp);
                                left = std::min(left, d->x - gui_strlen(text) / 2);
                                right = std::max(right, d->x + gui_strlen(text) / 2);
                                if (*text)
                                    shown += std::string(shown.empty() ? "" : "|") + text;
                            }
                        }
                        pressKey(KEY_ENTER, 13);
                    })});
    showMessageBox({lines, "&OK"});
    ASSERT_TRUE(scriptFinished());
    EXPECT_GE(left, 0);
    EXPECT_LE(right, LOGICAL_W);
    // The lines' text, the breaks aside: spaces at a break go, nothing else.
    std::string expected, seen;
    for (const std::string& line : lines)
        for (const char c : line)
            if (c != ' ')
                expected += c;
    for (const char c : shown)
        if (c != ' ' && c != '|')
            seen += c;
    EXPECT_EQ(seen, expected) << shown;
}

INSTANTIATE_TEST_SUITE_P(
    , WideMessage,
    ::testing::Values(
        WideCase{"ShortLinesStayWhole", {"Can not open the book", "\"b/pages.dat\""}},
        WideCase{"ALongReasonGoesOnBelow",
                 {"Can not open the book", "\"b/pages.dat\"",
                  "cannot be loaded: its path is longer than the 4096 bytes the system opens: "
                  "move the book to a shorter place"}},
        WideCase{"APathWithNoSpaceIsCutBetweenCharacters",
                 {"Can not open the book", "\"" + std::string(120, 'p') + "/pages.dat\""}},
        WideCase{"CyrillicIsCutBetweenCharacters",
                 {"Can not open the book", [] {
                      std::string word;
                      for (int i = 0; i < 100; ++i)
                          word += "\xd0\x96"; // Ж
                      return word;
                  }()}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
