// Reading the demo book and freeing it again and again gives back what it
// took: the page records and the media store's entries (support/leakrounds.h
// says how memory is watched).
#include "book/book.h"
#include "gamepage.h"
#include "leakrounds.h"
#include "media/media.h"
#include "testenv.h"

#include <gtest/gtest.h>

namespace {

TEST(Leaks, DemoBookReadAndFreedAgainAndAgain)
{
    startLibraryWithoutDisplay();
    enterDemo();
    std::size_t pages = 0;
    expectFlatMemoryOverRounds([&](int round) {
        loadBook();
        ASSERT_GT(gamedataPages.size(), 0u) << "round " << round;
        if (round == 1)
            pages = gamedataPages.size();
        ASSERT_EQ(gamedataPages.size(), pages) << "round " << round;
        freePages();
        ASSERT_EQ(heldPictureCount(), 0u) << "round " << round;
        ASSERT_EQ(heldSoundCount(), 0u) << "round " << round;
    });
}

} // namespace
