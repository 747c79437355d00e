// A choice that leads to a page by its name, on the page screen in a real
// window.
#include "assets.h"
#include "book/book.h"
#include "gamepage.h"
#include "init.h"
#include "scriptedinput.h"
#include "testenv.h"
#include "text/buffers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string page(const std::string& lines, const std::string& name = "")
{
    return "page_start:" + name + ";\n" + lines + "page_end:;\n";
}

const std::string bg = "default_bg:bg.png;\n";

class NamedPagesOnScreen : public ::testing::Test {
protected:
    void SetUp() override
    {
        enterScratchDir("named-screen");
        ASSERT_TRUE(startLibraryInWindow()) << "no window: is an X display set?";
        copyCut(book, sizeof book, "books/t");
        putPicture("books/t/pico/bg.png", 64, 48, 40, 120, 60);
    }
    void TearDown() override { freePages(); }
};

TEST_F(NamedPagesOnScreen, AChoiceByNameReachesThatPage)
{
    writeFile("books/t/pages.dat",
              bg + page("but1_text:on;\nbut2_text:to the cellar;\nbut2_goto:cellar;\n", "hall")
                  + page("room_name:attic;\n")
                  + page("room_name:cellar;\nbut3_text:up;\nbut3_goto:hall;\n", "cellar"));
    DIALOG* const secondChoice = &dialogGamePage[4];
    DIALOG* const thirdChoice = &dialogGamePage[5];
    DIALOG* const menuButton = &dialogGamePage[6];
    std::vector<MouseStep> script;
    std::vector<std::string> shown;
    auto onPage = [&](int index) {
        script.push_back(when([=] { return cur_page == index && !gamedataPages.empty(); },
                              [&] { shown.push_back(gamedataPages[cur_page]->pageName); }));
        script.push_back(idle(10)); // the buttons place themselves when drawn
    };
    onPage(0);
    append(script, clickOn(secondChoice));
    onPage(2);
    append(script, clickOn(thirdChoice));
    onPage(0);
    append(script, clickOn(menuButton));
    playMouse(script);
    EXPECT_EQ(gamePage(), 0);
    EXPECT_EQ(shown, (std::vector<std::string>{"hall", "cellar", "hall"}));
}

} // namespace
