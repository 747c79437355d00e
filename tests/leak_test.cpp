// Opening and leaving the demo book again and again gives back what it
// took: the page records, the decoded pictures and sounds. In the sanitized
// build LeakSanitizer checks every byte at exit; in both builds the media
// store must hold nothing after each round, and the resident memory must
// stay flat from round WARM_ROUNDS (when every allocator has warmed up) to
// the last.
#include "book/book.h"
#include "gamepage.h"
#include "init.h"
#include "media/media.h"
#include "scriptedinput.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#ifdef QUORVEL_ASAN
// AddressSanitizer keeps freed blocks aside (256 MB of them by default) to
// catch late uses: each round frees megabytes of pictures, which would make
// resident memory grow for a reason that is no leak. A small quarantine
// still catches late uses of what was just freed.
extern "C" const char* __asan_default_options()
{
    return "quarantine_size_mb=4";
}
#endif

namespace {

// Resident memory of this process in bytes, from /proc/self/statm.
long residentBytes()
{
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm)
        return -1;
    long total = 0, resident = -1;
    if (std::fscanf(statm, "%ld %ld", &total, &resident) != 2)
        resident = -1;
    std::fclose(statm);
    return resident < 0 ? -1 : resident * sysconf(_SC_PAGESIZE);
}

// Rounds of each test, and the round after which resident memory is taken
// as the baseline.
const int ROUNDS = 15;
const int WARM_ROUNDS = 5;

// Bytes resident memory may grow by from round WARM_ROUNDS to the last. Each round
// decodes the demo's pictures and sounds anew (hundreds of kilobytes each),
// so keeping even one of them per round would pass this by far, while
// the allocator's own ups and downs, with the sound and X threads
// allocating beside the test, stay well below it. LeakSanitizer, in the
// sanitized run, counts exact bytes.
const long MAX_GROWTH = 4 << 20;

// Enters the demo's working directory and reads its settings, as the player does.
void enterDemo()
{
    std::filesystem::current_path(QUORVEL_DEMO_DIR);
    read_ini_file();
    ASSERT_STREQ(book, "books/demo");
}

TEST(Leaks, DemoBookReadAndFreedAgainAndAgain)
{
    startLibraryWithoutDisplay();
    enterDemo();
    long afterTen = -1;
    std::size_t pages = 0;
    for (int round = 1; round <= ROUNDS; ++round) {
        loadBook();
        ASSERT_GT(gamedataPages.size(), 0u) << "round " << round;
        if (round == 1)
            pages = gamedataPages.size();
        ASSERT_EQ(gamedataPages.size(), pages) << "round " << round;
        freePages();
        ASSERT_EQ(heldPictureCount(), 0u) << "round " << round;
        ASSERT_EQ(heldSoundCount(), 0u) << "round " << round;
        if (round == WARM_ROUNDS)
            afterTen = residentBytes();
    }
    const long afterLast = residentBytes();
    ASSERT_GT(afterTen, 0) << "no /proc/self/statm";
    std::printf("resident memory: %ld bytes after %d rounds, %ld after %d\n", afterTen,
                WARM_ROUNDS, afterLast, ROUNDS);
    EXPECT_LT(afterLast - afterTen, MAX_GROWTH)
        << "resident memory " << afterTen << " bytes after " << WARM_ROUNDS << " rounds, "
        << afterLast << " after " << ROUNDS;
}

TEST(Leaks, GamePageOpenedAndLeftThroughMenuAgainAndAgain)
{
    const std::string home = enterScratchDir("leaks");
    writeFile(".asoundrc", "pcm.!default { type null }\n"); // sounds play, silently
    setenv("HOME", home.c_str(), 1);
    ASSERT_TRUE(startLibraryInWindow()) << "no window: is an X display set?";
    install_sound(DIGI_AUTODETECT, MIDI_NONE, nullptr);
    enterDemo();
    long afterTen = -1;
    for (int round = 1; round <= ROUNDS; ++round) {
        std::vector<MouseStep> script{idle(10)};
        append(script, clickOn(&dialogGamePage[PAGE_MENU]));
        playMouse(script);
        ASSERT_EQ(gamePage(), 0) << "round " << round;
        ASSERT_TRUE(gamedataPages.empty()) << "round " << round;
        ASSERT_EQ(heldPictureCount(), 0u) << "round " << round;
        ASSERT_EQ(heldSoundCount(), 0u) << "round " << round;
        if (round == WARM_ROUNDS)
            afterTen = residentBytes();
    }
    const long afterLast = residentBytes();
    ASSERT_GT(afterTen, 0) << "no /proc/self/statm";
    std::printf("resident memory: %ld bytes after %d rounds, %ld after %d\n", afterTen,
                WARM_ROUNDS, afterLast, ROUNDS);
    EXPECT_LT(afterLast - afterTen, MAX_GROWTH)
        << "resident memory " << afterTen << " bytes after " << WARM_ROUNDS << " rounds, "
        << afterLast << " after " << ROUNDS;
}

} // namespace
