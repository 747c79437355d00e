// Where a page's elements collide: the one layout the page screen draws by
// and the book checker warns by.
#include "screen/pagelayout.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

bool operator==(const Collision& a, const Collision& b)
{
    return a.kind == b.kind && a.choice == b.choice && a.other == b.other && a.pixels == b.pixels;
}

std::ostream& operator<<(std::ostream& out, const Collision& c)
{
    const char* kinds[] = {"ChoicesOverlap", "ChoicePastEdge", "PictureOverTitle", "PictureOverMenu"};
    return out << kinds[static_cast<int>(c.kind)] << "(" << c.choice << ", " << c.other << ", "
               << c.pixels << " px)";
}

namespace {

struct LayoutCase {
    const char* name;
    PageShape shape;
    std::vector<Collision> expected;
};

std::ostream& operator<<(std::ostream& out, const LayoutCase& c)
{
    return out << c.name;
}

// A page with these label widths (below 0: hidden) and nothing else.
PageShape labels(int first, int second, int third)
{
    PageShape shape;
    shape.labelWidth[0] = first;
    shape.labelWidth[1] = second;
    shape.labelWidth[2] = third;
    return shape;
}

// A page with a title line and an illustration.
PageShape picture(int titleWidth, int width, int height, int previousX = ILLUSTRATION_AREA_X)
{
    PageShape shape;
    shape.titleWidth = titleWidth;
    shape.titleHeight = titleWidth > 0 ? 8 : 0;
    shape.pictureWidth = width;
    shape.pictureHeight = height;
    shape.pictureX = previousX;
    return shape;
}

using K = CollisionKind;

const LayoutCase layoutCases[] = {
    {"ShortChoicesStandApart", labels(72, 50, 60), {}},
    // Labels of 42, 41 and 43 characters in an 8-pixel font: choice 1 at
    // 284..630, choice 2 at 156..494, choice 3 at 10..364.
    {"ThreeLighthouseLabelsOverlapEachOther", labels(336, 328, 344),
     {{K::ChoicesOverlap, 3, 2, 208}, {K::ChoicesOverlap, 2, 1, 210}, {K::ChoicesOverlap, 3, 1, 80}}},
    {"ChoicesThatTouchDoNotOverlap", labels(-1, 100, 250), {}},
    {"HiddenChoicesNeverCollide", labels(-1, -1, 600), {}},
    {"AMiddleChoiceWiderThanTheScreenRunsPastBothEdges", labels(-1, 700, -1),
     {{K::ChoicePastEdge, 2, 0, 40}}},
    {"AWideFirstChoiceRunsPastTheLeftEdge", labels(640, -1, -1), {{K::ChoicePastEdge, 1, 0, 20}}},
    {"AWidePictureCoversTheTitleAndMenu", picture(64, 600, 100),
     {{K::PictureOverTitle, 0, 0, 49}, {K::PictureOverMenu, 0, 0, 60}}},
    {"ANarrowPictureLeavesBothClear", picture(64, 300, 340), {}},
    {"APictureThatEndsWhereMenuBeginsLeavesItClear", picture(64, 480, 100), {}},
    {"WithoutATitleOnlyMenuCanBeCovered", picture(0, 500, 100), {{K::PictureOverMenu, 0, 0, 10}}},
    {"APictureWiderThanItsAreaStandsWhereTheLastOneDid", picture(0, 700, 100, 10),
     {{K::PictureOverMenu, 0, 0, 70}}},
};

class Collisions : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(Collisions, FindsWhatTheReaderWouldSeeCollide)
{
    EXPECT_EQ(pageCollisions(GetParam().shape), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(PageLayout, Collisions, ::testing::ValuesIn(layoutCases),
                         [](const ::testing::TestParamInfo<LayoutCase>& info) {
                             return std::string(info.param.name);
                         });

// The choices stand where the page screen has always put them: choice 1
// against the right edge, choice 2 centred on its label, choice 3 on the left.
TEST(PageLayout, ChoicesStandAgainstTheirEdgesAndInTheMiddle)
{
    const Box first = choiceBox(1, 82), second = choiceBox(2, 50), third = choiceBox(3, 50);
    EXPECT_EQ(first.x, 640 - 10 - 92);
    EXPECT_EQ(second.x, 320 - 25);
    EXPECT_EQ(third.x, 10);
    EXPECT_EQ(first.w, 92);
    EXPECT_EQ(first.y, 340);
}

} // namespace
