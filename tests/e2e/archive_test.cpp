// A book as one file given to the real player: a hostile archive is
// refused as the checker refuses it, before the player needs a display;
// with one, a start-up problem shows a message box too.
#include "archivebooks.h"
#include "casename.h"
#include "testenv.h"
#include "zipwriter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

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

// ------------------------------------------------------ a start from a desktop

// A start-up problem the reader caused shows the library's message box as
// well as the line on standard error: a start from a file manager, with no
// terminal, still shows why. The box is the library's xmessage, here one
// that notes what it was asked to show and answers OK.
struct StartCase {
    const char* name;
    std::function<void()> make; // makes "book" (a path) in the current directory
    std::string said;           // in the box and on standard error, after "quorvel: "
};

void PrintTo(const StartCase& c, std::ostream* out)
{
    *out << c.name;
}

class StartProblem : public Archives, public ::testing::WithParamInterface<StartCase> {};

TEST_P(StartProblem, ShowsAMessageBoxAsWellAsTheLine)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "the message box needs an X display";
    GetParam().make();
    writeFile("bin/xmessage", "#!/bin/sh\nfor a; do printf '%s\\n' \"$a\"; done > \"$0.said\"\nexit 101\n");
    fs::permissions("bin/xmessage", fs::perms::owner_all);
    const ProgramRun run = runProgram("/usr/bin/env", {"PATH=" + root + "/bin", QUORVEL_PROGRAM, "book"}, true);
    EXPECT_EQ(run.status, 3) << run.output;
    EXPECT_NE(run.output.find("quorvel: " + GetParam().said), std::string::npos) << run.output;
    const std::string box = readFile("bin/xmessage.said");
    EXPECT_NE(box.find("Can not open the book\n" + GetParam().said), std::string::npos) << box;
}

const StartCase startCases[] = {
    {"AMissingBook", [] {}, "no book at \"book\": a book folder holds pages.dat"},
    {"AFolderWithoutABook", [] { writeFile("book/readme.txt", "no book"); },
     "no book at \"book\": a book folder holds pages.dat"},
    {"ADamagedArchive",
     [] {
         const std::string whole = zipArchive(bookMembers(""));
         writeFile("book", whole.substr(0, whole.size() - 30));
     },
     "\"book\" is not a zip archive, or it is damaged or cut short"},
};

INSTANTIATE_TEST_SUITE_P(Desktop, StartProblem, ::testing::ValuesIn(startCases), NamedAfterCase());

} // namespace
