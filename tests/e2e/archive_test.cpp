// A book as one file given to the real player: a hostile archive is
// refused as the checker refuses it, before the player needs a display.
#include "archivebooks.h"
#include "testenv.h"
#include "zipwriter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The player says the same as the checker, on standard error, and ends
// with the status for no book, before it needs a display.
TEST_F(Archives, ThePlayerRefusesAHostileArchiveNamingIt)
{
    std::vector<ZipMember> members = bookMembers("");
    members.push_back({"../evil.png", "x"});
    writeFile("book.zip", zipArchive(members));
    const ProgramRun run = runProgram("/usr/bin/env", {"-u", "DISPLAY", QUORVEL_PROGRAM, "book.zip"}, true);
    EXPECT_EQ(run.status, 3) << run.output;
    EXPECT_NE(run.output.find("quorvel: \"book.zip\" holds an entry \"../evil.png\" named to lie "
                              "outside the archive"),
              std::string::npos)
        << run.output;
}

} // namespace
