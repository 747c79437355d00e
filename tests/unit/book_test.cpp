// Reading pages.dat into page records, with real pictures and sounds.
#include "app/report.h"
#include "assets.h"
#include "book/book.h"
#include "book/bookkeys.h"
#include "gamepage.h"
#include "init.h"
#include "media/media.h"
#include "media/picture.h"
#include "media/sound.h"
#include "testenv.h"
#include "files/linereader.h"
#include "text/buffers.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <set>
#include <string>
#include <vector>

// Names a row's id in the test's messages.
void PrintTo(BookKeyId id, std::ostream* out)
{
    *out << bookKey(id).name;
}

namespace {

// A scratch working directory holding the book "books/t" with a few real
// pictures and sounds; `book` names it, as ini.dat would.
class Book : public ::testing::Test {
protected:
    void SetUp() override
    {
        startLibraryWithoutDisplay();
        enterScratchDir("book");
        copyCut(book, sizeof book, "books/t");
        copyCut(end_message_1, sizeof end_message_1, "Конец"); // the settings' defaults
        copyCut(end_message_2, sizeof end_message_2, "The End");
        copyCut(end_message_3, sizeof end_message_3, "Всем спасибо.");
        ASSERT_TRUE(writePicture("books/t/pico/bg.png", 64, 48, 40, 120, 60));
        ASSERT_TRUE(writePicture("books/t/pico/bg2.png", 32, 24, 40, 120, 60));
        ASSERT_TRUE(writePicture("books/t/pico/path.png", 100, 50, 40, 120, 60));
        writeFile("books/t/audio/.keep", "");
        ASSERT_TRUE(writeOgg("books/t/audio/wind.ogg", makeTone(220, 0.2, 22050), 22050, 1));
        ASSERT_TRUE(writeWav("books/t/audio/bell.wav", makeTone(880, 0.2, 22050), 22050, 1));
    }

    void TearDown() override { freePages(); }

    // Writes pages.dat and reads the book, as the page screen does.
    void load(const std::string& pages)
    {
        writeFile("books/t/pages.dat", pages);
        loadBook();
    }

    // Reads the book and returns what the reader told about its lines.
    std::vector<BookEvent> observe(const std::string& pages)
    {
        writeFile("books/t/pages.dat", pages);
        std::vector<BookEvent> events;
        EXPECT_EQ(readBook("books/t/pages.dat", [&](const BookEvent& e) { events.push_back(e); }),
                  std::nullopt);
        return events;
    }
};

const char* const twoPageExample =
    "# book-level lines\n"
    "book_name:Forest;\n"
    "default_bg:bg.png;\n"
    "end_message_1:The end;\n"
    "page_start:;\n"
    "room_name:Edge of the forest;\n"
    "text_main:A path leads into the trees.;\n"
    "pico_name:path.png;\n"
    "sound_name:wind.ogg;\n"
    "sound_loop:NO;\n"
    "but1_text:Go on;\n"
    "page_end:;\n"
    "page_start:;\n"
    "text_main:It is dark.;\n"
    "but1_text:Back;\n"
    "but1_goto:1;\n"
    "page_end:;\n";

TEST_F(Book, ReadsTheTwoPageExample)
{
    load(twoPageExample);
    ASSERT_EQ(gamedataPages.size(), 2u);
    const Gamedata& first = *gamedataPages[0];
    const Gamedata& second = *gamedataPages[1];

    EXPECT_STREQ(book_name, "Forest");
    EXPECT_STREQ(end_message_1, "The end");
    EXPECT_STREQ(end_message_2, "The End"); // untouched default
    EXPECT_STREQ(default_bg, "books/t/pico/bg.png");

    EXPECT_STREQ(first.roomName, "Edge of the forest");
    EXPECT_STREQ(first.getText(), "A path leads into the trees.");
    EXPECT_STREQ(first.but1Text, "Go on");
    EXPECT_EQ(first.but1Goto, 0);
    EXPECT_EQ(first.but2Text, nullptr);
    ASSERT_NE(first.getPico(), nullptr);
    EXPECT_EQ(first.getPicoW(), 100);
    EXPECT_STREQ(first.picoPath, "books/t/pico/path.png");
    ASSERT_NE(first.getSound(), nullptr);
    EXPECT_STREQ(first.soundPath, "books/t/audio/wind.ogg");
    EXPECT_EQ(first.getSoundLoop(), 1);

    EXPECT_EQ(second.roomName, nullptr);
    EXPECT_STREQ(second.getText(), "It is dark.");
    EXPECT_STREQ(second.but1Text, "Back");
    EXPECT_EQ(second.but1Goto, 1);
    EXPECT_EQ(second.getPico(), nullptr);
    EXPECT_EQ(second.getSound(), nullptr);
    EXPECT_EQ(second.getSoundLoop(), 0);

    // Both pages show the default background, decoded once.
    ASSERT_NE(first.getBackround(), nullptr);
    EXPECT_EQ(first.getBackround(), second.getBackround());
    EXPECT_EQ(first.getBackround()->w, 64);
    EXPECT_STREQ(second.backgroundPath, "books/t/pico/bg.png");
    EXPECT_EQ(heldPictureCount(), 2u);
    EXPECT_EQ(heldSoundCount(), 1u);

    freePages();
    EXPECT_TRUE(gamedataPages.empty());
    EXPECT_EQ(heldPictureCount(), 0u);
    EXPECT_EQ(heldSoundCount(), 0u);
}

TEST_F(Book, ReadingAgainAfterFreeingGivesTheSameBook)
{
    for (int round = 0; round < 3; ++round) {
        load(twoPageExample);
        ASSERT_EQ(gamedataPages.size(), 2u) << "round " << round;
        freePages();
    }
    EXPECT_EQ(heldPictureCount(), 0u);
}

TEST_F(Book, StructureOfOddBooks)
{
    struct Case {
        const char* name;
        const char* pages;
        std::vector<const char*> rooms; // room name of each page, "" for none
    };
    const Case cases[] = {
        {"book-level lines only", "book_name:x;\ndefault_bg:bg.png;\n", {}},
        {"missing final page_end", "default_bg:bg.png;\npage_start:;\nroom_name:A;\n", {}},
        {"page started and never ended",
         "default_bg:bg.png;\npage_start:;\nroom_name:A;\npage_start:;\nroom_name:B;\npage_end:;\n",
         {"B"}},
        {"page-level lines before any page_start are ignored",
         "default_bg:bg.png;\nroom_name:stray;\npage_start:;\npage_end:;\n", {""}},
        {"page-level lines after page_end are ignored",
         "default_bg:bg.png;\npage_start:;\nroom_name:A;\npage_end:;\nroom_name:late;\n", {"A"}},
        {"a second page_end appends nothing",
         "default_bg:bg.png;\npage_start:;\nroom_name:A;\npage_end:;\npage_end:;\n", {"A"}},
        {"unknown keys and comments have no effect",
         "default_bg:bg.png;\npage_start:;\nbut1_txt:typo;\n#room_name:no;\nroom_name:A;\npage_end:;\n",
         {"A"}},
        {"byte-order mark at the start",
         "\xEF\xBB\xBF" "default_bg:bg.png;\npage_start:;\nroom_name:A;\npage_end:;\n", {"A"}},
        {"CRLF line ends",
         "default_bg:bg.png;\r\npage_start:;\r\nroom_name:A;\r\npage_end:;\r\n", {"A"}},
    };
    for (const Case& c : cases) {
        load(c.pages);
        ASSERT_EQ(gamedataPages.size(), c.rooms.size()) << c.name;
        for (std::size_t i = 0; i < c.rooms.size(); ++i) {
            const char* room = gamedataPages[i]->roomName;
            EXPECT_STREQ(room ? room : "", c.rooms[i]) << c.name;
        }
        freePages();
        EXPECT_EQ(heldPictureCount(), 0u) << c.name << ": a dropped page kept its picture";
    }
}

TEST_F(Book, DefaultBackgroundChangesForLaterPages)
{
    load("default_bg:bg.png;\npage_start:;\npage_end:;\n"
         "default_bg:bg2.png;\npage_start:;\npage_end:;\n");
    ASSERT_EQ(gamedataPages.size(), 2u);
    EXPECT_EQ(gamedataPages[0]->getBackround()->w, 64);
    EXPECT_EQ(gamedataPages[1]->getBackround()->w, 32);
    EXPECT_STREQ(gamedataPages[1]->backgroundPath, "books/t/pico/bg2.png");
}

TEST_F(Book, TargetsAreReadAsNumbers)
{
    struct Case {
        const char* value;
        int expected;
    };
    const Case cases[] = {
        {"3", 3},   {"3x", 3},  {"x3", 0},   {"-2", -2}, {" 7", 7}, {"", 0},
        {"-0", 0},  {"+4", 4},  {"2147483647", INT_MAX}, {"-2147483648", INT_MIN},
        {"99999999999", INT_MAX}, {"-99999999999", INT_MIN},
    };
    for (const Case& c : cases) {
        load(std::string("default_bg:bg.png;\npage_start:;\nbut1_goto:") + c.value
             + ";\nbut2_goto:" + c.value + ";\nbut3_goto:" + c.value + ";\npage_end:;\n");
        ASSERT_EQ(gamedataPages.size(), 1u);
        EXPECT_EQ(gamedataPages[0]->but1Goto, c.expected) << "'" << c.value << "'";
        EXPECT_EQ(gamedataPages[0]->but2Goto, c.expected) << "'" << c.value << "'";
        EXPECT_EQ(gamedataPages[0]->but3Goto, c.expected) << "'" << c.value << "'";
        freePages();
    }
}

TEST_F(Book, OnlyExactlyYesPlaysOnce)
{
    struct Case {
        const char* line;
        int loop;
    };
    const Case cases[] = {
        {"sound_loop:YES;\n", 0}, {"sound_loop:NO;\n", 1}, {"sound_loop:yes;\n", 1},
        {"sound_loop:;\n", 1},    {"sound_loop: YES;\n", 1}, {"", 0},
    };
    for (const Case& c : cases) {
        load(std::string("default_bg:bg.png;\npage_start:;\nsound_name:bell.wav;\n") + c.line
             + "page_end:;\n");
        ASSERT_EQ(gamedataPages.size(), 1u);
        EXPECT_EQ(gamedataPages[0]->getSoundLoop(), c.loop) << c.line;
        freePages();
    }
}

TEST_F(Book, WavThatTheOggLoaderRefusesLoadsThroughTheLibrary)
{
    load("default_bg:bg.png;\npage_start:;\nsound_name:bell.wav;\npage_end:;\n");
    ASSERT_EQ(gamedataPages.size(), 1u);
    SAMPLE* sound = gamedataPages[0]->getSound();
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(sound->freq, 22050);
    EXPECT_EQ(sound->len, 4410u);
}

TEST_F(Book, TextsAreStoredAsTheFilesOwnBytes)
{
    ASSERT_TRUE(writePicture("books/t/pico/лес.png", 20, 10, 40, 120, 60));
    load("book_name:Лесная тропа;\ndefault_bg:bg.png;\nend_message_3:Всем пока.;\n"
         "page_start:;\nroom_name:Опушка;\ntext_main:Plain ASCII text.;\n"
         "but1_text:Дальше;\npico_name:лес.png;\npage_end:;\n");
    ASSERT_EQ(gamedataPages.size(), 1u);
    EXPECT_STREQ(book_name, "Лесная тропа");
    EXPECT_STREQ(end_message_3, "Всем пока.");
    EXPECT_STREQ(gamedataPages[0]->roomName, "Опушка");
    EXPECT_STREQ(gamedataPages[0]->but1Text, "Дальше");
    EXPECT_STREQ(gamedataPages[0]->getText(), "Plain ASCII text.");
    ASSERT_NE(gamedataPages[0]->getPico(), nullptr) << "Cyrillic file name not found";
    EXPECT_STREQ(gamedataPages[0]->picoPath, "books/t/pico/лес.png");
}

TEST_F(Book, TextsLongerThanTheirBuffersAreCutAtWholeCharacters)
{
    std::string longRoom, longText;
    for (int i = 0; i < 40; ++i)
        longRoom += "ж"; // 80 bytes; 31 letters (62 bytes) fit in 64
    for (int i = 0; i < 3000; ++i)
        longText += "ж"; // 6000 bytes; 2047 letters (4094 bytes) fit in 4096
    load("default_bg:bg.png;\npage_start:;\nroom_name:" + longRoom + ";\ntext_main:" + longText
         + ";\nend_message_1:" + longRoom + ";\npage_end:;\n");
    ASSERT_EQ(gamedataPages.size(), 1u);
    EXPECT_EQ(std::string(gamedataPages[0]->roomName), longRoom.substr(0, 62));
    EXPECT_EQ(std::string(gamedataPages[0]->getText()), longText.substr(0, 4094));
    EXPECT_EQ(std::string(end_message_1), longRoom.substr(0, 62));
}

TEST_F(Book, ALongLineLosesNothingAfterIt)
{
    std::string pages = "default_bg:bg.png;\n";
    for (int i = 1; i <= 6; ++i) {
        pages += "page_start:;\nroom_name:" + std::to_string(i) + ";\n";
        if (i == 3)
            pages += "text_main:" + std::string(10000, 'a') + ";\n";
        pages += "page_end:;\n";
    }
    load(pages);
    ASSERT_EQ(gamedataPages.size(), 6u);
    EXPECT_STREQ(gamedataPages[5]->roomName, "6");
    EXPECT_EQ(std::string(gamedataPages[2]->getText()), std::string(4095, 'a'));
}

TEST_F(Book, MissingBookFileGivesNoPages)
{
    copyCut(book, sizeof book, "books/absent");
    loadBook();
    EXPECT_TRUE(gamedataPages.empty());
}

TEST_F(Book, AFileThatCannotBeLoadedEndsTheProgramNamingIt)
{
    writeFile("books/t/pico/broken.png", "not a picture");
    struct Case {
        const char* pages;
        const char* message;
    };
    const Case cases[] = {
        {"default_bg:absent.png;\npage_start:;\n",
         "Can not load \"books/t/pico/absent.png\"\nProgramm will be closed."},
        {"page_start:;\n", "Can not load \"\"\nProgramm will be closed."},
        {"default_bg:bg.png;\npage_start:;\npico_name:broken.png;\n",
         "Can not load \"books/t/pico/broken.png\"\nProgramm will be closed."},
        {"default_bg:bg.png;\npage_start:;\nsound_name:absent.ogg;\n",
         "Can not load \"books/t/audio/absent.ogg\"\nProgramm will be closed."},
        // A path longer than its 64-byte buffer is cut, never written past.
        {"default_bg:bg.png;\npage_start:;\npico_name:"
         "a-very-long-picture-name-that-goes-on-and-on-and-on.png;\n",
         "Can not load \"books/t/pico/a-very-long-picture-name-that-goes-on-and-on-and-o\"\n"},
    };
    for (const Case& c : cases) {
        writeFile("books/t/pages.dat", c.pages);
        EXPECT_EXIT((toStderr(), loadBook()), testing::ExitedWithCode(EXIT_CANNOT_LOAD), c.message) << c.pages;
    }
}

// A page's text written over several lines: lines side by side make one
// paragraph, an empty line begins the next; anything that was a broken line
// before reads as it did.
struct ParagraphCase {
    const char* name;
    std::string pageLines;   // between page_start and page_end
    const char* text;        // the page's text; null for none
    int invalidLines;        // lines told as skipped
    const char* roomName;    // the page's room name, to see what was read after
};

void PrintTo(const ParagraphCase& c, std::ostream* out)
{
    *out << c.name;
}

const ParagraphCase paragraphCases[] = {
    {"TwoParagraphsOfWrappedLines",
     "text_main:The path forks.\n  Moss covers the stones.\n\nAn owl calls.;\nroom_name:Fork;\n",
     "The path forks. Moss covers the stones.\nAn owl calls.", 0, "Fork"},
    {"TheFirstLineMayHoldNoText", "text_main:\nОдин.\n\n\nДва.;\n", "Один.\nДва.", 0, nullptr},
    {"ColonsInTheProseAreText", "text_main:He said:\nWait: listen.;\n", "He said: Wait: listen.",
     0, nullptr},
    {"OneLineAsAlways", "text_main:Just one.;\n", "Just one.", 0, nullptr},
    {"AKeyLineEndsAnUnfinishedTextAsBefore",
     "text_main:lost\nstill lost\nroom_name:Hall;\n", nullptr, 2, "Hall"},
    {"TheEndOfTheFileEndsItAsBefore", "room_name:Hall;\ntext_main:lost\nmore\n", nullptr, 2,
     "Hall"},
};

class Paragraphs : public Book, public ::testing::WithParamInterface<ParagraphCase> {};

TEST_P(Paragraphs, AreReadFromOneText)
{
    const ParagraphCase& c = GetParam();
    const std::string pages = "default_bg:bg.png;\npage_start:;\n" + c.pageLines
                              + (c.pageLines.find("more\n") != std::string::npos ? "" : "page_end:;\n");
    int invalid = 0;
    for (const BookEvent& event : observe(pages))
        invalid += event.kind == BookEventKind::InvalidLine ? 1 : 0;
    EXPECT_EQ(invalid, c.invalidLines);
    freePages();
    load(pages + (c.pageLines.find("more\n") != std::string::npos ? "page_end:;\n" : ""));
    ASSERT_EQ(gamedataPages.size(), 1u);
    const char* text = gamedataPages[0]->getText();
    if (c.text) {
        EXPECT_STREQ(text ? text : "", c.text);
    } else {
        EXPECT_TRUE(!text || !*text) << text;
    }
    if (c.roomName) {
        EXPECT_STREQ(gamedataPages[0]->roomName ? gamedataPages[0]->roomName : "", c.roomName);
    }
}

INSTANTIATE_TEST_SUITE_P(Book, Paragraphs, ::testing::ValuesIn(paragraphCases),
                         [](const auto& info) { return std::string(info.param.name); });

// What the file reader notices of a line inside a text run (bytes that are
// not UTF-8, a line past what is kept) is told in line order with the rest,
// whether the run ends with its ';' or is read line by line after all.
TEST_F(Book, EventsOfATextRunComeInLineOrder)
{
    const std::string longLine(LINE_KEPT_BYTES + 10, 'x');
    const std::vector<std::string> runs = {"text_main:first\n\xFF second;\n",
                                           "text_main:first\n\xFF second\nroom_name:r;\n",
                                           "text_main:first\n" + longLine + "\nlast;\n"};
    for (const std::string& run : runs) {
        int last = 0;
        for (const BookEvent& event : observe("default_bg:bg.png;\npage_start:;\n" + run + "page_end:;\n")) {
            EXPECT_GE(event.line, last) << "event kind " << static_cast<int>(event.kind);
            last = event.line;
        }
    }
}

TEST_F(Book, TellsObserversWhatItSkipped)
{
    const std::vector<BookEvent> events = observe(
        "default_bg:bg.png;\n"      // 1
        "room_name:stray;\n"        // 2 outside a page
        "page_start:;\n"            // 3 never ended
        "but1_txt:typo;\n"          // 4 unknown key
        "but1_text:no semicolon\n"  // 5 invalid
        "\n"                        // 6 blank: nothing to say
        "# comment\n"               // 7 nothing to say
        "page_start:;\n"            // 8
        "page_end:;\n"              // 9
        "page_end:;\n");            // 10 without a start
    struct Expected {
        int line;
        BookEventKind kind;
        int page;
    };
    const Expected expected[] = {
        {1, BookEventKind::Entry, -1},      {2, BookEventKind::OutsidePage, -1},
        {3, BookEventKind::Entry, 0},       {4, BookEventKind::UnknownKey, 0},
        {5, BookEventKind::InvalidLine, 0}, {3, BookEventKind::PageNeverEnded, 0},
        {8, BookEventKind::Entry, 0},       {9, BookEventKind::Entry, 0},
        {10, BookEventKind::PageEndWithoutStart, -1},
    };
    ASSERT_EQ(events.size(), std::size(expected));
    for (std::size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(events[i].line, expected[i].line) << "event " << i;
        EXPECT_EQ(events[i].kind, expected[i].kind) << "event " << i;
        EXPECT_EQ(events[i].page, expected[i].page) << "event " << i;
    }
    EXPECT_EQ(events[3].key, "but1_txt");
    EXPECT_EQ(gamedataPages.size(), 1u);
}

// Each file that could not be loaded is told with the key that named it,
// and the reading goes on.
TEST_F(Book, TellsOfEachFileNotLoadedWithTheKeyThatNamedIt)
{
    const std::vector<BookEvent> events = observe(
        "default_bg:absent.png;\n"   // 1
        "page_start:;\n"             // 2 its background is missing
        "pico_name:absent.png;\n"    // 3
        "sound_name:absent.ogg;\n"   // 4
        "page_end:;\n");
    struct Expected {
        int line;
        const char* key;
        const char* path;
    };
    const Expected expected[] = {
        {2, "default_bg", "books/t/pico/absent.png"},
        {3, "pico_name", "books/t/pico/absent.png"},
        {4, "sound_name", "books/t/audio/absent.ogg"},
    };
    std::vector<BookEvent> notLoaded;
    for (const BookEvent& event : events)
        if (event.kind == BookEventKind::FileNotLoaded)
            notLoaded.push_back(event);
    ASSERT_EQ(notLoaded.size(), std::size(expected));
    for (std::size_t i = 0; i < notLoaded.size(); ++i) {
        EXPECT_EQ(notLoaded[i].line, expected[i].line) << "event " << i;
        EXPECT_EQ(notLoaded[i].key, expected[i].key) << "event " << i;
        EXPECT_EQ(notLoaded[i].value, expected[i].path) << "event " << i;
    }
}

// The key table (book/bookkeys.h) against the reader: each row is found by
// its name, stands where its level says, and keeps what its limit says.
TEST(BookKeyTable, EachNameAndIdHasOneRow)
{
    std::set<std::string> names;
    std::set<BookKeyId> ids;
    for (const BookKey& key : bookKeys()) {
        EXPECT_TRUE(names.insert(key.name).second) << key.name;
        EXPECT_TRUE(ids.insert(key.id).second) << key.name;
        EXPECT_EQ(findBookKey(key.name), &key);
        EXPECT_EQ(&bookKey(key.id), &key);
        if (key.level == KeyLevel::Page && key.number > 0) {
            EXPECT_EQ(&choiceKey(key.number, key.value), &key) << key.name;
        }
    }
    EXPECT_EQ(findBookKey("but4_text"), nullptr);
    EXPECT_EQ(findBookKey("Book_name"), nullptr); // byte for byte
    for (int choice = 1; choice <= CHOICES_PER_PAGE; ++choice) {
        EXPECT_EQ(choiceKey(choice, KeyValue::Text).value, KeyValue::Text);
        EXPECT_EQ(choiceKey(choice, KeyValue::Target).value, KeyValue::Target);
    }
}

class BookKeyRow : public Book, public ::testing::WithParamInterface<BookKeyId> {
protected:
    const BookKey& key() const { return bookKey(GetParam()); }

    // The text the player kept of this row's value, read from where the
    // reader put it (a page record or a book-level buffer), or for a file
    // the path the reader built, as the event that told of it gives it.
    std::string kept(const std::vector<BookEvent>& events) const
    {
        if (key().value == KeyValue::Picture || key().value == KeyValue::Sound) {
            for (const BookEvent& event : events)
                if (event.kind == BookEventKind::FileNotLoaded && event.row == &key())
                    return event.value;
            ADD_FAILURE() << "no file of " << key().name << " was tried";
            return "";
        }
        const Gamedata* page = gamedataPages.empty() ? nullptr : gamedataPages[0];
        switch (key().id) {
        case BookKeyId::BookName: return book_name;
        case BookKeyId::EndMessage1: return end_message_1;
        case BookKeyId::EndMessage2: return end_message_2;
        case BookKeyId::EndMessage3: return end_message_3;
        case BookKeyId::RoomName: return page && page->roomName ? page->roomName : "";
        case BookKeyId::TextMain: return page && page->getText() ? page->getText() : "";
        case BookKeyId::But1Text:
        case BookKeyId::But2Text:
        case BookKeyId::But3Text: {
            const char* label = page ? page->getButText(key().number) : nullptr;
            return label ? label : "";
        }
        default: ADD_FAILURE() << key().name << " keeps no text"; return "";
        }
    }
};

TEST_P(BookKeyRow, StandsWhereItsLevelSays)
{
    // Alone before any page.
    const std::vector<BookEvent> alone = observe(std::string(key().name) + ":1;\n");
    ASSERT_FALSE(alone.empty());
    EXPECT_EQ(alone[0].row, &key());
    BookEventKind outside = BookEventKind::Entry;
    if (key().level == KeyLevel::Page)
        outside = BookEventKind::OutsidePage;
    else if (key().id == BookKeyId::PageEnd)
        outside = BookEventKind::PageEndWithoutStart;
    EXPECT_EQ(alone[0].kind, outside);
    freePages();

    // Inside a page, every key is an entry of that page.
    if (key().level == KeyLevel::PageBound)
        return;
    const std::vector<BookEvent> inside = observe("default_bg:bg.png;\npage_start:;\n"
                                                  + std::string(key().name) + ":1;\npage_end:;\n");
    const auto third = std::find_if(inside.begin(), inside.end(), [](const BookEvent& e) {
        return e.line == 3 && e.kind == BookEventKind::Entry;
    });
    ASSERT_NE(third, inside.end());
    EXPECT_EQ(third->row, &key());
    EXPECT_EQ(third->page, 0);
}

// The keys whose value the player keeps cut (a text, or a file's path).
class BookKeptKey : public BookKeyRow {};

TEST_P(BookKeptKey, KeepsWhatItsLimitSays)
{
    // The line stands before the page and in it: a page-level key counts
    // only there, a book-level one holds from its first line.
    const std::string keyLine = key().name + (":" + std::string(key().limit + 20, 'x')) + ";\n";
    const std::vector<BookEvent> events =
        observe("default_bg:bg.png;\n" + keyLine + "page_start:;\n" + keyLine + "page_end:;\n");
    const std::string text = kept(events);
    EXPECT_EQ(text.size(), key().limit - 1) << text;
    if (key().folder) {
        EXPECT_EQ(text.rfind(std::string("books/t") + key().folder, 0), 0u) << text;
    }
}

// The keys of the choices' targets.
class BookTargetKey : public BookKeyRow {};

TEST_P(BookTargetKey, LeadsFromItsOwnChoice)
{
    observe("default_bg:bg.png;\npage_start:;\nbut1_text:a;\nbut2_text:b;\nbut3_text:c;\n"
            + std::string(key().name) + ":2;\npage_end:;\n");
    ASSERT_EQ(gamedataPages.size(), 1u);
    for (int choice = 1; choice <= CHOICES_PER_PAGE; ++choice)
        EXPECT_EQ(gamedataPages[0]->getButGoto(choice), choice == key().number ? 2 : 0)
            << "choice " << choice;
}

// The ids of the rows `keep` is true of.
template <typename Keep>
std::vector<BookKeyId> bookKeysWhere(Keep keep)
{
    std::vector<BookKeyId> ids;
    for (const BookKey& key : bookKeys())
        if (keep(key))
            ids.push_back(key.id);
    return ids;
}

std::string rowName(const ::testing::TestParamInfo<BookKeyId>& info)
{
    return bookKey(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(BookKeyTable, BookKeyRow,
                         ::testing::ValuesIn(bookKeysWhere([](const BookKey&) { return true; })),
                         rowName);
INSTANTIATE_TEST_SUITE_P(BookKeyTable, BookKeptKey,
                         ::testing::ValuesIn(bookKeysWhere(
                             [](const BookKey& key) { return key.limit > 0; })),
                         rowName);
INSTANTIATE_TEST_SUITE_P(BookKeyTable, BookTargetKey,
                         ::testing::ValuesIn(bookKeysWhere(
                             [](const BookKey& key) { return key.value == KeyValue::Target; })),
                         rowName);

} // namespace
