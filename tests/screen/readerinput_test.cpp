// What a screen's reading of keys takes of what came before it, in a real
// window with the library's keyboard: a screen made again while the reader
// may already be typing to it (Kept) takes a key typed since the buffer was
// emptied, whether it is still held or already let go; a screen that must
// not act on the key that ended the one before (Dropped) takes none.
#include "input/readerinput.h"
#include "testenv.h"

#include <allegro.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <vector>

namespace {

struct TypedCase {
    const char* name;
    int scancode;
    ReaderInput::TypedBefore typed;
    bool stillHeld;   // the key is down as the reading starts
    bool counts;      // the first readKeys gives its command
    Command command;
};

void PrintTo(const TypedCase& c, std::ostream* os)
{
    *os << c.name;
}

class TypedBefore : public ::testing::TestWithParam<TypedCase> {
protected:
    void TearDown() override { key[GetParam().scancode] = 0; }
};

TEST_P(TypedBefore, CountsAsTheScreenAsks)
{
    ASSERT_TRUE(startLibraryInWindow());
    const TypedCase& c = GetParam();
    clear_keybuf();
    simulate_keypress(c.scancode << 8);
    key[c.scancode] = c.stillHeld;
    ReaderInput input(c.typed);
    const std::vector<Command> commands = input.readKeys();
    key[c.scancode] = 0;
    const bool given = std::find(commands.begin(), commands.end(), c.command) != commands.end();
    EXPECT_EQ(given, c.counts);
    // Once, however long it stays down.
    key[c.scancode] = c.stillHeld;
    const std::vector<Command> again = input.readKeys();
    EXPECT_EQ(std::count(again.begin(), again.end(), c.command), 0);
}

using TB = ReaderInput::TypedBefore;

INSTANTIATE_TEST_SUITE_P(
    , TypedBefore,
    ::testing::Values(
        // Down and Enter are among the pad's buttons too: held, they read as
        // the pad's, which a screen made again must not take for held before.
        TypedCase{"KeptDownStillHeld", KEY_DOWN, TB::Kept, true, true, Command::Down},
        TypedCase{"KeptDownLetGo", KEY_DOWN, TB::Kept, false, true, Command::Down},
        TypedCase{"KeptEnterStillHeld", KEY_ENTER, TB::Kept, true, true, Command::Take},
        TypedCase{"KeptPageDownStillHeld", KEY_PGDN, TB::Kept, true, true, Command::PageDown},
        TypedCase{"KeptPageDownLetGo", KEY_PGDN, TB::Kept, false, true, Command::PageDown},
        TypedCase{"DroppedDownStillHeld", KEY_DOWN, TB::Dropped, true, false, Command::Down},
        TypedCase{"DroppedDownLetGo", KEY_DOWN, TB::Dropped, false, false, Command::Down}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
