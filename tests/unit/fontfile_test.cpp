// The reader of font.dat: every hostile font of the probe refused with its
// own phrase, in a bounded time, before the library sees it, by the reader
// and by the player's start-up (which ends naming the file); the shipped
// font read into a font the library draws exactly as it draws the font its
// own datafile loader makes of the same file; fonts at the limits drawn in
// the page's text box, whose line wrapping ends.
#include "app/report.h"
#include "gamepage.h"
#include "hostilefiles.h"
#include "hostilefonts.h"
#include "init.h"
#include "testenv.h"
#include "text/fontfile.h"

#include <allegro.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

// Tests are named by their case; the case itself prints as its name.
void PrintTo(const HostileFont& c, std::ostream* out)
{
    *out << c.name;
}

namespace {

using Clock = std::chrono::steady_clock;

// The seconds a step may take: `seconds`, or fifty times as many under
// valgrind, which runs these tests too (tools/memcheck_test.cpp says so).
double timeLimit(double seconds)
{
    return std::getenv("QUORVEL_UNDER_VALGRIND") ? 50 * seconds : seconds;
}

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// What a font was made of, read back through the library's font interface.
struct FontShape {
    int height = 0;
    std::vector<std::pair<int, int>> ranges;
    bool operator==(const FontShape& other) const
    {
        return height == other.height && ranges == other.ranges;
    }
};

FontShape shapeOf(FONT* f)
{
    FontShape shape;
    shape.height = text_height(f);
    for (int i = 0; i < get_font_ranges(f); ++i)
        shape.ranges.emplace_back(get_font_range_begin(f, i), get_font_range_end(f, i));
    return shape;
}

// Every character of `f`, as lines of at most 40 in the library's UTF-8.
std::vector<std::string> everyCharacter(FONT* f)
{
    std::vector<std::string> lines(1);
    for (const auto& [first, last] : shapeOf(f).ranges)
        for (int codePoint = first; codePoint <= last; ++codePoint) {
            char character[8] = {};
            usetc(character, codePoint);
            if (ustrlen(lines.back().c_str()) == 40)
                lines.emplace_back();
            lines.back() += character;
        }
    return lines;
}

// `lines` drawn in `f`, one under the other, on an 8-bit bitmap of the
// given size (ink 1 on 0; a second pass with a background of 2).
BITMAP* drawLines(FONT* f, const std::vector<std::string>& lines, int w, int h)
{
    BITMAP* canvas = create_bitmap_ex(8, w, h);
    clear_to_color(canvas, 0);
    int y = 0;
    for (const std::string& line : lines) {
        textout_ex(canvas, f, line.c_str(), 3, y, 1, -1);
        textout_ex(canvas, f, line.c_str(), w / 2, y, 1, 2);
        y += text_height(f);
    }
    return canvas;
}

// The hostile-file fixture, with its deadline scaled as timeLimit scales.
class FontFile : public Hostile {
protected:
    void SetUp() override
    {
        Hostile::SetUp();
        alarm(static_cast<unsigned>(timeLimit(HANG_SECONDS)));
    }
};

// The shipped font, read by the player's reader and by the library's own
// loader (trusted here: the file is the project's), is one font: the same
// ranges and line height, each character as wide, every pixel of every
// character drawn the same, transparent and on a background.
TEST_F(FontFile, TheShippedFontDrawsAsTheLibrarysOwnLoaderDrawsIt)
{
    const std::string path = std::string(QUORVEL_DEMO_DIR) + "/font.dat";
    const Result<OwnedFont> ours = readFontFile(path);
    ASSERT_TRUE(ours.value) << phraseOf(ours.problem);
    DATAFILE* theirs = load_datafile(path.c_str());
    ASSERT_TRUE(theirs);
    FONT* library = static_cast<FONT*>(theirs[0].dat);

    EXPECT_EQ(shapeOf(ours.value.get()), shapeOf(library));
    EXPECT_EQ(text_height(ours.value.get()), 16);
    const std::vector<std::string> lines = everyCharacter(library);
    ASSERT_GT(lines.size(), 5u);
    for (const std::string& line : lines)
        EXPECT_EQ(text_length(ours.value.get(), line.c_str()), text_length(library, line.c_str())) << line;
    // Characters the font lacks are drawn as its '^' by both.
    std::vector<std::string> text = lines;
    text.push_back("Книга: 中文 € «Тропинка» … №1");
    const int w = 2 * (text_length(library, lines[0].c_str()) + 50);
    const int h = static_cast<int>(text.size()) * text_height(library) + 4;
    BITMAP* mine = drawLines(ours.value.get(), text, w, h);
    BITMAP* reference = drawLines(library, text, w, h);
    long differing = 0;
    long inked = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            differing += getpixel(mine, x, y) != getpixel(reference, x, y);
            inked += getpixel(reference, x, y) == 1;
        }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(inked, 1000) << "the text was drawn";
    destroy_bitmap(mine);
    destroy_bitmap(reference);
    unload_datafile(theirs);
}

// Each hostile font is refused, naming the file and what is wrong, with the
// kind of its problem, at once; the player's start-up ends on it with the
// status for a file it cannot load, saying the same.
class HostileFontFile : public FontFile, public ::testing::WithParamInterface<HostileFont> {};

// `text` as a regular expression that matches it alone.
std::string literally(const std::string& text)
{
    std::string pattern;
    for (char c : text) {
        if (std::string(".[]{}()\\*+?^$|").find(c) != std::string::npos)
            pattern += '\\';
        pattern += c;
    }
    return pattern;
}

TEST_P(HostileFontFile, IsRefusedWithWhatIsWrong)
{
    const HostileFont& c = GetParam();
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(c.bytes.data());
    const Clock::time_point start = Clock::now();
    const Result<OwnedFont> decoded = decodeFontDatafile(bytes, c.bytes.size(), "in memory");
    EXPECT_LT(secondsSince(start), timeLimit(1.0));
    EXPECT_FALSE(decoded.value);
    ASSERT_TRUE(decoded.problem);
    EXPECT_EQ(decoded.problem->kind, c.kind);
    EXPECT_EQ(decoded.problem->file, "in memory");
    EXPECT_NE(decoded.problem->phrase.find(c.phrase), std::string::npos) << decoded.problem->phrase;

    writeFile("font.dat", c.bytes);
    const Result<OwnedFont> read = readFontFile("font.dat");
    ASSERT_TRUE(read.problem);
    EXPECT_EQ(read.problem->file, "font.dat");
    EXPECT_EQ(read.problem->phrase, decoded.problem->phrase);
    EXPECT_EXIT((toStderr(), load_fonts()), testing::ExitedWithCode(EXIT_CANNOT_LOAD),
                literally("/font.dat\" " + c.phrase));
}

INSTANTIATE_TEST_SUITE_P(Findings, HostileFontFile, ::testing::ValuesIn(hostileFonts()),
                         [](const auto& info) { return std::string(info.param.name); });

// A broken download: the shipped font cut short anywhere is refused as cut
// short, saying where it ends.
TEST_F(FontFile, ACopyOfTheShippedFontCutShortAnywhereIsRefused)
{
    const Clock::time_point start = Clock::now();
    // Every cut past the font object's header is refused by the size it
    // states: under valgrind, a tenth of them go through the same path.
    const std::vector<std::size_t> cuts = cutPoints(std::getenv("QUORVEL_UNDER_VALGRIND") ? 370 : 37);
    ASSERT_GT(cuts.size(), 80u);
    for (std::size_t cut : cuts) {
        const HostileFont c = cutFont(cut);
        writeFile("font.dat", c.bytes);
        const Result<OwnedFont> read = readFontFile("font.dat");
        ASSERT_TRUE(read.problem) << "cut at " << cut;
        EXPECT_EQ(read.problem->kind, ProblemKind::Damaged) << "cut at " << cut;
        EXPECT_EQ(read.problem->phrase.rfind(c.phrase, 0), 0u) << "cut at " << cut << ": " << read.problem->phrase;
    }
    EXPECT_LT(secondsSince(start), timeLimit(5.0));
    // And the player's start-up on one of them.
    writeFile("font.dat", shippedFontBytes().substr(0, 5000));
    EXPECT_EXIT((toStderr(), load_fonts()), testing::ExitedWithCode(EXIT_CANNOT_LOAD),
                literally("/font.dat\" is cut short: it ends at byte 5000, inside its font, which states "));
}

// A file past the size limit is refused by its size, before a byte is read.
TEST_F(FontFile, AFileLargerThanTheLimitIsRefusedByItsSize)
{
    writeFile("font.dat", shippedFontBytes());
    padSparse("font.dat", MAX_FONT_FILE_BYTES + 1);
    const Result<OwnedFont> read = readFontFile("font.dat");
    ASSERT_TRUE(read.problem);
    EXPECT_EQ(read.problem->kind, ProblemKind::TooLarge);
    EXPECT_EQ(read.problem->phrase, "is 4194305 bytes; a font datafile holds at most 4194304");
    writeFile("font.dat", shippedFontBytes());
    padSparse("font.dat", 1LL << 40);
    EXPECT_EQ(readFontFile("font.dat").problem->kind, ProblemKind::TooLarge);
}

// Fonts at the limits are read, and what the reader takes the page's text
// box draws: its line wrapping ends with glyphs and tabs as wide as a font
// may make them, and it divides by no line height of 0.
struct LimitCase {
    const char* name;
    GlyphSize size;
};

void PrintTo(const LimitCase& c, std::ostream* out)
{
    *out << c.name;
}

class FontAtTheLimits : public FontFile, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(FontAtTheLimits, IsReadAndDrawnInThePagesTextBox)
{
    // Every character from the tab to '~', of one size.
    const std::vector<GlyphSize> glyphs(0x7F - 0x09, GetParam().size);
    const std::string bytes = fontDatafile({glyphRange(0x09, glyphs)});
    Result<OwnedFont> read =
        decodeFontDatafile(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), "limits");
    ASSERT_TRUE(read.value) << phraseOf(read.problem);
    EXPECT_EQ(text_height(read.value.get()), GetParam().size.height);
    font = read.value.get();
    // In a child with a deadline: a wrap that never ends is a failure, not
    // a hung suite.
    EXPECT_EXIT(
        {
            alarm(10);
            BITMAP* page = create_bitmap_ex(8, 640, 480);
            gui_set_screen(page);
            DIALOG box = dialogGamePage[PAGE_TEXT];
            static char text[] = "Tabs\t\t\tand\twords: "
                                 "averyveryveryverylongwordthatfillsmorethanalineofthetextboxonitsown "
                                 "and short ones, a b c d e f g h i j k l m n o p q r s t u v w x y z.";
            box.dp = text;
            box.bg = 0;
            box.proc(MSG_DRAW, &box, 0);
            std::exit(box.d1 > 0 ? 0 : 3); // d1: the lines it wrapped the text into
        },
        testing::ExitedWithCode(0), "");
    font = nullptr;
}

INSTANTIATE_TEST_SUITE_P(Cases, FontAtTheLimits,
                         ::testing::Values(LimitCase{"Widest", {MAX_GLYPH_WIDTH, 16}},
                                           LimitCase{"Highest", {8, MAX_GLYPH_HEIGHT}},
                                           LimitCase{"Largest", {MAX_GLYPH_WIDTH, MAX_GLYPH_HEIGHT}},
                                           LimitCase{"Smallest", {1, 1}}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
