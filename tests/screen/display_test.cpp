// The logical screen on a display of its own: how large the window is, what
// reaches the display and when, where the mouse lands, and switching
// between window and full screen. The player starts as it does for a reader
// (init() on a working directory with font.dat and ini.dat), on a
// 1920 x 1080 virtual display.
#include "app/startlibrary.h"
#include "init.h"
#include "screen/display.h"
#include "testenv.h"
#include "virtualdisplay.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <thread>

namespace {

// The player started as for a reader, on a 1920 x 1080 display of its own,
// with `settings` as its ini.dat.
class Display : public ::testing::Test {
protected:
    void startPlayer(const std::string& settings, const StartupChoices& choices = {})
    {
        server = std::make_unique<VirtualDisplay>(1920, 1080);
        ASSERT_TRUE(server->ready()) << "Xvfb did not start";
        silenceMessageBoxes();
        ASSERT_EQ(startLibrary(), 0) << allegro_error;
        const std::string dir = enterScratchDir("display");
        // Samples really play, silently, when ALSA's default device is null.
        writeFile(".asoundrc", "pcm.!default { type null }\n");
        setenv("HOME", dir.c_str(), 1);
        copyFile(std::string(QUORVEL_DEMO_DIR) + "/font.dat", "font.dat");
        writeFile("ini.dat", settings);
        init(choices);
    }

    void TearDown() override
    {
        done();
        allegro_exit(); // while its X server still runs
    }

    // Logical pixels whose block on the display differs from them; the
    // whole picture is compared.
    static int misplacedPixels()
    {
        const Placement p = currentPlacement();
        int wrong = 0;
        for (int y = 0; y < LOGICAL_H; ++y)
            for (int x = 0; x < LOGICAL_W; ++x) {
                const int c = getpixel(doubleBuffer, x, y);
                bool same = true;
                for (int dy = 0; dy < p.scale; ++dy)
                    for (int dx = 0; dx < p.scale; ++dx)
                        same = same
                               && getpixel(screen, p.x + x * p.scale + dx,
                                           p.y + y * p.scale + dy) == c;
                wrong += !same;
            }
        return wrong;
    }

    // Display pixels outside the picture that are not black.
    static int litBorderPixels()
    {
        const Placement p = currentPlacement();
        const int right = p.x + LOGICAL_W * p.scale, bottom = p.y + LOGICAL_H * p.scale;
        int lit = 0;
        for (int y = 0; y < SCREEN_H; ++y)
            for (int x = 0; x < SCREEN_W; ++x) {
                const bool inside = x >= p.x && x < right && y >= p.y && y < bottom;
                lit += !inside && getpixel(screen, x, y) != makecol(0, 0, 0);
            }
        return lit;
    }

    // A picture that shows where each part went: bands of colour down the
    // rows, a different tint across the columns.
    static void paintPattern()
    {
        for (int y = 0; y < LOGICAL_H; y += 16)
            for (int x = 0; x < LOGICAL_W; x += 32)
                rectfill(doubleBuffer, x, y, x + 31, y + 15,
                         makecol(y * 255 / LOGICAL_H, x * 255 / LOGICAL_W, (x + y) % 256));
    }

    // Holds `scancodes` down for one pass of the display's work, then lets
    // them go for another.
    static void press(std::initializer_list<int> scancodes)
    {
        for (int code : scancodes)
            key[code] = 1;
        serviceDisplay();
        for (int code : scancodes)
            key[code] = 0;
        serviceDisplay();
    }

    std::unique_ptr<VirtualDisplay> server;
};

TEST_F(Display, AutoGivesA1280x960WindowOn1920x1080)
{
    startPlayer("windowed:YES;\n");
    EXPECT_EQ(SCREEN_W, 1280);
    EXPECT_EQ(SCREEN_H, 960);
    EXPECT_FALSE(isFullScreen());
    EXPECT_EQ(bitmap_color_depth(doubleBuffer), bitmap_color_depth(screen));
    EXPECT_EQ(doubleBuffer->w, 640);
    EXPECT_EQ(doubleBuffer->h, 480);
}

TEST_F(Display, TheScaleSettingSizesTheWindow)
{
    startPlayer("scale:1;\n");
    EXPECT_EQ(SCREEN_W, 640);
    EXPECT_EQ(SCREEN_H, 480);
}

TEST_F(Display, TheCommandLinesScaleWinsOverTheSetting)
{
    StartupChoices choices;
    choices.scale = 1;
    startPlayer("scale:2;\n", choices);
    EXPECT_EQ(SCREEN_W, 640);
    EXPECT_EQ(SCREEN_H, 480);
}

TEST_F(Display, AScaleThatIsNoScaleLeavesAuto)
{
    startPlayer("scale:3x;\n");
    EXPECT_EQ(window_scale, SCALE_AUTO);
    EXPECT_EQ(SCREEN_W, 1280);
}

TEST_F(Display, FullScreenFillsTheDisplayWithThePictureCentred)
{
    startPlayer("windowed:NO;\n");
    paintPattern();
    serviceDisplay();
    ASSERT_TRUE(isFullScreen());
    EXPECT_EQ(SCREEN_W, 1920);
    EXPECT_EQ(SCREEN_H, 1080);
    const Placement p = currentPlacement();
    EXPECT_EQ(p.scale, 2);
    EXPECT_EQ(p.x, 320);
    EXPECT_EQ(p.y, 60);
    EXPECT_EQ(misplacedPixels(), 0);
    EXPECT_EQ(litBorderPixels(), 0);
}

// One way of drawing on the logical screen.
struct Drawing {
    const char* name;
    std::function<void(BITMAP*)> draw;
};

void PrintTo(const Drawing& d, std::ostream* os)
{
    *os << d.name;
}

class DrawingReachesTheDisplay : public Display,
                                 public ::testing::WithParamInterface<Drawing> {};

// A 60 x 40 picture in one colour with a magenta (transparent) corner.
BITMAP* makeSprite(int depth)
{
    BITMAP* sprite = create_bitmap_ex(depth, 60, 40);
    clear_to_color(sprite, makecol_depth(depth, 250, 120, 0));
    rectfill(sprite, 0, 0, 19, 19, bitmap_mask_color(sprite));
    return sprite;
}

TEST_P(DrawingReachesTheDisplay, AtTheNextPassAndInEveryRowItTouched)
{
    startPlayer("scale:2;\n");
    paintPattern();
    presentAll();
    ASSERT_EQ(misplacedPixels(), 0);

    BITMAP* before = create_bitmap(LOGICAL_W, LOGICAL_H);
    blit(doubleBuffer, before, 0, 0, 0, 0, LOGICAL_W, LOGICAL_H);
    GetParam().draw(doubleBuffer);
    int changed = 0;
    for (int y = 0; y < LOGICAL_H; ++y)
        for (int x = 0; x < LOGICAL_W; ++x)
            changed += getpixel(before, x, y) != getpixel(doubleBuffer, x, y);
    destroy_bitmap(before);
    ASSERT_GT(changed, 0) << "the drawing drew nothing";

    serviceDisplay();
    EXPECT_EQ(misplacedPixels(), 0);
}

char buttonLabel[] = "Go on";
char boxText[] = "A path leads into the trees, and on, and on, past the owl's oak.";

INSTANTIATE_TEST_SUITE_P(
    Ways, DrawingReachesTheDisplay,
    ::testing::Values(
        Drawing{"text", [](BITMAP* b) {
                    textout_ex(b, font, "Книга: books/demo", 200, 5, makecol(32, 32, 32), -1);
                }},
        Drawing{"filled_box", [](BITMAP* b) { rectfill(b, 30, 200, 600, 260, makecol(1, 2, 3)); }},
        Drawing{"clear", [](BITMAP* b) { clear_to_color(b, makecol(0, 0, 0)); }},
        Drawing{"picture", [](BITMAP* b) {
                    BITMAP* s = makeSprite(bitmap_color_depth(b));
                    blit(s, b, 0, 0, 300, 420, 60, 40);
                    destroy_bitmap(s);
                }},
        Drawing{"masked_picture", [](BITMAP* b) {
                    BITMAP* s = makeSprite(bitmap_color_depth(b));
                    masked_blit(s, b, 0, 0, 100, 100, 60, 40);
                    destroy_bitmap(s);
                }},
        Drawing{"sprite", [](BITMAP* b) {
                    BITMAP* s = makeSprite(bitmap_color_depth(b));
                    draw_sprite(b, s, 500, 300);
                    destroy_bitmap(s);
                }},
        Drawing{"mirrored_sprite", [](BITMAP* b) {
                    BITMAP* s = makeSprite(bitmap_color_depth(b));
                    draw_sprite_h_flip(b, s, 10, 50);
                    draw_sprite_v_flip(b, s, 110, 150);
                    draw_sprite_vh_flip(b, s, 210, 250);
                    destroy_bitmap(s);
                }},
        Drawing{"translucent_sprite", [](BITMAP* b) {
                    BITMAP* s = makeSprite(bitmap_color_depth(b));
                    set_trans_blender(0, 0, 0, 128);
                    draw_trans_sprite(b, s, 400, 30);
                    draw_lit_sprite(b, s, 400, 130, 200);
                    destroy_bitmap(s);
                }},
        Drawing{"sprite_with_alpha", [](BITMAP* b) {
                    BITMAP* s = create_bitmap_ex(32, 60, 40);
                    clear_to_color(s, makeacol32(0, 90, 250, 160));
                    set_alpha_blender();
                    draw_trans_sprite(b, s, 40, 380);
                    destroy_bitmap(s);
                }},
        Drawing{"on_a_part_of_it", [](BITMAP* b) {
                    BITMAP* part = create_sub_bitmap(b, 100, 300, 200, 100);
                    rectfill(part, 10, 10, 150, 60, makecol(200, 0, 200));
                    destroy_bitmap(part);
                }},
        Drawing{"button", [](BITMAP*) {
                    DIALOG button = {d_button_proc, 540, 340, 92, 22, 0, makecol(225, 225, 225),
                                     0, 0, 0, 0, buttonLabel, nullptr, nullptr};
                    object_message(&button, MSG_DRAW, 0);
                }},
        Drawing{"text_box", [](BITMAP*) {
                    DIALOG box = {d_textbox_proc, 10, 370, 620, 100, 0, makecol(225, 225, 225),
                                  0, 0, 0, 0, boxText, nullptr, nullptr};
                    object_message(&box, MSG_DRAW, 0);
                }}),
    [](const ::testing::TestParamInfo<Drawing>& info) { return std::string(info.param.name); });

TEST_F(Display, AnIdlePassCopiesNothingAndADrawingOnlyItsRows)
{
    startPlayer("scale:2;\n");
    paintPattern();
    presentAll();
    // Marks put straight on the display, in rows the next drawing leaves
    // alone: a copy of anything but that drawing's rows would cover them.
    const int mark = makecol(255, 255, 255);
    putpixel(screen, 11, 3, mark);
    putpixel(screen, 700, 900, mark);
    serviceDisplay();
    EXPECT_EQ(getpixel(screen, 11, 3), mark);
    EXPECT_EQ(getpixel(screen, 700, 900), mark);

    hline(doubleBuffer, 0, 240, 639, makecol(0, 0, 255));
    serviceDisplay();
    EXPECT_EQ(getpixel(screen, 11, 3), mark);
    EXPECT_EQ(getpixel(screen, 700, 900), mark);
    EXPECT_EQ(getpixel(screen, 5, 480), makecol(0, 0, 255));
    EXPECT_EQ(getpixel(screen, 1279, 481), makecol(0, 0, 255));
}

// Moves the system's pointer and waits until the library has seen it.
bool movePointer(int x, int y)
{
    position_mouse(x, y);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (mouse_x != x || mouse_y != y) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

TEST_F(Display, TheDialogManagerSeesTheMouseInLogicalPixels)
{
    startPlayer("scale:2;\n");
    const struct {
        int x, y, logicalX, logicalY;
    } points[] = {{0, 0, 0, 0}, {1, 1, 0, 0}, {648, 312, 324, 156}, {1279, 959, 639, 479}};
    for (const auto& p : points) {
        ASSERT_TRUE(movePointer(p.x, p.y)) << p.x << ", " << p.y;
        EXPECT_EQ(gui_mouse_x(), p.logicalX) << p.x;
        EXPECT_EQ(gui_mouse_y(), p.logicalY) << p.y;
    }
}

TEST_F(Display, F11SwitchesToFullScreenAndBackKeepingThePicture)
{
    startPlayer("scale:2;\n");
    paintPattern();
    serviceDisplay();

    press({KEY_F11});
    ASSERT_TRUE(isFullScreen());
    EXPECT_EQ(SCREEN_W, 1920);
    EXPECT_EQ(SCREEN_H, 1080);
    EXPECT_EQ(misplacedPixels(), 0);
    EXPECT_EQ(litBorderPixels(), 0);

    press({KEY_F11});
    ASSERT_FALSE(isFullScreen());
    EXPECT_EQ(SCREEN_W, 1280);
    EXPECT_EQ(SCREEN_H, 960);
    EXPECT_EQ(misplacedPixels(), 0);
}

// A tap that went down and up between two passes, as the keyboard reports
// it to the library, still switches: once per tap.
TEST_F(Display, ATapShorterThanAPassStillSwitches)
{
    startPlayer("scale:2;\n");
    ASSERT_NE(keyboard_lowlevel_callback, nullptr);
    const auto tap = [](std::initializer_list<int> scancodes) {
        for (int code : scancodes)
            keyboard_lowlevel_callback(code);
        for (int code : scancodes)
            keyboard_lowlevel_callback(code | 0x80);
    };
    tap({KEY_F11});
    serviceDisplay();
    EXPECT_TRUE(isFullScreen());
    tap({KEY_F11});
    serviceDisplay();
    EXPECT_FALSE(isFullScreen());

    key[KEY_LCONTROL] = 1; // held while the minus is tapped
    tap({KEY_MINUS});
    key[KEY_LCONTROL] = 0;
    serviceDisplay();
    EXPECT_EQ(SCREEN_W, 640);
    tap({KEY_EQUALS}); // without Ctrl: a key like any other
    serviceDisplay();
    EXPECT_EQ(SCREEN_W, 640);
}

// Switching sets a new graphics mode; the sound service is not touched.
TEST_F(Display, ASoundPlaysOnThroughSwitches)
{
    startPlayer("scale:2;\n");
    SAMPLE* tone = create_sample(16, FALSE, 22050, 22050);
    ASSERT_NE(tone, nullptr);
    const int voice = play_sample(tone, 255, 128, 1000, TRUE);
    ASSERT_GE(voice, 0) << "no voice: is the silent ALSA device there?";
    press({KEY_F11});
    press({KEY_F11});
    press({KEY_LCONTROL, KEY_MINUS});
    EXPECT_EQ(voice_check(voice), tone);
    stop_sample(tone);
    destroy_sample(tone);
}

TEST_F(Display, CtrlMinusAndPlusChangeTheWindowsScaleWithinTheDesktop)
{
    startPlayer("scale:2;\n");
    paintPattern();
    serviceDisplay();

    press({KEY_LCONTROL, KEY_MINUS});
    EXPECT_EQ(SCREEN_W, 640);
    EXPECT_EQ(misplacedPixels(), 0);
    press({KEY_LCONTROL, KEY_MINUS}); // 1 is the smallest
    EXPECT_EQ(SCREEN_W, 640);
    press({KEY_RCONTROL, KEY_EQUALS});
    EXPECT_EQ(SCREEN_W, 1280);
    EXPECT_EQ(misplacedPixels(), 0);
    press({KEY_LCONTROL, KEY_PLUS_PAD}); // 3 would not fit 1920 x 1080
    EXPECT_EQ(SCREEN_W, 1280);
    press({KEY_MINUS}); // without Ctrl: a key like any other
    EXPECT_EQ(SCREEN_W, 1280);
}

TEST_F(Display, FullScreenKeepsItsScaleAndReturnsToTheWindowsScale)
{
    startPlayer("scale:1;\n");
    press({KEY_F11});
    ASSERT_TRUE(isFullScreen());
    press({KEY_LCONTROL, KEY_EQUALS});
    EXPECT_EQ(currentPlacement().scale, 2);
    EXPECT_EQ(SCREEN_W, 1920);
    press({KEY_F11});
    EXPECT_EQ(SCREEN_W, 640);
}

} // namespace
