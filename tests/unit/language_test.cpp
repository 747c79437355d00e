// The player's own texts in the reader's language, through the real GNU
// gettext and the catalogues the build made (build/share/locale), under
// real locales made for the tests (tests/support/make-locales.sh; LOCPATH
// points at them). Each case is a process of its own, so each starts its
// language afresh.
#include "app/language.h"
#include "book/book.h"
#include "gamepage.h"
#include "init.h"
#include "input/keytable.h"
#include "owntexts.h"
#include "screen/keyhelp.h"
#include "testenv.h"
#include "text/buffers.h"
#include "title.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <ostream>
#include <regex>
#include <string>
#include <vector>

namespace {

// The environment a reader starts the player in.
struct ReaderLocale {
    const char* name;     // the case's name
    const char* lcAll;    // LC_ALL
    const char* language; // LANGUAGE, or null for unset
};

void enterLocale(const ReaderLocale& locale)
{
    setenv("LOCPATH", QUORVEL_TEST_LOCALES, 1);
    setenv("LC_ALL", locale.lcAll, 1);
    if (locale.language)
        setenv("LANGUAGE", locale.language, 1);
    else
        unsetenv("LANGUAGE");
    startLanguage();
}

struct TextsCase {
    ReaderLocale locale;
    const char* start;      // the title menu's first button
    const char* bookLine;   // for the book "books/tale"
    const char* endButton;  // the end-of-book alert's button
    const char* end[3];     // the default end messages
    const char* helpKeys;   // the key help's first row's keys
    const char* spoken;     // the language reading aloud takes the reader's texts in
};

const TextsCase textsCases[] = {
    {{"CLocale", "C", nullptr}, "Start Game", "Книга: books/tale", "&Выход",
     {"Конец", "The End", "Всем спасибо."}, "Enter, Space", "en"},
    {{"PosixLocale", "POSIX", nullptr}, "Start Game", "Книга: books/tale", "&Выход",
     {"Конец", "The End", "Всем спасибо."}, "Enter, Space", "en"},
    {{"English", "en_US.UTF-8", nullptr}, "Start Game", "Book: books/tale", "&Exit",
     {"The End", "The book is over.", "Thank you all."}, "Enter, Space", "en"},
    {{"Russian", "ru_RU.UTF-8", nullptr}, "Начать", "Книга: books/tale", "&Выход",
     {"Конец", "Книга прочитана.", "Всем спасибо."}, "Enter, пробел", "ru"},
    // A language asked for that the player does not ship: as specified.
    {{"UnshippedLanguage", "C.UTF-8", "de"}, "Start Game", "Книга: books/tale", "&Выход",
     {"Конец", "The End", "Всем спасибо."}, "Enter, Space", "en"},
    // The reader's list of languages: the first one shipped answers.
    {{"FirstShippedOfTheReadersLanguages", "ru_RU.UTF-8", "de:en:ru"}, "Start Game",
     "Book: books/tale", "&Exit", {"The End", "The book is over.", "Thank you all."}, "Enter, Space",
     "en"},
};

void PrintTo(const TextsCase& c, std::ostream* os)
{
    *os << c.locale.name;
}

class PlayersTexts : public ::testing::TestWithParam<TextsCase> {};

TEST_P(PlayersTexts, StandInTheReadersLanguage)
{
    const TextsCase& c = GetParam();
    startLibraryWithoutDisplay(); // the book line is cut by the library's UTF-8 routines
    enterLocale(c.locale);
    EXPECT_STREQ(tr("Start Game"), c.start);
    EXPECT_EQ(bookLineText("books/tale"), c.bookLine);
    EXPECT_STREQ(tr(endAlertButton), c.endButton);
    for (int line = 1; line <= 3; ++line)
        EXPECT_STREQ(defaultEndMessage(line), c.end[line - 1]) << "line " << line;
    ASSERT_FALSE(keyHelpRows(KeyScreen::Page).empty());
    EXPECT_EQ(keyHelpRows(KeyScreen::Page)[0].keys, c.helpKeys);
    EXPECT_EQ(readerLanguage(), c.spoken);
}

INSTANTIATE_TEST_SUITE_P(, PlayersTexts, ::testing::ValuesIn(textsCases),
                         [](const auto& info) { return std::string(info.param.locale.name); });

// A book's own texts are never translated: its end messages stand as written.
TEST(BooksOwnTexts, AreNeverTranslated)
{
    startLibraryWithoutDisplay();
    enterLocale({"", "en_US.UTF-8", nullptr});
    enterScratchDir("language-book");
    ASSERT_TRUE(writePicture("books/tale/pico/bg.png", 640, 480, 10, 20, 30));
    writeFile("books/tale/pages.dat", "end_message_1:Конец;\nend_message_2:The End;\ndefault_bg:bg.png;\n"
                                      "page_start:;\ntext_main:Menu;\nbut1_text:Quit;\npage_end:;\n");
    resetSettings();
    copyCut(book, sizeof book, "books/tale");
    ASSERT_TRUE(loadBook());
    EXPECT_STREQ(end_message_1, "Конец");
    EXPECT_STREQ(end_message_2, "The End");
    EXPECT_STREQ(end_message_3, "Thank you all.") << "the default the book leaves stands in English";
    EXPECT_STREQ(gamedataPages[0]->getText(), "Menu");
    EXPECT_STREQ(gamedataPages[0]->but1Text, "Quit");
    freePages();
}

// The player's font, made at build, draws every text of its own in every
// language it ships: the checker's look at them finds nothing.
TEST(PlayersFont, DrawsEveryShippedTranslation)
{
    startLibraryWithoutDisplay();
    DATAFILE* data = load_datafile(QUORVEL_DEMO_DIR "/font.dat");
    ASSERT_NE(data, nullptr);
    const std::vector<Finding> findings =
        checkOwnTexts(static_cast<FONT*>(data[0].dat), "books/demo", EndMessagesGiven());
    for (const Finding& finding : findings)
        ADD_FAILURE() << finding.message;
    EXPECT_EQ(shippedLanguages(), (std::vector<std::string>{"en", "ru"}));
    unload_datafile(data);
}

// The README's key table says what the key help says, row by row: the keys
// and what they do on a page and on the title menu ("the same" standing for
// the page's words), without the README's pointers to its other sections.
TEST(KeyTable, TheReadmeSaysWhatTheHelpShows)
{
    std::ifstream readme(QUORVEL_SOURCE_DIR "/README.md");
    ASSERT_TRUE(readme);
    std::vector<std::vector<std::string>> rows;
    bool inKeys = false;
    for (std::string line; std::getline(readme, line);) {
        if (line == "### Keys")
            inKeys = true;
        else if (inKeys && line.rfind("#", 0) == 0)
            break;
        if (!inKeys || line.rfind("| ", 0) != 0 || line.rfind("| Key |", 0) == 0)
            continue;
        std::vector<std::string> cells;
        std::size_t at = 1;
        for (std::size_t bar; (bar = line.find('|', at)) != std::string::npos; at = bar + 1) {
            std::string cell = line.substr(at, bar - at);
            cell = std::regex_replace(cell, std::regex("^ +| +$| \\(see [^)]*\\)|`"), "");
            cells.push_back(cell);
        }
        ASSERT_EQ(cells.size(), 3u) << line;
        if (cells[2] == "the same")
            cells[2] = cells[1];
        rows.push_back(cells);
    }
    std::vector<std::vector<std::string>> help;
    for (const KeyRow& row : keyTable())
        help.push_back({row.keys, row.onPage ? row.onPage : "", row.onTitle ? row.onTitle : ""});
    EXPECT_EQ(rows, help);
}

} // namespace
