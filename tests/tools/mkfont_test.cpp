// The font maker, checked through the library that reads its output: the
// built tool is run on DejaVu Sans, the datafile it writes is loaded with
// load_datafile (the tool's own output, trusted here) and the font is
// measured and drawn into memory bitmaps; the player's reader reads it into
// the same font.
#include "app/version.h"
#include "testenv.h"
#include "text/fontfile.h"
#include "title.h"

#include <allegro.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

const std::string toolPath = QUORVEL_BUILD_DIR "/bin/quorvel-mkfont";
const std::string dejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
// The character set the demo's font is made with.
const std::string demoRanges = "0x20-0x7E,0xA0-0xFF,0x400-0x45F,0x2013-0x2014,0x2018-0x201E,0x2026,0x2116,0x2190-0x2193,0x2212";

// Palette indices in the 8-bit test bitmaps.
const int clearColour = 0;
const int inkColour = 1;
const int cellColour = 2;

ProgramRun runTool(const std::vector<std::string>& args)
{
    return runProgram(toolPath, args, true);
}

// A loaded font datafile, unloaded when it goes out of scope.
class LoadedFont {
public:
    explicit LoadedFont(const std::string& path) : data_(load_datafile(path.c_str())) {}
    LoadedFont(const LoadedFont&) = delete;
    LoadedFont& operator=(const LoadedFont&) = delete;
    ~LoadedFont()
    {
        if (data_)
            unload_datafile(data_);
    }

    DATAFILE* data() const { return data_; }
    // The first object when it is a font, else null.
    FONT* font() const { return data_ && data_[0].type == DAT_FONT ? static_cast<FONT*>(data_[0].dat) : nullptr; }

private:
    DATAFILE* data_;
};

using Ranges = std::vector<std::pair<int, int>>;

Ranges rangesOf(FONT* f)
{
    Ranges ranges;
    for (int i = 0; i < get_font_ranges(f); ++i)
        ranges.emplace_back(get_font_range_begin(f, i), get_font_range_end(f, i));
    return ranges;
}

bool covers(const Ranges& ranges, int codePoint)
{
    for (const auto& range : ranges)
        if (codePoint >= range.first && codePoint <= range.second)
            return true;
    return false;
}

// One code point as a string in the library's current (UTF-8) format.
std::string textFor(int codePoint)
{
    char buffer[16] = {};
    usetc(buffer, codePoint);
    return buffer;
}

// Decodes UTF-8 text into code points; throws on malformed input.
std::vector<int> decodeUtf8(const std::string& text)
{
    std::vector<int> codePoints;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int length = 0;
        int value = 0;
        if (lead < 0x80) {
            length = 1;
            value = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            value = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            value = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            value = lead & 0x07;
        } else {
            throw std::runtime_error("bad UTF-8 lead byte at offset " + std::to_string(i));
        }
        if (i + length > text.size())
            throw std::runtime_error("UTF-8 sequence cut short at offset " + std::to_string(i));
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                throw std::runtime_error("bad UTF-8 continuation byte at offset " + std::to_string(i + k));
            value = (value << 6) | (next & 0x3F);
        }
        codePoints.push_back(value);
        i += length;
    }
    return codePoints;
}

std::string hexName(int codePoint)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(codePoint));
    return buffer;
}

// The smallest box holding every pixel not of clearColour.
struct Box {
    int left = 0, top = 0, right = -1, bottom = -1; // right < left: empty
    bool empty() const { return right < left; }
};

Box inkBox(BITMAP* bmp)
{
    Box box;
    box.left = bmp->w;
    box.top = bmp->h;
    for (int y = 0; y < bmp->h; ++y)
        for (int x = 0; x < bmp->w; ++x)
            if (getpixel(bmp, x, y) != clearColour) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x);
                box.bottom = std::max(box.bottom, y);
            }
    return box;
}

// Draws `text` at (x, y) on a cleared 8-bit bitmap; bg -1 draws ink only.
BITMAP* drawn(FONT* f, const std::string& text, int x, int y, int bg)
{
    BITMAP* bmp = create_bitmap_ex(8, 4 * text_length(f, text.c_str()) + 2 * x + 8, 3 * text_height(f) + 2 * y);
    if (!bmp)
        throw std::runtime_error("cannot create a test bitmap");
    clear_to_color(bmp, clearColour);
    textout_ex(bmp, f, text.c_str(), x, y, inkColour, bg);
    return bmp;
}

// Makes a font with the tool into the current (scratch) folder; the test
// fails there when the tool does.
std::string makeFont(const std::string& ranges, int pixelSize = 14, const std::string& name = "font.dat")
{
    const ProgramRun run = runTool({dejaVuSans, std::to_string(pixelSize), ranges, name});
    EXPECT_EQ(run.status, 0) << "quorvel-mkfont failed on " << ranges << ":\n" << run.output;
    return name;
}

class MkfontTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fs::exists(toolPath)) << "the font maker is not built: " << toolPath;
        ASSERT_TRUE(fs::exists(dejaVuSans)) << "the test font is missing: " << dejaVuSans;
        enterScratchDir("mkfont");
        startLibraryWithoutDisplay();
    }
};

TEST_F(MkfontTest, RangesComeOutAsAskedWithMissingGlyphsSplitOff)
{
    // U+0378 and U+0379 are unassigned in Unicode, so no font maps them.
    struct Case {
        std::string asked;
        Ranges expected;
        std::vector<int> warned;
    };
    const Case cases[] = {
        {"0x20-0x7E", {{0x20, 0x7E}}, {}},
        {"0x20-0x7E,0x400-0x45F,0x2026", {{0x20, 0x7E}, {0x400, 0x45F}, {0x2026, 0x2026}}, {}},
        {"0x2116,0x41-0x5A", {{0x2116, 0x2116}, {0x41, 0x5A}}, {}},
        {"20-7e", {{0x20, 0x7E}}, {}},
        {"0x376-0x37A", {{0x376, 0x377}, {0x37A, 0x37A}}, {0x378, 0x379}},
        {"0x41-0x43,0x378", {{0x41, 0x43}}, {0x378}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("ranges " + c.asked);
        const ProgramRun run = runTool({dejaVuSans, "14", c.asked, "font.dat"});
        ASSERT_EQ(run.status, 0) << run.output;
        for (int codePoint : c.warned) {
            EXPECT_NE(run.output.find(hexName(codePoint)), std::string::npos)
                << "no warning about " << hexName(codePoint) << " in:\n" << run.output;
        }
        if (c.warned.empty()) {
            EXPECT_EQ(run.output, "");
        }

        const LoadedFont loaded("font.dat");
        ASSERT_NE(loaded.data(), nullptr) << "load_datafile cannot read the tool's output";
        ASSERT_NE(loaded.font(), nullptr) << "the first object is not a FONT";
        EXPECT_NE(std::string(get_datafile_property(&loaded.data()[0], DAT_ID('N', 'A', 'M', 'E'))), "");
        EXPECT_EQ(rangesOf(loaded.font()), c.expected);
    }
}

TEST_F(MkfontTest, ARangeListWithNoGlyphAtAllFails)
{
    const ProgramRun run = runTool({dejaVuSans, "14", "0x378-0x379", "font.dat"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find(dejaVuSans), std::string::npos) << run.output;
    EXPECT_FALSE(fs::exists("font.dat"));
}

TEST_F(MkfontTest, GlyphsInkOnlyInsideTheirCells)
{
    const LoadedFont loaded(makeFont(demoRanges));
    FONT* f = loaded.font();
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(is_mono_font(f));

    struct Case {
        const char* text;
        bool inked;
    };
    const Case cases[] = {
        {"A", true}, {"Ж", true}, {"ё", true}, {"№", true}, {"…", true}, {"«", true},
        {" ", false}, {"\u00A0", false},
    };
    const int x = 10, y = 10;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("text '") + c.text + "'");
        BITMAP* bmp = drawn(f, c.text, x, y, -1);
        const Box box = inkBox(bmp);
        destroy_bitmap(bmp);
        EXPECT_EQ(!box.empty(), c.inked);
        if (box.empty())
            continue;
        EXPECT_GE(box.left, x);
        EXPECT_GE(box.top, y);
        EXPECT_LT(box.right, x + text_length(f, c.text));
        EXPECT_LT(box.bottom, y + text_height(f));
    }
}

TEST_F(MkfontTest, EveryCellHasTheLineHeightAndItsOwnWidth)
{
    const LoadedFont loaded(makeFont(demoRanges));
    FONT* f = loaded.font();
    ASSERT_NE(f, nullptr);
    const int height = text_height(f);
    EXPECT_GE(height, 13);
    EXPECT_LE(height, 16);

    // Drawn with a background, a cell fills exactly its own rectangle.
    for (const auto& range : rangesOf(f)) {
        for (int codePoint = range.first; codePoint <= range.second; ++codePoint) {
            const std::string text = textFor(codePoint);
            const int width = text_length(f, text.c_str());
            BITMAP* bmp = drawn(f, text, 0, 0, cellColour);
            const Box box = inkBox(bmp);
            destroy_bitmap(bmp);
            EXPECT_GE(width, 1) << hexName(codePoint);
            EXPECT_EQ(box.left, 0) << hexName(codePoint);
            EXPECT_EQ(box.top, 0) << hexName(codePoint);
            EXPECT_EQ(box.right, width - 1) << hexName(codePoint);
            EXPECT_EQ(box.bottom, height - 1) << hexName(codePoint);
        }
    }

    // Cells are as wide as their glyph, not one fixed width.
    EXPECT_LT(text_length(f, "i"), text_length(f, "M"));
    EXPECT_LT(text_length(f, "."), text_length(f, "Ж"));
}

TEST_F(MkfontTest, GlyphsStandOnOneBaseline)
{
    const LoadedFont loaded(makeFont(demoRanges));
    FONT* f = loaded.font();
    ASSERT_NE(f, nullptr);
    const auto bottomOf = [f](const char* text) {
        BITMAP* bmp = drawn(f, text, 0, 0, -1);
        const Box box = inkBox(bmp);
        destroy_bitmap(bmp);
        return box.bottom;
    };
    const int baseline = bottomOf("H");
    ASSERT_GT(baseline, 0);
    for (const char* sitting : {"A", "x", "Ж", "н", "1", "."})
        EXPECT_EQ(bottomOf(sitting), baseline) << sitting;
    for (const char* hanging : {"p", "g", "у", "Щ"})
        EXPECT_GT(bottomOf(hanging), baseline) << hanging;
}

TEST_F(MkfontTest, LargerPixelSizesMakeTallerLines)
{
    const int sizes[] = {10, 14, 20, 28};
    int previous = 0;
    for (int size : sizes) {
        SCOPED_TRACE("size " + std::to_string(size));
        const std::string name = "font" + std::to_string(size) + ".dat";
        const LoadedFont loaded(makeFont("0x20-0x7E", size, name));
        ASSERT_NE(loaded.font(), nullptr);
        const int height = text_height(loaded.font());
        EXPECT_GT(height, previous);
        EXPECT_GE(height, size);
        EXPECT_LE(height, size * 3 / 2);
        previous = height;
    }
}

TEST_F(MkfontTest, BadArgumentsGiveUsageAndExitOne)
{
    const std::vector<std::vector<std::string>> cases = {
        {},
        {dejaVuSans},
        {dejaVuSans, "14", "0x20-0x7E"},
        {dejaVuSans, "14", "0x20-0x7E", "out.dat", "extra"},
        {dejaVuSans, "abc", "0x20-0x7E", "out.dat"},
        {dejaVuSans, "0", "0x20-0x7E", "out.dat"},
        {dejaVuSans, "-3", "0x20-0x7E", "out.dat"},
        {dejaVuSans, "300", "0x20-0x7E", "out.dat"},
        {dejaVuSans, "", "0x20-0x7E", "out.dat"},
        {dejaVuSans, "14", "", "out.dat"},
        {dejaVuSans, "14", "zz", "out.dat"},
        {dejaVuSans, "14", "0x7E-0x20", "out.dat"},
        {dejaVuSans, "14", "0x20-0x7E,0x41", "out.dat"},
        {dejaVuSans, "14", "0x20,,0x30", "out.dat"},
        {dejaVuSans, "14", "0x20-", "out.dat"},
        {dejaVuSans, "14", "0x110000", "out.dat"},
        {"--help", "out.dat"},
        {"--version", dejaVuSans, "14", "0x20-0x7E"},
    };
    for (const auto& args : cases) {
        std::string shown;
        for (const std::string& arg : args)
            shown += " [" + arg + "]";
        SCOPED_TRACE("arguments" + shown);
        const ProgramRun run = runTool(args);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.output.find("usage: quorvel-mkfont"), std::string::npos) << run.output;
        EXPECT_FALSE(fs::exists("out.dat"));
    }
}

// --help and --version answer alone, on standard output, and succeed.
TEST_F(MkfontTest, HelpAndVersionAnswerAndExitZero)
{
    struct Case {
        std::string option;
        std::string startsWith;
    };
    const Case cases[] = {
        {"--help", "usage: quorvel-mkfont <font.ttf> <pixel-size> <ranges> <out.dat>\n"},
        {"-h", "usage: quorvel-mkfont <font.ttf> <pixel-size> <ranges> <out.dat>\n"},
        {"--version", "quorvel-mkfont " QUORVEL_VERSION "\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        const ProgramRun run = runProgram(toolPath, {c.option}, false);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.output.rfind(c.startsWith, 0), 0u) << run.output;
    }
}

TEST_F(MkfontTest, FailuresNameTheFileAndExitOne)
{
    writeFile("not-a-font.ttf", "just some text, no font tables here\n");
    struct Case {
        std::string font;
        std::string out;
        std::string named; // the file the message must name
    };
    const Case cases[] = {
        {"no-such-font.ttf", "out.dat", "no-such-font.ttf"},
        {"not-a-font.ttf", "out.dat", "not-a-font.ttf"},
        {dejaVuSans, "no-such-folder/out.dat", "no-such-folder/out.dat"},
        {dejaVuSans, "/dev/full", "/dev/full"}, // opens, but every write fails
    };
    // Some containers have no /dev/full, or a plain file in its place: there
    // the write-failure case cannot be staged and is left out.
    const bool haveFullDevice = fs::is_character_file("/dev/full");
    for (const Case& c : cases) {
        if (c.out == "/dev/full" && !haveFullDevice)
            continue;
        SCOPED_TRACE(c.font + " -> " + c.out);
        const ProgramRun run = runTool({c.font, "14", "0x20-0x7E", c.out});
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.output.find(c.named), std::string::npos) << run.output;
        if (c.out != "/dev/full") {
            EXPECT_FALSE(fs::exists(c.out));
        }
    }
    if (haveFullDevice) {
        EXPECT_TRUE(fs::exists("/dev/full")) << "a failed write must not delete a device";
    }
}

// What the tool writes, the player's reader reads into the font the
// library's own loader makes of it: the same ranges and line height, and
// every character drawn the same, at small, the demo's and large sizes.
TEST_F(MkfontTest, ThePlayersReaderReadsWhatItWritesAsTheLibraryDoes)
{
    for (int size : {8, 14, 40}) {
        SCOPED_TRACE("size " + std::to_string(size));
        const std::string name = makeFont(demoRanges, size, "font" + std::to_string(size) + ".dat");
        const LoadedFont library(name);
        ASSERT_NE(library.font(), nullptr);
        const Result<OwnedFont> ours = readFontFile(name);
        ASSERT_TRUE(ours.value) << phraseOf(ours.problem);
        EXPECT_EQ(rangesOf(ours.value.get()), rangesOf(library.font()));
        EXPECT_EQ(text_height(ours.value.get()), text_height(library.font()));
        std::string text;
        for (const auto& [first, last] : rangesOf(library.font()))
            for (int codePoint = first; codePoint <= last; ++codePoint)
                text += textFor(codePoint);
        BITMAP* mine = drawn(ours.value.get(), text, 2, 2, cellColour);
        BITMAP* reference = drawn(library.font(), text, 2, 2, cellColour);
        ASSERT_EQ(mine->w, reference->w);
        long differing = 0;
        for (int y = 0; y < mine->h; ++y)
            for (int x = 0; x < mine->w; ++x)
                differing += getpixel(mine, x, y) != getpixel(reference, x, y);
        EXPECT_EQ(differing, 0);
        EXPECT_FALSE(inkBox(reference).empty());
        destroy_bitmap(mine);
        destroy_bitmap(reference);
    }
}

// A pixel size whose glyphs the player would refuse is refused by the tool,
// saying what the player reads, and nothing is written.
TEST_F(MkfontTest, GlyphsLargerThanThePlayerReadsAreRefused)
{
    const ProgramRun run = runTool({dejaVuSans, "100", "0x20-0x7E", "big.dat"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("the player reads glyphs of 1 to 64 x 1 to 64, all as high; a smaller pixel "
                              "size makes them"),
              std::string::npos)
        << run.output;
    EXPECT_FALSE(fs::exists("big.dat"));
}

TEST_F(MkfontTest, DemoFontCoversEveryTextTheDemoShows)
{
    const std::string fontPath = QUORVEL_DEMO_DIR "/font.dat";
    ASSERT_TRUE(fs::exists(fontPath)) << "the demo font " << fontPath
                                      << " has not been made; build the demo target first";
    const LoadedFont loaded(fontPath);
    ASSERT_NE(loaded.font(), nullptr) << fontPath << " does not start with a font";
    const Ranges ranges = rangesOf(loaded.font());

    const std::string pagesPath = QUORVEL_SOURCE_DIR "/demo/books/demo/pages.dat";
    std::ifstream pages(pagesPath, std::ios::binary);
    ASSERT_TRUE(pages) << "cannot read " << pagesPath;
    const std::string pagesText((std::istreambuf_iterator<char>(pages)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(pagesText.empty()) << pagesPath << " is empty";

    const std::vector<std::string> texts = {
        "Книга: ", "&Выход", "Конец", "The End", "Всем спасибо.", "Start Game", "About",
        "Quit", "Menu", "Quorvel", ABOUT_VERSION_LINE, "&ok", pagesText,
    };
    std::set<int> missing;
    for (const std::string& text : texts) {
        std::vector<int> codePoints;
        try {
            codePoints = decodeUtf8(text);
        } catch (const std::runtime_error& error) {
            ADD_FAILURE() << "text is not UTF-8 (" << error.what() << "): " << text.substr(0, 40);
            continue;
        }
        // Line breaks and tabs separate lines and fields; they are never drawn.
        for (int codePoint : codePoints) {
            if (codePoint >= 0x20 && !covers(ranges, codePoint))
                missing.insert(codePoint);
        }
    }
    std::string names;
    for (int codePoint : missing)
        names += " " + hexName(codePoint);
    EXPECT_TRUE(missing.empty()) << fontPath << " lacks" << names;
}

} // namespace
