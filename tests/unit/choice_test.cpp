// Where a choice leads: the one rule the page screen moves by and the book
// checker maps a book by.
#include "book/book.h"

#include <gtest/gtest.h>

#include <climits>
#include <ostream>

namespace {

struct ChoiceCase {
    const char* name;
    int pageIndex, choice, target, pageCount;
    int leadsTo; // a page index or BOOK_ENDS
};

std::ostream& operator<<(std::ostream& out, const ChoiceCase& c)
{
    return out << "choice " << c.choice << " with target " << c.target << " on page index "
               << c.pageIndex << " of " << c.pageCount;
}

const ChoiceCase choiceCases[] = {
    {"FirstChoiceGoesToItsTarget", 0, 1, 3, 5, 2},
    {"FirstChoiceWithoutTargetGoesToTheNextPage", 0, 1, 0, 5, 1},
    {"FirstChoiceWithNegativeTargetGoesToTheNextPage", 3, 1, -2, 5, 4},
    {"FirstChoiceWithTargetIntMinGoesToTheNextPage", 1, 1, INT_MIN, 5, 2},
    {"FirstChoiceWithoutTargetOnTheLastPageEndsTheBook", 4, 1, 0, 5, BOOK_ENDS},
    {"FirstChoicePastTheLastPageEndsTheBook", 0, 1, 6, 5, BOOK_ENDS},
    {"FirstChoiceToIntMaxEndsTheBook", 0, 1, INT_MAX, 5, BOOK_ENDS},
    {"FirstChoiceToIntMaxInABookOfThatManyPages", 0, 1, INT_MAX, INT_MAX, INT_MAX - 1},
    {"NextPageAfterTheLastPossibleIndexDoesNotWrap", INT_MAX - 1, 1, 0, INT_MAX, BOOK_ENDS},
    {"FirstChoiceMayLeadBackToPageOne", 4, 1, 1, 5, 0},
    {"SecondChoiceGoesToItsTarget", 4, 2, 2, 5, 1},
    {"SecondChoiceWithTargetZeroEndsTheBook", 0, 2, 0, 5, BOOK_ENDS},
    {"SecondChoiceWithNegativeTargetEndsTheBook", 2, 2, -1, 5, BOOK_ENDS},
    {"SecondChoiceWithTargetIntMinEndsTheBook", 2, 2, INT_MIN, 5, BOOK_ENDS},
    {"ThirdChoiceGoesToTheLastPage", 0, 3, 5, 5, 4},
    {"ThirdChoicePastTheLastPageEndsTheBook", 0, 3, 6, 5, BOOK_ENDS},
    {"ThirdChoiceWithTargetIntMinEndsTheBook", 0, 3, INT_MIN, 5, BOOK_ENDS},
    {"ThirdChoiceWithTargetZeroEndsTheBook", 0, 3, 0, 5, BOOK_ENDS},
    {"NoChoiceZero", 0, 0, 2, 5, BOOK_ENDS},
    {"NoChoiceFour", 0, 4, 2, 5, BOOK_ENDS},
    {"AnyChoiceOfAnEmptyBookEndsIt", 0, 1, 1, 0, BOOK_ENDS},
};

class WhereAChoiceLeads : public ::testing::TestWithParam<ChoiceCase> {
protected:
    void TearDown() override { freePages(); }
};

TEST_P(WhereAChoiceLeads, ByItsTarget)
{
    const ChoiceCase& c = GetParam();
    EXPECT_EQ(pageAfterChoice(c.pageIndex, c.choice, c.target, c.pageCount), c.leadsTo) << c;

    // The open book's pages give the same answer, each choice with its own
    // target, whenever the book is small enough to hold here.
    if (c.pageCount > 10 || c.pageIndex >= c.pageCount)
        return;
    for (int i = 0; i < c.pageCount; ++i)
        gamedataPages.push_back(new Gamedata);
    if (c.choice >= 1 && c.choice <= CHOICES_PER_PAGE) {
        Gamedata& page = *gamedataPages[c.pageIndex];
        int* targets[] = {&page.but1Goto, &page.but2Goto, &page.but3Goto};
        *targets[c.choice - 1] = c.target;
    }
    EXPECT_EQ(pageAfterChoice(c.pageIndex, c.choice), c.leadsTo) << c << " of the open book";
}

INSTANTIATE_TEST_SUITE_P(ChoiceRule, WhereAChoiceLeads, ::testing::ValuesIn(choiceCases),
                         [](const ::testing::TestParamInfo<ChoiceCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
