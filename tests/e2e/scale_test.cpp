// The real player on displays of other sizes than the shared test display:
// a 1920 x 1080 one, where it opens at scale 2 or fills the screen, and a
// 1024 x 768 one, where it keeps its 640 x 480 window. Each test runs its
// own Xvfb. Screenshots are compared whole: at scale 2 every pixel of the
// scale-1 picture must show as a 2 x 2 block. They are kept under the build
// folder's screenshots/ for a person to look at.
#include "app/report.h"
#include "screens.h"
#include "testenv.h"
#include "virtualdisplay.h"
#include "xplayer.h"

#include <allegro.h>
#include <loadpng.h>
#include <X11/keysym.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace fs = std::filesystem;

namespace {

const int MIDDLE_X = 320; // the second choice, in the middle
// The one button of the about box and of the end-of-book alert, in the
// middle of the picture, where the library centres the alert.
const int ALERT_OK_X = 320, ALERT_OK_Y = 275;

// Where the logical picture sits in a screenshot.
struct Frame {
    int x = 0, y = 0, scale = 1;
};

Screenshot logicalView(const Screenshot& shot, const Frame& frame)
{
    return logicalView(shot, frame.x, frame.y, frame.scale);
}

// Pixels of `scaled` inside `frame` that differ from the block their logical
// pixel in `reference` (a scale-1 screenshot) gives; the whole picture is
// compared.
int pixelsOffTheBlocks(const Screenshot& scaled, const Frame& frame, const Screenshot& reference)
{
    int off = 0;
    for (int y = 0; y < 480 * frame.scale; ++y)
        for (int x = 0; x < 640 * frame.scale; ++x) {
            const std::size_t at = static_cast<std::size_t>(frame.y + y) * scaled.w + frame.x + x;
            off += scaled.pixels[at]
                   != reference.pixels[static_cast<std::size_t>(y / frame.scale) * 640
                                       + x / frame.scale];
        }
    return off;
}

// Pixels of `part` that differ from `shot` where `part` would stand at (x0, y0).
int pixelsDiffering(const Screenshot& shot, int x0, int y0, const Screenshot& part)
{
    int off = 0;
    for (int y = 0; y < part.h; ++y)
        for (int x = 0; x < part.w; ++x)
            off += shot.pixels[static_cast<std::size_t>(y0 + y) * shot.w + x0 + x]
                   != part.pixels[static_cast<std::size_t>(y) * part.w + x];
    return off;
}

// Pixels of `shot` outside `frame` that are not black.
int litBorderPixels(const Screenshot& shot, const Frame& frame)
{
    int lit = 0;
    for (int y = 0; y < shot.h; ++y)
        for (int x = 0; x < shot.w; ++x) {
            const bool inside = x >= frame.x && x < frame.x + 640 * frame.scale && y >= frame.y
                                && y < frame.y + 480 * frame.scale;
            lit += !inside && shot.pixels[static_cast<std::size_t>(y) * shot.w + x] != 0;
        }
    return lit;
}

// Some page of a book: its grey Menu button and a room name.
bool showsAPage(const Screenshot& logical)
{
    return near(logical.at(MENU_BUTTON_X - 30, 12), {225, 225, 225})
           && darkPixels(logical, 5, 5, 200, 20) > 20;
}

class Scale : public ::testing::Test {
protected:
    void SetUp() override
    {
        startLibraryWithoutDisplay();
        set_color_depth(24);
        work = enterScratchDir("scale");
        fs::copy(QUORVEL_DEMO_DIR, work, fs::copy_options::recursive);
        writeFile(".asoundrc", "pcm.!default { type null }\n");
        setenv("HOME", work.c_str(), 1);
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        shots = std::string(QUORVEL_BUILD_DIR) + "/screenshots/" + test->name();
        fs::remove_all(shots);
        fs::create_directories(shots);
    }

    void TearDown() override
    {
        player.reset(); // before its X server goes
        server.reset();
    }

    void startServer(int w, int h)
    {
        server = std::make_unique<VirtualDisplay>(w, h);
        ASSERT_TRUE(server->ready()) << "Xvfb did not start";
    }

    // Starts the player with the demo's settings and `extra` lines, and
    // waits for its title menu at `atFrame` (in the window, or on the whole
    // display when `fullScreen`).
    void startPlayer(const std::string& extra, const Frame& atFrame, bool fullScreen = false)
    {
        writeFile(work + "/ini.dat", "book:demo;\nmain_bg:title.png;\n" + extra);
        frame = atFrame;
        player = std::make_unique<XPlayer>();
        log = work + "/player.log";
        ASSERT_TRUE(player->start(QUORVEL_PROGRAM, work, log));
        player->aimAtWholeDisplay(fullScreen);
        player->showsPixelsAs(atFrame.scale);
        if (!fullScreen) {
            ASSERT_TRUE(player->waitForWindow(20)) << readFile(log);
        }
        ASSERT_TRUE(awaitTitle("title")) << readFile(log);
    }

    bool awaitTitle(const std::string& name)
    {
        const Reference picture(work + "/pico/title.png");
        return await(name, [&](const Screenshot& s) { return showsTitle(s, picture); });
    }

    // Waits for a screen whose logical picture (within `frame`) `ready`
    // recognises, and for it to stand still for a tenth of a second (the
    // library sends what it draws to the X server in the background, a
    // moment later); keeps it under `name`.
    bool await(const std::string& name, const std::function<bool(const Screenshot&)>& ready)
    {
        Screenshot previous;
        auto since = std::chrono::steady_clock::now();
        const bool seen = player->waitForScreen(
            [&](const Screenshot& s) {
                const Screenshot logical = logicalView(s, frame);
                const auto now = std::chrono::steady_clock::now();
                if (s.w != previous.w || s.pixels != previous.pixels) {
                    previous = s;
                    since = now;
                    return false;
                }
                return logical.w && ready(logical) && now - since >= std::chrono::milliseconds(100);
            },
            15, last);
        last.save(shots + "/" + std::to_string(++shotCount) + "-" + name + ".png");
        return seen;
    }

    void clickAt(int logicalX, int logicalY)
    {
        player->click(frame.x + logicalX * frame.scale + frame.scale / 2,
                      frame.y + logicalY * frame.scale + frame.scale / 2);
    }

    void quit()
    {
        clickAt(MENU_X, QUIT_Y);
        EXPECT_EQ(player->waitForExit(10), EXIT_QUIT) << readFile(log);
    }

    std::string work, shots, log;
    std::unique_ptr<VirtualDisplay> server;
    std::unique_ptr<XPlayer> player;
    Frame frame;
    Screenshot last;
    int shotCount = 0;
};

const Frame WINDOW_1{0, 0, 1}, WINDOW_2{0, 0, 2}, FULL_1920{320, 60, 2};

TEST_F(Scale, OnA1024x768DisplayTheWindowStays640x480)
{
    ASSERT_NO_FATAL_FAILURE(startServer(1024, 768));
    ASSERT_NO_FATAL_FAILURE(startPlayer("", WINDOW_1));
    int w = 0, h = 0;
    ASSERT_TRUE(player->windowSize(w, h));
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    quit();
}

// The title and the first page at scale 2 are the scale-1 ones with every
// pixel doubled; Start and Menu answer clicks at scaled places.
TEST_F(Scale, AutoOn1920x1080IsScale2AndEachPixelABlock)
{
    ASSERT_NO_FATAL_FAILURE(startServer(1920, 1080));
    ASSERT_NO_FATAL_FAILURE(startPlayer("scale:1;\n", WINDOW_1));
    const Screenshot title1 = last;
    clickAt(MENU_X, START_Y);
    ASSERT_TRUE(await("page-scale-1", showsAPage));
    const Screenshot page1 = last;
    clickAt(MENU_BUTTON_X, MENU_BUTTON_Y);
    ASSERT_TRUE(awaitTitle("title-again"));
    quit();

    ASSERT_NO_FATAL_FAILURE(startPlayer("", WINDOW_2));
    int w = 0, h = 0;
    ASSERT_TRUE(player->windowSize(w, h));
    EXPECT_EQ(w, 1280);
    EXPECT_EQ(h, 960);
    EXPECT_EQ(pixelsOffTheBlocks(last, frame, title1), 0);
    clickAt(MENU_X, START_Y);
    ASSERT_TRUE(await("page-scale-2", showsAPage));
    EXPECT_EQ(pixelsOffTheBlocks(last, frame, page1), 0);
    clickAt(MENU_BUTTON_X, MENU_BUTTON_Y);
    ASSERT_TRUE(awaitTitle("title-after-menu"));
    quit();
}

// The about box at scale 2 is the scale-1 one doubled, centred on the
// picture; About and the box's button answer clicks at scaled places.
TEST_F(Scale, AboutAndItsButtonAnswerScaledClicks)
{
    ASSERT_NO_FATAL_FAILURE(startServer(1920, 1080));
    Screenshot about1, after1;
    for (const Frame& window : {WINDOW_1, WINDOW_2}) {
        const std::string scale = std::to_string(window.scale);
        ASSERT_NO_FATAL_FAILURE(startPlayer("scale:" + scale + ";\n", window));
        const Screenshot menu = logicalView(last, frame);
        clickAt(MENU_X, ABOUT_Y);
        ASSERT_TRUE(await("about-scale-" + scale,
                          [&](const Screenshot& s) { return boxCoversTheMiddle(s, menu); }));
        if (window.scale == 1)
            about1 = last;
        else
            EXPECT_EQ(pixelsOffTheBlocks(last, frame, about1), 0);
        clickAt(ALERT_OK_X, ALERT_OK_Y);
        ASSERT_TRUE(awaitTitle("title-after-about-scale-" + scale));
        if (window.scale == 1)
            after1 = last;
        else
            EXPECT_EQ(pixelsOffTheBlocks(last, frame, after1), 0);
        quit();
    }
}

// A choice clicked at its scaled place leads where that choice leads (the
// middle one to the night page), and the end-of-book alert's button answers
// a click at its place in the middle of the picture.
TEST_F(Scale, AChoiceAndTheEndOfBookAlertAnswerScaledClicks)
{
    writeFile(work + "/books/demo/pages.dat",
              "default_bg:forest.png;\n"
              "page_start:;\nroom_name:One;\nbut1_text:Right;\nbut1_goto:2;\n"
              "but2_text:Middle;\nbut2_goto:3;\nbut3_text:Left;\nbut3_goto:9;\npage_end:;\n"
              "page_start:;\nroom_name:Two;\nbut1_text:Back;\nbut1_goto:1;\npage_end:;\n"
              "default_bg:night.png;\n"
              "page_start:;\nroom_name:Three;\nbut1_text:On;\nbut1_goto:9;\npage_end:;\n");
    const Reference forest(work + "/books/demo/pico/forest.png");
    const Reference night(work + "/books/demo/pico/night.png");
    ASSERT_NO_FATAL_FAILURE(startServer(1920, 1080));
    ASSERT_NO_FATAL_FAILURE(startPlayer("scale:2;\n", WINDOW_2));
    clickAt(MENU_X, START_Y);
    ASSERT_TRUE(await("one", [&](const Screenshot& s) {
        return showsAPage(s) && shows(s, forest, 20, 40, 620, 330);
    }));
    clickAt(MIDDLE_X, CHOICE_CLICK_Y);
    ASSERT_TRUE(await("three", [&](const Screenshot& s) {
        return showsAPage(s) && shows(s, night, 20, 40, 620, 330);
    }));
    const Screenshot three = logicalView(last, frame);
    clickAt(FIRST_X, CHOICE_CLICK_Y);
    ASSERT_TRUE(
        await("the-end", [&](const Screenshot& s) { return boxCoversTheMiddle(s, three); }));
    clickAt(ALERT_OK_X, ALERT_OK_Y);
    ASSERT_TRUE(awaitTitle("title-after-the-end"));
    quit();
}

TEST_F(Scale, FullScreenCentresThePictureInBlack)
{
    ASSERT_NO_FATAL_FAILURE(startServer(1920, 1080));
    ASSERT_NO_FATAL_FAILURE(startPlayer("scale:1;\n", WINDOW_1));
    const Screenshot title1 = last;
    quit();

    ASSERT_NO_FATAL_FAILURE(startPlayer("windowed:NO;\n", FULL_1920, true));
    ASSERT_EQ(last.w, 1920);
    ASSERT_EQ(last.h, 1080);
    EXPECT_EQ(pixelsOffTheBlocks(last, frame, title1), 0);
    EXPECT_EQ(litBorderPixels(last, frame), 0);
    clickAt(MENU_X, START_Y);
    ASSERT_TRUE(await("page", showsAPage));
    EXPECT_EQ(litBorderPixels(last, frame), 0);
    clickAt(MENU_BUTTON_X, MENU_BUTTON_Y);
    ASSERT_TRUE(awaitTitle("title-again"));
    quit();
}

// F11 on a page: full screen shows the same page; F11 again brings the
// window back at its scale, still on that page, and it answers clicks.
TEST_F(Scale, F11SwitchesToFullScreenAndBackOnThePage)
{
    ASSERT_NO_FATAL_FAILURE(startServer(1920, 1080));
    ASSERT_NO_FATAL_FAILURE(startPlayer("scale:2;\n", WINDOW_2));
    clickAt(MENU_X, START_Y);
    ASSERT_TRUE(await("page", showsAPage));
    const Screenshot page = last;

    player->pressKey(XK_F11);
    player->aimAtWholeDisplay(true);
    frame = FULL_1920;
    ASSERT_TRUE(await("full-screen", showsAPage));
    EXPECT_EQ(litBorderPixels(last, frame), 0);
    EXPECT_EQ(pixelsDiffering(last, 320, 60, page), 0)
        << "full screen shows another picture than the window did";

    player->pressKey(XK_F11);
    player->aimAtWholeDisplay(false);
    frame = WINDOW_2;
    ASSERT_TRUE(await("window-again", showsAPage));
    ASSERT_EQ(last.w, 1280);
    EXPECT_EQ(pixelsDiffering(last, 0, 0, page), 0) << "the window came back with another picture";

    const Screenshot before = logicalView(last, frame);
    clickAt(FIRST_X, CHOICE_CLICK_Y);
    ASSERT_TRUE(await("next-page", [&](const Screenshot& s) {
        return showsAPage(s) && s.pixels != before.pixels;
    }));
    clickAt(MENU_BUTTON_X, MENU_BUTTON_Y);
    ASSERT_TRUE(awaitTitle("title"));
    quit();
}

} // namespace
