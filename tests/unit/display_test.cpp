// The logical screen's arithmetic: reading a scale, choosing the window's
// and the full screen's scale for a display, and mapping the mouse back to
// logical pixels. No display is needed.
#include "screen/display.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct ParseCase {
    const char* text;
    bool accepted;
    int scale; // when accepted
};

void PrintTo(const ParseCase& c, std::ostream* os)
{
    *os << '"' << c.text << '"';
}

class ParseScale : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseScale, TakesAutoOrOneToEightAndNothingElse)
{
    const ParseCase& c = GetParam();
    int scale = 5; // what the caller had
    EXPECT_EQ(parseScale(c.text, scale), c.accepted) << '"' << c.text << '"';
    EXPECT_EQ(scale, c.accepted ? c.scale : 5) << '"' << c.text << '"';
}

INSTANTIATE_TEST_SUITE_P(Values, ParseScale,
                         ::testing::Values(ParseCase{"auto", true, SCALE_AUTO},
                                           ParseCase{"1", true, 1}, ParseCase{"2", true, 2},
                                           ParseCase{"8", true, 8}, ParseCase{"0", false, 0},
                                           ParseCase{"9", false, 0}, ParseCase{"10", false, 0},
                                           ParseCase{"-1", false, 0}, ParseCase{"2x", false, 0},
                                           ParseCase{" 2", false, 0}, ParseCase{"", false, 0},
                                           ParseCase{"AUTO", false, 0},
                                           ParseCase{"auto ", false, 0}));

struct WindowCase {
    int wanted, desktopW, desktopH;
    int scale;
};

void PrintTo(const WindowCase& c, std::ostream* os)
{
    *os << "wanted " << c.wanted << " on " << c.desktopW << "x" << c.desktopH;
}

class WindowScale : public ::testing::TestWithParam<WindowCase> {};

TEST_P(WindowScale, IsTheLargestThatFitsTheDesktop)
{
    const WindowCase& c = GetParam();
    EXPECT_EQ(windowScaleFor(c.wanted, c.desktopW, c.desktopH), c.scale)
        << "wanted " << c.wanted << " on " << c.desktopW << " x " << c.desktopH;
}

INSTANTIATE_TEST_SUITE_P(
    Desktops, WindowScale,
    ::testing::Values(
        WindowCase{SCALE_AUTO, 1920, 1080, 2}, // 960 rows: within 90 % of 1080
        WindowCase{SCALE_AUTO, 1024, 768, 1}, WindowCase{SCALE_AUTO, 800, 600, 1},
        WindowCase{SCALE_AUTO, 640, 480, 1},   // no room even for the frame: still 1
        WindowCase{SCALE_AUTO, 1280, 1024, 1}, // 1280 wide leaves no room for the frame
        WindowCase{SCALE_AUTO, 2560, 1440, 2}, // 1440 rows would fill it
        WindowCase{SCALE_AUTO, 3840, 2160, 4}, WindowCase{SCALE_AUTO, 7680, 4320, 8},
        WindowCase{SCALE_AUTO, 1920, 1200, 2}, // 1440 rows would not fit
        WindowCase{1, 3840, 2160, 1}, WindowCase{3, 3840, 2160, 3},
        WindowCase{3, 1920, 1080, 2},  // a scale that does not fit is cut down
        WindowCase{8, 3840, 2160, 4}, // even past the 90 % that auto keeps free
        WindowCase{2, 1024, 768, 1}));

struct FullScreenCase {
    int w, h;
    int scale;
};

void PrintTo(const FullScreenCase& c, std::ostream* os)
{
    *os << c.w << "x" << c.h;
}

class FullScreenScale : public ::testing::TestWithParam<FullScreenCase> {};

TEST_P(FullScreenScale, IsTheLargestThatFits)
{
    const FullScreenCase& c = GetParam();
    EXPECT_EQ(fullScreenScaleFor(c.w, c.h), c.scale) << c.w << " x " << c.h;
}

INSTANTIATE_TEST_SUITE_P(Displays, FullScreenScale,
                         ::testing::Values(FullScreenCase{1920, 1080, 2},
                                           FullScreenCase{640, 480, 1},
                                           FullScreenCase{1366, 768, 1},
                                           FullScreenCase{3840, 2160, 4},
                                           FullScreenCase{1920, 1440, 3},
                                           FullScreenCase{320, 200, 1}));

struct MappingCase {
    int at, origin, scale;
    int logical;
};

void PrintTo(const MappingCase& c, std::ostream* os)
{
    *os << c.at << " from " << c.origin << " at scale " << c.scale;
}

class MouseMapping : public ::testing::TestWithParam<MappingCase> {};

TEST_P(MouseMapping, RoundsDownToTheLogicalPixel)
{
    const MappingCase& c = GetParam();
    EXPECT_EQ(toLogical(c.at, c.origin, c.scale), c.logical)
        << c.at << " from " << c.origin << " at scale " << c.scale;
}

INSTANTIATE_TEST_SUITE_P(Points, MouseMapping,
                         ::testing::Values(MappingCase{0, 0, 1, 0}, MappingCase{639, 0, 1, 639},
                                           MappingCase{0, 0, 2, 0}, MappingCase{1, 0, 2, 0},
                                           MappingCase{2, 0, 2, 1},
                                           MappingCase{1279, 0, 2, 639},
                                           MappingCase{320, 320, 2, 0}, // full screen, 1920 wide
                                           MappingCase{319, 320, 2, -1}, // the black border
                                           MappingCase{0, 320, 2, -160},
                                           MappingCase{1600, 320, 2, 640}, // right border
                                           MappingCase{61, 60, 3, 0}, MappingCase{59, 60, 3, -1}));

} // namespace
