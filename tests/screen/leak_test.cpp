// Opening the demo book on the page screen and leaving it through Menu,
// again and again, gives back what it took: the page records, the decoded
// pictures and sounds (support/leakrounds.h says how memory is watched).
#include "gamepage.h"
#include "leakrounds.h"
#include "media/media.h"
#include "scriptedinput.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

TEST(Leaks, GamePageOpenedAndLeftThroughMenuAgainAndAgain)
{
    const std::string home = enterScratchDir("leaks");
    writeFile(".asoundrc", "pcm.!default { type null }\n"); // sounds play, silently
    setenv("HOME", home.c_str(), 1);
    ASSERT_TRUE(startLibraryInWindow()) << "no window: is an X display set?";
    install_sound(DIGI_AUTODETECT, MIDI_NONE, nullptr);
    enterDemo();
    expectFlatMemoryOverRounds([](int round) {
        std::vector<MouseStep> script{idle(10)};
        append(script, clickOn(&dialogGamePage[PAGE_MENU]));
        playMouse(script);
        ASSERT_EQ(gamePage(), 0) << "round " << round;
        ASSERT_TRUE(gamedataPages.empty()) << "round " << round;
        ASSERT_EQ(heldPictureCount(), 0u) << "round " << round;
        ASSERT_EQ(heldSoundCount(), 0u) << "round " << round;
    });
}

} // namespace
