// quorvel-check run as a program on books that bring a hostile font.dat:
// each is an error naming the font and what is wrong with it, reported in a
// bounded time with a quarter of a gigabyte of address space, and the book
// is still checked; the shipped font passes.
#include "hostilefiles.h"
#include "hostilefonts.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

// Tests are named by their case; the case itself prints as its name.
void PrintTo(const HostileFont& c, std::ostream* out)
{
    *out << c.name;
}

namespace {

using Clock = std::chrono::steady_clock;

// The checker on work/books/b with 256 MB of address space (none under
// AddressSanitizer, which reserves terabytes), and the seconds it took.
ProgramRun checkBounded(double& seconds)
{
    const Clock::time_point start = Clock::now();
#ifdef QUORVEL_ASAN
    const ProgramRun run = runProgram(QUORVEL_CHECK, {"work/books/b"}, true);
#else
    const ProgramRun run = runProgram(
        "/bin/sh", {"-c", "ulimit -v 262144 && exec \"$0\" \"$@\"", QUORVEL_CHECK, "work/books/b"}, true);
#endif
    seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return run;
}

std::string fontError(const std::string& phrase)
{
    return fs::current_path().string() + "/work/books/b/font.dat: error: this file " + phrase;
}

class BookFont : public Hostile, public ::testing::WithParamInterface<HostileFont> {};

TEST_P(BookFont, IsAnErrorNamingTheFontAndWhatIsWrong)
{
    makeCheckerBook(checkerPage("text_main:Опушка;\n"));
    writeFile("work/books/b/font.dat", GetParam().bytes);
    double seconds = 0;
    const ProgramRun run = checkBounded(seconds);
    EXPECT_EQ(run.status, 1) << "-1: ended by a signal\n" << run.output;
    EXPECT_NE(run.output.find(fontError(GetParam().phrase)), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(": the player cannot start; characters not checked\n"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("1 error, 0 warnings"), std::string::npos) << run.output;
    EXPECT_LT(seconds, 10.0);
}

INSTANTIATE_TEST_SUITE_P(Findings, BookFont, ::testing::ValuesIn(hostileFonts()),
                         [](const auto& info) { return std::string(info.param.name); });

class Font : public Hostile {};

// A broken download of the shipped font, cut anywhere, is an error.
TEST_F(Font, ACopyOfTheShippedFontCutShortIsAnError)
{
    makeCheckerBook(checkerPage("text_main:Опушка;\n"));
    for (std::size_t cut : cutPoints(701)) {
        writeFile("work/books/b/font.dat", cutFont(cut).bytes);
        double seconds = 0;
        const ProgramRun run = checkBounded(seconds);
        EXPECT_EQ(run.status, 1) << "cut at " << cut << "\n" << run.output;
        EXPECT_NE(run.output.find(fontError("is cut short: it ends at byte " + std::to_string(cut) + ", inside ")),
                  std::string::npos)
            << "cut at " << cut << "\n" << run.output;
        EXPECT_LT(seconds, 10.0);
    }
}

// The shipped font in a book's folder is the book's, and it is good; given
// with --font, a bad one stops the check with its problem.
TEST_F(Font, TheShippedFontPassesAndABadOneGivenWithFontStopsTheCheck)
{
    makeCheckerBook(checkerPage("text_main:Опушка;\n"));
    writeFile("work/books/b/font.dat", shippedFontBytes());
    double seconds = 0;
    const ProgramRun good = checkBounded(seconds);
    EXPECT_EQ(good.status, 0) << good.output;
    EXPECT_NE(good.output.find("0 errors, 0 warnings"), std::string::npos) << good.output;

    writeFile("bad.dat", fontDatafile({glyphRange(0x20, {{0, 16}})}));
    const ProgramRun bad = runProgram(QUORVEL_CHECK, {"--font", "bad.dat", "work/books/b"}, true);
    EXPECT_EQ(bad.status, 2) << bad.output;
    EXPECT_NE(bad.output.find("quorvel-check: bad.dat has a glyph 0 pixels wide (U+0020); a glyph is 1 to 64\n"),
              std::string::npos)
        << bad.output;
}

} // namespace
