// Reading the open book again (book/reload.h): a reading that fails puts
// the open book and its values back, and says where and what failed.
#include "assets.h"
#include "book/book.h"
#include "book/reload.h"
#include "gamepage.h"
#include "init.h"
#include "testenv.h"
#include "text/buffers.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

const std::string bg = "default_bg:bg.png;\n";

class Reload : public ::testing::Test {
protected:
    void SetUp() override
    {
        enterScratchDir("reload");
        startLibraryWithoutDisplay();
        set_color_depth(32);
        copyCut(book, sizeof book, "books/t");
        putPicture("books/t/pico/bg.png", 640, 480, 200, 40, 40);
    }
    void TearDown() override { freePages(); }
};

TEST_F(Reload, AFailedReadingPutsTheBookBack)
{
    writeFile("books/t/pages.dat", bg + "end_message_1:Fin;\n" + pageOf("room_name:kept;\n"));
    ASSERT_TRUE(loadBook());
    Gamedata* const kept = gamedataPages[0];
    const std::string backgroundPath = default_bg;
    for (const std::string& broken :
         {std::string(""), bg + "end_message_1:Other;\n",
          "default_bg:absent.png;\nend_message_1:Other;\n" + pageOf("room_name:new;\n")}) {
        writeFile("books/t/pages.dat", broken);
        const std::optional<Problem> failed = rereadBook();
        ASSERT_TRUE(failed) << broken;
        EXPECT_FALSE(failed->phrase.empty()) << broken;
        ASSERT_EQ(gamedataPages.size(), 1u);
        EXPECT_EQ(gamedataPages[0], kept);
        EXPECT_STREQ(end_message_1, "Fin");
        EXPECT_EQ(default_bg, backgroundPath);
    }
    writeFile("books/t/pages.dat", "");
    const std::optional<Problem> empty = rereadBook();
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->phrase, "the book holds no page");
    EXPECT_EQ(empty->file, "books/t/pages.dat");
    EXPECT_EQ(empty->line, 0);
}

} // namespace
