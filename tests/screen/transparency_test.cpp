// Pictures with an alpha channel on the page screen, in a real window of
// each colour depth the player may get: the illustration shows the page's
// background through its transparent parts, a transparent background shows
// black, and the element still draws with a blit.
#include "app/startlibrary.h"
#include "book/book.h"
#include "gamepage.h"
#include "init.h"
#include "media/compose.h"
#include "testenv.h"
#include "text/buffers.h"

#include <allegro.h>
#include <loadpng.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

const int BG_R = 40, BG_G = 160, BG_B = 90;

// A 32-bit picture of three upright bands of red, 40 pixels each: alpha 0
// (its colour white, which must not show), 128 and 255.
void writeBandedPicture(const std::string& path, int height)
{
    BITMAP* picture = create_bitmap_ex(32, 120, height);
    ASSERT_TRUE(picture);
    rectfill(picture, 0, 0, 39, height - 1, makeacol32(255, 255, 255, 0));
    rectfill(picture, 40, 0, 79, height - 1, makeacol32(255, 0, 0, 128));
    rectfill(picture, 80, 0, 119, height - 1, makeacol32(255, 0, 0, 255));
    writeFile(path, "");
    ASSERT_EQ(save_png(path.c_str(), picture, nullptr), 0);
    destroy_bitmap(picture);
}

void writeSolidPicture(const std::string& path, int w, int h, int r, int g, int b)
{
    BITMAP* picture = create_bitmap_ex(24, w, h);
    ASSERT_TRUE(picture);
    clear_to_color(picture, makecol24(r, g, b));
    writeFile(path, "");
    ASSERT_EQ(save_png(path.c_str(), picture, nullptr), 0);
    destroy_bitmap(picture);
}

struct Rgb {
    int r, g, b;
};

Rgb pixelAt(BITMAP* bitmap, int x, int y)
{
    const int c = getpixel(bitmap, x, y);
    const int depth = bitmap_color_depth(bitmap);
    return {getr_depth(depth, c), getg_depth(depth, c), getb_depth(depth, c)};
}

// 15- and 16-bit pixels keep 5 or 6 bits of each colour.
void expectNear(Rgb seen, Rgb wanted, const std::string& where)
{
    const int tolerance = 9;
    EXPECT_NEAR(seen.r, wanted.r, tolerance) << where;
    EXPECT_NEAR(seen.g, wanted.g, tolerance) << where;
    EXPECT_NEAR(seen.b, wanted.b, tolerance) << where;
}

class Transparency : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        enterScratchDir("transparency");
        silenceMessageBoxes();
        ASSERT_EQ(startLibrary(), 0) << "no X display?";
        set_uformat(U_UTF8);
        register_png_file_type();
        set_color_depth(GetParam());
        if (set_gfx_mode(GFX_AUTODETECT_WINDOWED, 640, 480, 0, 0) != 0)
            GTEST_SKIP() << "the display offers no " << GetParam() << "-bit window";
        copyCut(book, sizeof book, "books/t");
        writeSolidPicture("books/t/pico/bg.png", 640, 480, BG_R, BG_G, BG_B);
        writeBandedPicture("books/t/pico/bands.png", 60);
        bindPageElements();
        canvas_ = create_bitmap(640, 480);
        ASSERT_TRUE(canvas_);
    }

    void TearDown() override
    {
        freePages();
        if (canvas_)
            destroy_bitmap(canvas_);
    }

    // Reads the book and applies its first page, then draws the background
    // and the illustration the way the dialog manager does.
    void showFirstPage(const std::string& pages)
    {
        writeFile("books/t/pages.dat", pages);
        loadBook();
        ASSERT_FALSE(gamedataPages.empty());
        cur_page = 0;
        ASSERT_EQ(changePage(0), 0);
        clear_to_color(canvas_, makecol(255, 0, 255));
        gui_set_screen(canvas_);
        object_message(background_picture, MSG_DRAW, 0);
        if (!(field_pico_main->flags & D_HIDDEN))
            object_message(field_pico_main, MSG_DRAW, 0);
        gui_set_screen(nullptr);
    }

    BITMAP* canvas_ = nullptr;
};

TEST_P(Transparency, IllustrationShowsTheBackgroundThroughItsTransparentParts)
{
    showFirstPage("default_bg:bg.png;\npage_start:;\npico_name:bands.png;\npage_end:;\n");
    const int x = field_pico_main->x;
    EXPECT_EQ(x, 640 / 2 - 120 / 2);
    const int y = 10 + 30;
    expectNear(pixelAt(canvas_, x + 20, y), {BG_R, BG_G, BG_B}, "transparent band");
    expectNear(pixelAt(canvas_, x + 60, y),
               {(255 * 128 + BG_R * 127) / 255, (BG_G * 127) / 255, (BG_B * 127) / 255},
               "half-transparent band");
    expectNear(pixelAt(canvas_, x + 100, y), {255, 0, 0}, "opaque band");
    expectNear(pixelAt(canvas_, x + 20, 10 + 60 + 5), {BG_R, BG_G, BG_B}, "below the picture");
    // What the element draws is composed in the screen's depth, ready for a blit.
    BITMAP* drawn = static_cast<BITMAP*>(field_pico_main->dp);
    EXPECT_EQ(bitmap_color_depth(drawn), GetParam());
    EXPECT_NE(drawn, gamedataPages[0]->getPico());
}

TEST_P(Transparency, TransparentBackgroundShowsBlack)
{
    writeBandedPicture("books/t/pico/bandsbg.png", 480);
    showFirstPage("default_bg:bandsbg.png;\npage_start:;\npage_end:;\n");
    expectNear(pixelAt(canvas_, 20, 200), {0, 0, 0}, "transparent band");
    expectNear(pixelAt(canvas_, 100, 200), {255, 0, 0}, "opaque band");
}

TEST_P(Transparency, OpaquePicturesAreDrawnAsTheyAre)
{
    writeSolidPicture("books/t/pico/plain.png", 100, 50, 200, 200, 10);
    showFirstPage("default_bg:bg.png;\npage_start:;\npico_name:plain.png;\npage_end:;\n");
    EXPECT_EQ(field_pico_main->dp, gamedataPages[0]->getPico());
    EXPECT_EQ(background_picture->dp, gamedataPages[0]->getBackround());
    EXPECT_FALSE(hasAlpha(gamedataPages[0]->getPico()));
    expectNear(pixelAt(canvas_, 640 / 2, 10 + 25), {200, 200, 10}, "illustration");
}

// A picture wider than its area keeps the place of the one before it; its
// transparent parts show the background at that place.
TEST_P(Transparency, WideIllustrationIsComposedWhereItIsDrawn)
{
    BITMAP* wide = create_bitmap_ex(32, 700, 40);
    ASSERT_TRUE(wide);
    clear_to_color(wide, makeacol32(0, 0, 255, 0));
    rectfill(wide, 0, 0, 9, 39, makeacol32(0, 0, 255, 255));
    writeFile("books/t/pico/wide.png", "");
    ASSERT_EQ(save_png("books/t/pico/wide.png", wide, nullptr), 0);
    destroy_bitmap(wide);
    field_pico_main->x = 10;
    showFirstPage("default_bg:bg.png;\npage_start:;\npico_name:wide.png;\npage_end:;\n");
    EXPECT_EQ(field_pico_main->x, 10);
    expectNear(pixelAt(canvas_, 15, 30), {0, 0, 255}, "opaque edge");
    expectNear(pixelAt(canvas_, 300, 30), {BG_R, BG_G, BG_B}, "transparent middle");
    EXPECT_EQ(static_cast<BITMAP*>(field_pico_main->dp)->w, ILLUSTRATION_AREA_W);
}

INSTANTIATE_TEST_SUITE_P(Depths, Transparency, ::testing::Values(16, 32, 15, 24),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::to_string(info.param) + "bit";
                         });

} // namespace
