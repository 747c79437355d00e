// Pages named by their page_start line and choices that lead to them by
// name: in the reader, and in the checker's report and map.
#include "assets.h"
#include "book/book.h"
#include "check.h"
#include "gamepage.h"
#include "init.h"
#include "report.h"
#include "session.h"
#include "testenv.h"
#include "text/buffers.h"
#include "text/target.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

std::string page(const std::string& lines, const std::string& name = "")
{
    return "page_start:" + name + ";\n" + lines + "page_end:;\n";
}

const std::string bg = "default_bg:bg.png;\n";

TEST(Targets, NumbersAreReadAsTheyAlwaysWereAndTheRestAreNames)
{
    struct Case {
        const char* value;
        bool number;
        int read;
        std::size_t used;
    };
    const Case cases[] = {
        {"", true, 0, 0},        {"3", true, 3, 1},        {"3x", true, 3, 1},
        {" 12 ", true, 12, 3},   {"+4", true, 4, 2},       {"-2", true, -2, 2},
        {"-", true, 0, 0},       {"\t7", true, 7, 2},      {"storm", false, 0, 0},
        {"x3", false, 0, 0},     {"Буря", false, 0, 0},    {"99999999999", true, INT_MAX, 11},
        {"-99999999999", true, INT_MIN, 12},
    };
    for (const Case& c : cases) {
        std::size_t used = 99;
        EXPECT_EQ(isPageNumber(c.value), c.number) << c.value;
        EXPECT_EQ(readPageNumber(c.value, &used), c.read) << c.value;
        EXPECT_EQ(used, c.used) << c.value;
    }
}

// The strict form numbers take outside the book file: the whole text, as
// a target reads, when it is digits only and in range.
TEST(Targets, WholeNumbersAreDigitsOnlyAndInRange)
{
    struct Case {
        const char* text;
        long long low, high;
        bool read;
        long long number;
    };
    const Case cases[] = {
        {"3", 1, 10, true, 3},          {"10", 1, 10, true, 10},     {"007", 1, 10, true, 7},
        {"0", 0, 10, true, 0},          {"0", 1, 10, false, 0},      {"11", 1, 10, false, 0},
        {"", 1, 10, false, 0},          {" 3", 1, 10, false, 0},     {"+3", 1, 10, false, 0},
        {"-3", -10, 10, false, 0},      {"3 ", 1, 10, false, 0},     {"3x", 1, 10, false, 0},
        {"2147483647", 1, INT_MAX, true, INT_MAX},
        {"2147483648", 1, INT_MAX, false, 0},
        {"4294967295", 0, 4294967295LL, true, 4294967295LL},
        {"99999999999999999999999", 0, 4294967295LL, false, 0},
    };
    for (const Case& c : cases) {
        long long number = -1;
        EXPECT_EQ(readWholeNumber(c.text, c.low, c.high, number), c.read) << c.text;
        EXPECT_EQ(number, c.read ? c.number : -1) << c.text << ": left as it was when refused";
    }
}

class NamedPages : public ::testing::Test {
protected:
    void SetUp() override
    {
        startLibraryWithoutDisplay();
        set_color_depth(32);
        installCheckingLoaders();
        enterScratchDir("named");
        copyCut(book, sizeof book, "books/t");
        putPicture("books/t/pico/bg.png", 64, 48, 40, 120, 60);
    }

    void TearDown() override { freePages(); }

    void load(const std::string& pages)
    {
        writeFile("books/t/pages.dat", pages);
        ASSERT_TRUE(loadBook());
    }

    std::vector<std::string> reported(const std::string& pages)
    {
        writeFile("books/t/pages.dat", pages);
        std::vector<std::string> lines;
        for (const Finding& finding : checkBook({nullptr, "books/t"}).findings)
            lines.push_back(formatFinding("pages.dat", finding));
        return lines;
    }
};

TEST_F(NamedPages, TheReaderTurnsNamesIntoPageNumbers)
{
    load(bg + page("but1_text:a;\nbut1_goto:storm;\nbut2_text:b;\nbut2_goto:Тихо;\n", "start")
         + page("but1_text:c;\nbut1_goto:start;\n", "Тихо")
         + "page_start:storm;\nroom_name:dropped, never ended;\n"
         + page("but1_text:d;\nbut2_text:e;\nbut2_goto:nowhere;\nbut3_text:f;\nbut3_goto:2;\n",
                "storm")
         + page("room_name:second storm;\n", "storm"));
    ASSERT_EQ(gamedataPages.size(), 4u);
    EXPECT_EQ(gamedataPages[0]->but1Goto, 3); // a later page, the one that was ended
    EXPECT_EQ(gamedataPages[0]->but2Goto, 2); // a name in Cyrillic
    EXPECT_EQ(gamedataPages[1]->but1Goto, 1);
    // A name no page bears reads as the number atoi gives it.
    EXPECT_EQ(gamedataPages[2]->but2Goto, 0);
    EXPECT_EQ(gamedataPages[2]->but3Goto, 2);
    // Two pages with one name: the first is the one named.
    EXPECT_EQ(findNamedPage("storm"), 2);
    EXPECT_EQ(findNamedPage("nowhere"), -1);
    EXPECT_EQ(pageAfterChoice(2, 2), BOOK_ENDS);
}

// The last page, never ended, is dropped with the targets it named: none of
// them may be resolved after it is gone, for a page index past the end of
// the list, where a name no page bears would be told against it and a name
// found would have its number written through whatever lies past the list.
TEST_F(NamedPages, TargetsOfALastPageNeverEndedGoWithIt)
{
    writeFile("books/t/pages.dat",
              bg + page("but1_text:a;\nbut1_goto:last;\n", "first") + page("", "second")
                  + page("", "third")
                  + "page_start:open;\nbut1_text:b;\nbut1_goto:first;\nbut2_text:c;\n"
                    "but2_goto:nowhere;\n");
    std::vector<BookEvent> events;
    ASSERT_EQ(readBook("books/t/pages.dat", [&](const BookEvent& e) { events.push_back(e); }),
              std::nullopt);
    ASSERT_EQ(gamedataPages.size(), 3u);
    EXPECT_EQ(gamedataPages[0]->but1Goto, 0); // "last" names no page that was kept
    EXPECT_EQ(gamedataPages[1]->but1Goto, 0);
    EXPECT_EQ(gamedataPages[2]->but1Goto, 0);
    int neverEnded = 0;
    std::vector<std::string> unknownNames;
    for (const BookEvent& e : events) {
        neverEnded += e.kind == BookEventKind::PageNeverEnded;
        if (e.kind == BookEventKind::UnknownPageName)
            unknownNames.push_back(e.value);
    }
    EXPECT_EQ(neverEnded, 1);
    EXPECT_EQ(unknownNames, std::vector<std::string>{"last"});
}

TEST_F(NamedPages, TheCheckerReportsNamesThatLeadNowhereOrClash)
{
    const std::vector<std::string> lines =
        reported(bg + page("but1_text:a;\nbut1_goto:strom;\nbut2_text:b;\nbut2_goto:elsewhere;\n")
                 + page("but1_text:c;\n", "storm") + page("but1_text:d;\n", "storm")
                 + page("but1_text:e;\nbut1_goto:4;\n", "12"));
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "pages.dat:4: error: but1_goto \"strom\" names no page (did you mean "
                         "\"storm\"?): the choice goes to the next page, as with no target",
                         "pages.dat:6: error: but2_goto \"elsewhere\" names no page: the choice "
                         "ends the book",
                         "pages.dat:11: error: page 3 is named \"storm\" like page 2: targets "
                         "that name it lead to page 2",
                         "pages.dat:14: warning: page 4 is named \"12\", which reads as a page "
                         "number: no target can name it",
                     }));
}

TEST_F(NamedPages, TheMapFollowsNames)
{
    writeFile("books/t/pages.dat", bg + page("but1_text:jump;\nbut1_goto:end room;\n", "first")
                                       + page("but1_text:lost;\nbut1_goto:1;\n")
                                       + page("but1_text:close;\n", "end room"));
    const CheckResult result = checkBook({nullptr, "books/t"});
    ASSERT_EQ(result.map.size(), 3u);
    EXPECT_EQ(result.map[0].choices[0].targetPage, 3);
    EXPECT_FALSE(result.map[1].reachable);
    const std::string dot = pageMapDot(result.map);
    EXPECT_NE(dot.find("  p1 [label=\"1 [first]\"];\n"), std::string::npos) << dot;
    EXPECT_NE(dot.find("  p1 -> p3 [label=\"jump\"];\n"), std::string::npos) << dot;
}

} // namespace
