// The shelf's books: which books it lists, in which order and under which
// names, the list of books opened before, and --add's copy.
#include "shelf/shelf.h"

#include "screen/keyhelp.h"

#include "testenv.h"
#include "zipwriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class ShelfBooks : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::canonical(enterScratchDir("shelf-books")).string();
        places.shelfFolder = root + "/shelf";
        places.openedList = root + "/state/opened.txt";
        places.demoBook = root + "/installed/books/demo";
        makeBook(places.demoBook, "book_name:The Demo;\n");
    }

    // A book folder at `folder` with `bookLines` before its one page.
    static void makeBook(const std::string& folder, const std::string& bookLines)
    {
        writeFile(folder + "/pages.dat", bookLines + "default_bg:bg.png;\npage_start:;\n"
                                                     "book_name:too late;\npage_end:;\n");
    }

    std::string root;
    ShelfPlaces places;
};

std::vector<std::string> namesOf(const std::vector<ShelfBook>& books)
{
    std::vector<std::string> names;
    for (const ShelfBook& book : books)
        names.push_back(book.name);
    return names;
}

TEST_F(ShelfBooks, ShelfFolderFirstThenOpenedBeforeThenTheDemoEachOnce)
{
    makeBook(places.shelfFolder + "/tide", "book_name:Прилив / The Tide;\n");
    makeBook(root + "/made/storm", "");
    writeFile(places.shelfFolder + "/storm.zip", zipArchive(folderMembers(root + "/made/storm", "storm/")));
    makeBook(places.shelfFolder + "/.adding-1-half", ""); // being added: not shown yet
    writeFile(places.shelfFolder + "/notes.txt", "not a book");
    fs::create_directories(places.shelfFolder + "/empty");
    makeBook(root + "/elsewhere/owl", "");
    // Opened before: the tide again (listed once, from the shelf), the owl,
    // a book since removed, and the demo.
    writeFile(places.openedList, places.shelfFolder + "/tide\n" + root + "/elsewhere/owl\n" + root
                                     + "/gone\n" + places.demoBook + "\n");

    const std::vector<ShelfBook> books = gatherShelf(places);
    EXPECT_EQ(namesOf(books), (std::vector<std::string>{"storm", "Прилив / The Tide", "owl", "The Demo"}));
    ASSERT_EQ(books.size(), 4u);
    EXPECT_EQ(books[0].source, ShelfBook::Source::ShelfFolder);
    EXPECT_EQ(books[0].path, places.shelfFolder + "/storm.zip");
    EXPECT_EQ(books[1].source, ShelfBook::Source::ShelfFolder);
    EXPECT_EQ(books[2].source, ShelfBook::Source::OpenedBefore);
    EXPECT_EQ(books[2].path, root + "/elsewhere/owl");
    EXPECT_EQ(books[3].source, ShelfBook::Source::OpenedBefore) << "the demo, opened before, keeps that place";
    EXPECT_EQ(books[0].leftAtPage, 0);
}

TEST_F(ShelfBooks, WithoutAShelfFolderOrListOnlyTheDemo)
{
    EXPECT_EQ(namesOf(gatherShelf(places)), std::vector<std::string>{"The Demo"});
    places.demoBook.clear();
    EXPECT_TRUE(gatherShelf(places).empty());
}

TEST_F(ShelfBooks, TheOpenedListPutsTheNewestFirstOnceAndKeepsTwoHundred)
{
    for (int i = 0; i < OPENED_KEPT + 5; ++i)
        ASSERT_FALSE(noteOpened(places.openedList, "/books/" + std::to_string(i)));
    ASSERT_FALSE(noteOpened(places.openedList, "/books/201"));
    std::istringstream lines(readFile(places.openedList));
    std::vector<std::string> kept;
    for (std::string line; std::getline(lines, line);)
        kept.push_back(line);
    ASSERT_EQ(kept.size(), static_cast<std::size_t>(OPENED_KEPT));
    EXPECT_EQ(kept[0], "/books/201");
    EXPECT_EQ(kept[1], "/books/204");
    EXPECT_EQ(std::count(kept.begin(), kept.end(), "/books/201"), 1);
    // What is no absolute path of one line is not kept.
    ASSERT_FALSE(noteOpened(places.openedList, "relative/book"));
    ASSERT_FALSE(noteOpened(places.openedList, "/two\nlines"));
    EXPECT_EQ(readFile(places.openedList).substr(0, 11), "/books/201\n");
}

struct LineCase {
    const char* name;
    ShelfBook::Source source;
    int page;
    std::time_t when;
    const char* expected;
};

class ShelfLines : public ::testing::TestWithParam<LineCase> {};

TEST_P(ShelfLines, SayTheNameAndWhereTheReaderLeftIt)
{
    setenv("TZ", "UTC", 1);
    tzset();
    ShelfBook book;
    book.name = "Лесная тропа";
    book.source = GetParam().source;
    book.leftAtPage = GetParam().page;
    book.leftWhen = GetParam().when;
    EXPECT_EQ(shelfLine(book, "стр. %d", " (демо)"), GetParam().expected);
}

const LineCase lineCases[] = {
    {"NeverRead", ShelfBook::Source::ShelfFolder, 0, 0, "Лесная тропа"},
    {"LeftAtAPage", ShelfBook::Source::OpenedBefore, 5, 1796691600, "Лесная тропа — стр. 5, 2026-12-08"},
    {"LeftAtAPageAtAnUnknownTime", ShelfBook::Source::ShelfFolder, 12, 0, "Лесная тропа — стр. 12"},
    {"TheDemo", ShelfBook::Source::Demo, 2, 0, "Лесная тропа (демо) — стр. 2"},
};

INSTANTIATE_TEST_SUITE_P(Shelf, ShelfLines, ::testing::ValuesIn(lineCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ShelfBooks, AddCopiesAFolderWholeAndNeverOverAnother)
{
    makeBook(root + "/downloads/tide", "book_name:The Tide;\n");
    writeFile(root + "/downloads/tide/pico/bg.png", "picture");
    const Result<std::string> added = addToShelf(root + "/downloads/tide/pages.dat", places.shelfFolder);
    ASSERT_FALSE(added.problem) << added.problem->phrase;
    EXPECT_EQ(added.value, places.shelfFolder + "/tide");
    EXPECT_EQ(readFile(places.shelfFolder + "/tide/pico/bg.png"), "picture");
    EXPECT_EQ(namesOf(gatherShelf(places)), (std::vector<std::string>{"The Tide", "The Demo"}));

    writeFile(root + "/downloads/tide/pico/bg.png", "another picture");
    const Result<std::string> again = addToShelf(root + "/downloads/tide", places.shelfFolder);
    ASSERT_TRUE(again.problem);
    EXPECT_EQ(again.problem->file, places.shelfFolder + "/tide");
    EXPECT_EQ(readFile(places.shelfFolder + "/tide/pico/bg.png"), "picture");

    fs::create_directories(root + "/downloads/nothing");
    const Result<std::string> none = addToShelf(root + "/downloads/nothing", places.shelfFolder);
    ASSERT_TRUE(none.problem);
    EXPECT_NE(none.problem->phrase.find("is no book"), std::string::npos) << none.problem->phrase;
}

// The shelf's key help tells the keys the shelf answers, with what they do
// there, and none of a page's alone.
TEST(ShelfKeyHelp, TellsTheShelfsKeysAndNoneOfAPagesAlone)
{
    std::vector<std::string> keys;
    for (const KeyHelpRow& row : keyHelpRows(KeyScreen::Shelf))
        keys.push_back(row.keys + ": " + row.meaning);
    const auto has = [&](const std::string& line) {
        return std::find(keys.begin(), keys.end(), line) != keys.end();
    };
    EXPECT_TRUE(has("Enter, Space: read the selected book, or take the focused button"));
    EXPECT_TRUE(has("↑ ↓: select the book above or below"));
    EXPECT_TRUE(has("Esc: end the program"));
    EXPECT_TRUE(has("F1, ?: show these keys"));
    for (const char* pageOnly : {"1, 2, 3", "M", "F5", "← →"})
        EXPECT_TRUE(std::none_of(keys.begin(), keys.end(), [&](const std::string& line) {
            return line.rfind(std::string(pageOnly) + ":", 0) == 0;
        })) << pageOnly;
    EXPECT_EQ(keyHelpHeading(KeyScreen::Shelf), "Keys on the shelf");
}

} // namespace
