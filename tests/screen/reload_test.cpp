// F5 on the page screen, in a real window: the book is read again after
// its author edits it, the same page shows (or page 1 when it is gone), and
// a book that now fails to load is named in an alert while the open book
// stays.
#include "assets.h"
#include "book/reload.h"
#include "gamepage.h"
#include "init.h"
#include "media/media.h"
#include "scriptedinput.h"
#include "testenv.h"
#include "text/buffers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string bg = "default_bg:bg.png;\n";

class Reload : public ::testing::Test {
protected:
    void SetUp() override
    {
        enterScratchDir("reload");
        ASSERT_TRUE(startLibraryInWindow()) << "no window: is an X display set?";
        copyCut(book, sizeof book, "books/t");
        putPicture("books/t/pico/bg.png", 640, 480, 200, 40, 40);
    }
    void TearDown() override { freePages(); }
};

// Steps that press F5 and let it go a few passes later.
void pressF5(std::vector<MouseStep>& script)
{
    script.push_back(then([] { key[KEY_F5] = 1; }));
    script.push_back(idle(5));
    script.push_back(then([] { key[KEY_F5] = 0; }));
}

const char* roomOnScreen()
{
    if (gamedataPages.empty() || cur_page < 0 || cur_page >= static_cast<int>(gamedataPages.size()))
        return "";
    const char* name = gamedataPages[cur_page]->roomName;
    return name ? name : "";
}

// The red of the background the page on screen shows.
int backgroundRed()
{
    BITMAP* background = static_cast<BITMAP*>(dialogGamePage[0].dp);
    return getr_depth(bitmap_color_depth(background), getpixel(background, 5, 5));
}

TEST_F(Reload, F5ReadsTheEditedBookAndKeepsItWhenItFails)
{
    writeFile("books/t/pages.dat", bg + pageOf("room_name:one;\nbut1_text:on;\n")
                                       + pageOf("room_name:two;\nbut1_text:on;\n"));
    std::vector<MouseStep> script;
    script.push_back(when([] { return std::string(roomOnScreen()) == "one"; }, nullptr));
    script.push_back(idle(10)); // the button places itself when drawn
    append(script, clickOn(&dialogGamePage[3]));
    script.push_back(when([] { return std::string(roomOnScreen()) == "two"; }, [] {
        writeFile("books/t/pages.dat", bg + pageOf("room_name:one;\nbut1_text:on;\n")
                                           + pageOf("room_name:two, edited;\nbut1_text:on;\n"));
        putPicture("books/t/pico/bg.png", 640, 480, 40, 200, 40);
    }));
    pressF5(script);
    int redAfterEdit = -1;
    int pageAfterEdit = -1;
    script.push_back(when([] { return std::string(roomOnScreen()) == "two, edited"; }, [&] {
        pageAfterEdit = cur_page;
        redAfterEdit = backgroundRed();
        // The page on screen is taken out of the book.
        writeFile("books/t/pages.dat", bg + pageOf("room_name:only;\nbut1_text:on;\n"));
    }));
    pressF5(script);
    bool backToPageOne = false;
    script.push_back(when([] { return std::string(roomOnScreen()) == "only"; }, [&] {
        backToPageOne = cur_page == 0 && gamedataPages.size() == 1;
        writeFile("books/t/pages.dat",
                  bg + pageOf("room_name:broken;\npico_name:absent.png;\nbut1_text:on;\n"));
    }));
    pressF5(script);
    bool told = false;
    script.push_back(when([] { return alertShowing("The book was not read again:"); }, [&] {
        told = alertShowing("books/t/pages.dat:4")
               && alertShowing("pico_name \"books/t/pico/absent.png\" cannot be loaded");
        pressKey(KEY_ENTER, 13);
    }));
    std::string afterFailure;
    script.push_back(when([] { return !alertShowing("The book was not read again:"); },
                          [&] { afterFailure = roomOnScreen(); }));
    script.push_back(idle(10));
    append(script, clickOn(&dialogGamePage[6])); // Menu
    playMouse(script);

    EXPECT_EQ(gamePage(), 0);
    EXPECT_EQ(pageAfterEdit, 1);
    EXPECT_NEAR(redAfterEdit, 40, 8) << "the edited background is decoded anew";
    EXPECT_TRUE(backToPageOne);
    EXPECT_TRUE(told);
    EXPECT_EQ(afterFailure, "only");
    EXPECT_EQ(heldPictureCount(), 0u);
}

} // namespace
