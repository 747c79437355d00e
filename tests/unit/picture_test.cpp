// The picture decoders (media/picture.h) on real files: every kind of TGA
// the player reads.
#include "hostilefiles.h"
#include "media/picture.h"
#include "testenv.h"

#include <allegro.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>

using namespace std::string_literals;

namespace {

// ---------------------------------------------------------------- TGA forms

struct TgaCase {
    const char* name;
    int imageType, bitsPerPixel;
    std::string pixel, colourMap;
    int r, g, b; // the colour it shows
};

void PrintTo(const TgaCase& c, std::ostream* out)
{
    *out << c.name;
}

class TgaForm : public Hostile, public ::testing::WithParamInterface<TgaCase> {};

// Every kind of TGA the player reads, plain and run-length compressed,
// passes the check of its packets and shows its colour in every pixel.
TEST_P(TgaForm, DecodesToItsColour)
{
    const TgaCase& c = GetParam();
    writeFile("books/t/pico/x.tga",
              tgaPicture(c.imageType, c.bitsPerPixel, 40, 30, c.pixel, c.colourMap));
    const Result<BITMAP*> decoded = decodePicture("books/t/pico/x.tga");
    BITMAP* picture = decoded.value;
    ASSERT_NE(picture, nullptr) << phraseOf(decoded.problem);
    EXPECT_EQ(picture->w, 40);
    EXPECT_EQ(picture->h, 30);
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{38, 15}, std::pair{39, 29}}) {
        const int pixel = getpixel(picture, x, y);
        const int depth = bitmap_color_depth(picture);
        EXPECT_NEAR(getr_depth(depth, pixel), c.r, 8) << x << "," << y;
        EXPECT_NEAR(getg_depth(depth, pixel), c.g, 8) << x << "," << y;
        EXPECT_NEAR(getb_depth(depth, pixel), c.b, 8) << x << "," << y;
    }
    destroy_bitmap(picture);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, TgaForm,
    ::testing::Values(
        // Colour-mapped: entry 1 of the map; entries are blue, green, red.
        TgaCase{"ColourMapped", 1, 8, "\1", "\0\0\0\x30\x60\x90"s, 0x90, 0x60, 0x30},
        TgaCase{"ColourMappedRunLength", 9, 8, "\1", "\0\0\0\x30\x60\x90"s, 0x90, 0x60, 0x30},
        TgaCase{"Grey", 3, 8, "\x80", "", 0x80, 0x80, 0x80},
        TgaCase{"GreyRunLength", 11, 8, "\x80", "", 0x80, 0x80, 0x80},
        // 5 bits a channel: 0 11111 00000 10000 is red and half blue.
        TgaCase{"TrueColour16RunLength", 10, 16, "\x10\x7C", "", 0xF8, 0x00, 0x80},
        TgaCase{"TrueColour24RunLength", 10, 24, "\x30\x60\x90", "", 0x90, 0x60, 0x30},
        TgaCase{"TrueColour32RunLength", 10, 32, "\x30\x60\x90\xFF", "", 0x90, 0x60, 0x30},
        TgaCase{"TrueColour24", 2, 24, "\x30\x60\x90", "", 0x90, 0x60, 0x30}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
