// Books as one file given to the real checker: a sound archive in either
// layout reads as its folder does, and every hostile archive is refused,
// naming the archive (and the entry), under a memory limit, writing nothing.
#include "archivebooks.h"
#include "casename.h"
#include "hostilearchives.h"
#include "testenv.h"
#include "zipwriter.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The built checker on `path`, under a memory limit of `limitKb` (none
// with AddressSanitizer, which reserves terabytes of address space: there it
// watches every allocation instead).
ProgramRun check(const std::string& path, const char* limitKb = "1000000")
{
#ifdef QUORVEL_ASAN
    (void)limitKb;
    return runProgram(QUORVEL_CHECK, {path}, true);
#else
    return runProgram("/bin/sh",
                      {"-c", std::string("ulimit -v ") + limitKb + " && exec \"$0\" \"$@\"",
                       QUORVEL_CHECK, path},
                      true);
#endif
}

class Layout : public Archives, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(Layout, TheCheckerReadsItAsItsFolder)
{
    writeFile("book.zip", zipArchive(bookMembers(GetParam().prefix, GetParam().deflate)));
    const std::set<std::string> before = listing();
    const ProgramRun run = check("book.zip");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("0 errors"), std::string::npos) << run.output;
    // Packed pictures are noted once: they hardly shrink.
    const bool packedSaid =
        run.output.find("book.zip: note: 2 pictures and sounds are packed in the archive") != std::string::npos;
    EXPECT_EQ(packedSaid, GetParam().deflate) << run.output;
    EXPECT_EQ(listing(), before);
}

INSTANTIATE_TEST_SUITE_P(Archive, Layout, ::testing::ValuesIn(layoutCases), NamedAfterCase());

TEST_F(Archives, APageNamingAFileOutsideTheArchiveIsToldOutsideTheBook)
{
    writeFile("secret.png", pngBytes(1, 2, 3));
    writeFile("book.zip", zipArchive({{"pages.dat", "page_start:;\npico_name:../../secret.png;\n"
                                                    "sound_name:../pages.dat;\n"
                                                    "but1_text:On;\npage_end:;\n"}}));
    const ProgramRun run = check("book.zip");
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("\"pico/../../secret.png\" is outside the book's pico/ folder"),
              std::string::npos)
        << run.output;
    // Inside the archive's book, but above its audio/ folder.
    EXPECT_NE(run.output.find("\"audio/../pages.dat\" is outside the book's audio/ folder"),
              std::string::npos)
        << run.output;
}

// ----------------------------------------------------------- hostile archives

struct HostileCase {
    const char* name;  // of a maker in hostileArchives()
    int status;
    std::vector<std::string> said; // what the checker's report holds
};

void PrintTo(const HostileCase& c, std::ostream* out)
{
    *out << c.name;
}

class HostileArchives : public Archives, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostileArchives, IsRefusedNamingTheArchiveWritingNothing)
{
    const auto& makers = hostileArchives();
    const auto maker = std::find_if(makers.begin(), makers.end(), [](const ::HostileArchive& h) {
        return std::string(h.name) == GetParam().name;
    });
    ASSERT_NE(maker, makers.end());
    maker->make("book.zip");
    const std::set<std::string> before = listing();
    const ProgramRun run = check("book.zip");
    EXPECT_EQ(run.status, GetParam().status) << "-1: ended by a signal\n" << run.output;
    for (const std::string& line : GetParam().said)
        EXPECT_NE(run.output.find(line), std::string::npos) << line << "\n" << run.output;
    EXPECT_EQ(listing(), before);
}

// What the checker says of each hostile archive (support/hostilearchives.h).
const HostileCase hostileCases[] = {
    {"AnEntryWhoseDirectoryRecordStatesAnotherSize", 1,
     {"book.zip: error: is not a zip archive, or it is damaged or cut short"}},
    {"AnEntryThatUnpacksToMoreThanItStates", 1,
     {"book.zip/pages.dat:15: error: picture \"pico/lie.png\" cannot be unpacked: it holds more than the"}},
    {"AnEntryThatUnpacksToLessThanItStates", 1,
     {"book.zip/pages.dat:15: error: picture \"pico/short.png\" cannot be unpacked: it holds",
      "bytes, less than the 100000 its archive states"}},
    {"ABookFileOfAGigabyteStatingFourThousandBytes", 1,
     {"book.zip/pages.dat: error: the book file cannot be unpacked: it holds more than the 4000 bytes"}},
    {"ACompressionBombOfOneMegabyteToAGigabyte", 1,
     {"book.zip: error: holds an entry \"pico/bomb.png\" of 1024 MB once unpacked: more than the 128 MB"}},
    {"AnEncryptedEntry", 1,
     {"book.zip: error: holds an entry \"pico/secret.png\" that is encrypted"}},
    {"AnEntryPackedInAnUnknownWay", 1,
     {"book.zip: error: holds an entry \"pico/odd.png\" packed in a way the player does not unpack (method 97)"}},
    {"AnEntryNamedWithDotDot", 1,
     {"book.zip: error: holds an entry \"pico/../../evil.png\" named to lie outside the archive"}},
    {"AnEntryNamedFromTheRoot", 1,
     {"book.zip: error: holds an entry \"/tmp/evil.png\" named to lie outside the archive"}},
    {"TwoEntriesOfOneName", 1,
     {"book.zip: error: holds two entries of one name: the player reads no such archive"}},
    {"TwoEntriesOfOneNameWrittenTwoWays", 1,
     {"book.zip: error: holds an entry \"./pico//owl.png\" twice"}},
    {"AnArchiveCutShort", 1, {"book.zip: error: is not a zip archive, or it is damaged or cut short"}},
    {"AnArchiveWhoseDataIsDamaged", 1,
     {"book.zip/pages.dat: error: the book file cannot be unpacked"}},
    {"AnArchiveWhoseDirectoryIsDamaged", 1,
     {"book.zip: error: is not a zip archive, or it is damaged or cut short"}},
    {"AFifo", 1, {"book.zip: error: cannot be loaded: it is a FIFO, not a regular file"}},
    {"ADevice", 1, {"book.zip: error: cannot be loaded: it is a device, not a regular file"}},
    {"AnArchiveOfTwentyThousandEntries", 1,
     {"book.zip: error: holds 20004 entries: more than the 10000 the player reads in a book"}},
    {"AnArchiveWithoutABook", 1,
     {"book.zip: error: holds no book: no pages.dat at its root or in its one top folder"}},
    {"AFileThatIsNoArchive", 1,
     {"book.zip: error: is no book: a book is a folder that holds pages.dat, or a zip archive of one"}},
};

// No maker goes untested.
TEST(HostileArchiveMakers, EachIsACaseAbove)
{
    for (const ::HostileArchive& maker : hostileArchives())
        EXPECT_TRUE(std::any_of(std::begin(hostileCases), std::end(hostileCases),
                                [&](const HostileCase& c) { return std::string(c.name) == maker.name; }))
            << maker.name;
}

INSTANTIATE_TEST_SUITE_P(Archive, HostileArchives, ::testing::ValuesIn(hostileCases),
                         NamedAfterCase());

} // namespace
