// Books as one file given to the real checker: a sound archive in either
// layout reads as its folder does, and every hostile archive is refused,
// naming the archive (and the entry), under a memory limit, writing nothing.
#include "archivebooks.h"
#include "casename.h"
#include "testenv.h"
#include "zipwriter.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The built checker on `path`, under a memory limit of `limitKb`.
ProgramRun check(const std::string& path, const char* limitKb = "1000000")
{
    return runProgram("/bin/sh",
                      {"-c", std::string("ulimit -v ") + limitKb + " && exec \"$0\" \"$@\"",
                       QUORVEL_CHECK, path},
                      true);
}

class Layout : public Archives, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(Layout, TheCheckerReadsItAsItsFolder)
{
    writeFile("book.zip", zipArchive(bookMembers(GetParam().prefix, GetParam().deflate)));
    const std::set<std::string> before = listing();
    const ProgramRun run = check("book.zip");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("0 errors"), std::string::npos) << run.output;
    EXPECT_EQ(listing(), before);
}

INSTANTIATE_TEST_SUITE_P(Archive, Layout, ::testing::ValuesIn(layoutCases), NamedAfterCase());

TEST_F(Archives, APageNamingAFileOutsideTheArchiveIsToldNotFound)
{
    writeFile("secret.png", pngBytes(1, 2, 3));
    writeFile("book.zip", zipArchive({{"pages.dat", "page_start:;\npico_name:../../secret.png;\n"
                                                    "but1_text:On;\npage_end:;\n"}}));
    const ProgramRun run = check("book.zip");
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("\"pico/../../secret.png\" not found"), std::string::npos)
        << run.output;
}

// ----------------------------------------------------------- hostile archives

struct HostileCase {
    const char* name;
    std::function<void()> make; // makes book.zip in the current directory
    int status;
    std::vector<std::string> said; // what the checker's report holds
};

void PrintTo(const HostileCase& c, std::ostream* out)
{
    *out << c.name;
}

class HostileArchive : public Archives, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostileArchive, IsRefusedNamingTheArchiveWritingNothing)
{
    GetParam().make();
    const std::set<std::string> before = listing();
    const ProgramRun run = check("book.zip");
    EXPECT_EQ(run.status, GetParam().status) << "-1: ended by a signal\n" << run.output;
    for (const std::string& line : GetParam().said)
        EXPECT_NE(run.output.find(line), std::string::npos) << line << "\n" << run.output;
    EXPECT_EQ(listing(), before);
}

// Two pages whose second names `name` as its picture, and that member.
void bookWith(ZipMember member)
{
    std::vector<ZipMember> members = bookMembers("");
    member.name = "pico/" + member.name;
    members.push_back(member);
    members[0].data += "page_start:;\npico_name:" + member.name.substr(5) + ";\nbut1_text:On;\npage_end:;\n";
    writeFile("book.zip", zipArchive(members));
}

std::string archiveWithEntries(int count)
{
    std::vector<ZipMember> members = bookMembers("");
    for (int i = 0; i < count; ++i)
        members.push_back({"pico/" + std::to_string(i) + ".png", "", false});
    return zipArchive(members);
}

const HostileCase hostileCases[] = {
    {"AnEntryWhoseDirectoryRecordStatesAnotherSize",
     [] {
         ZipMember lie{"x.png", pngBytes(1, 1, 1)};
         lie.centralSize = 5000;
         bookWith(lie);
     },
     1, {"book.zip: error: is not a zip archive, or it is damaged or cut short"}},
    {"AnEntryThatUnpacksToMoreThanItStates",
     [] {
         // A picture, and ten megabytes after it that its size leaves out.
         const std::string picture = pngBytes(1, 1, 1);
         ZipMember lie{"lie.png", picture + std::string(10 << 20, '\0')};
         lie.size = static_cast<std::uint32_t>(picture.size());
         bookWith(lie);
     },
     1, {"book.zip/pages.dat:15: error: picture \"pico/lie.png\" cannot be unpacked: it holds more than the"}},
    {"AnEntryThatUnpacksToLessThanItStates",
     [] {
         ZipMember lie{"short.png", pngBytes(1, 1, 1)};
         lie.size = 100000;
         bookWith(lie);
     },
     1, {"book.zip/pages.dat:15: error: picture \"pico/short.png\" cannot be unpacked: it holds",
         "bytes, less than the 100000 its archive states"}},
    {"ABookFileThatUnpacksToMoreThanItStates",
     [] {
         std::vector<ZipMember> members = {zeroBomb("pages.dat", 1024, 4000)};
         writeFile("book.zip", zipArchive(members));
     },
     1, {"book.zip/pages.dat: error: the book file cannot be unpacked: it holds more than the 4000 bytes"}},
    {"ACompressionBombOfOneMegabyteToAGigabyte",
     [] { bookWith(zeroBomb("bomb.png", 1024)); },
     1, {"book.zip: error: holds an entry \"pico/bomb.png\" of 1024 MB once unpacked: more than the 128 MB"}},
    {"AnEncryptedEntry",
     [] {
         ZipMember secret{"secret.png", pngBytes(1, 1, 1)};
         secret.flags = 1;
         bookWith(secret);
     },
     1, {"book.zip: error: holds an entry \"pico/secret.png\" that is encrypted"}},
    {"AnEntryPackedInAnUnknownWay",
     [] {
         ZipMember odd{"odd.png", pngBytes(1, 1, 1)};
         odd.method = 97;
         bookWith(odd);
     },
     1, {"book.zip: error: holds an entry \"pico/odd.png\" packed in a way the player does not unpack (method 97)"}},
    {"AnEntryNamedWithDotDot",
     [] {
         std::vector<ZipMember> members = bookMembers("");
         members.push_back({"pico/../../evil.png", "x"});
         writeFile("book.zip", zipArchive(members));
     },
     1, {"book.zip: error: holds an entry \"pico/../../evil.png\" named to lie outside the archive"}},
    {"AnEntryNamedFromTheRoot",
     [] {
         std::vector<ZipMember> members = bookMembers("");
         members.push_back({"/tmp/evil.png", "x"});
         writeFile("book.zip", zipArchive(members));
     },
     1, {"book.zip: error: holds an entry \"/tmp/evil.png\" named to lie outside the archive"}},
    {"TwoEntriesOfOneName",
     [] {
         std::vector<ZipMember> members = bookMembers("");
         members.push_back({"pico/owl.png", pngBytes(9, 9, 9)});
         writeFile("book.zip", zipArchive(members));
     },
     1, {"book.zip: error: holds two entries of one name: the player reads no such archive"}},
    {"TwoEntriesOfOneNameWrittenTwoWays",
     [] {
         std::vector<ZipMember> members = bookMembers("");
         members.push_back({"./pico//owl.png", pngBytes(9, 9, 9)});
         writeFile("book.zip", zipArchive(members));
     },
     1, {"book.zip: error: holds an entry \"./pico//owl.png\" twice"}},
    {"AnArchiveCutShort",
     [] {
         const std::string whole = zipArchive(bookMembers("forest/"));
         writeFile("book.zip", whole.substr(0, whole.size() / 2));
     },
     1, {"book.zip: error: is not a zip archive, or it is damaged or cut short"}},
    {"AnArchiveWhoseDataIsDamaged",
     [] {
         std::string whole = zipArchive(bookMembers(""));
         // The packed book file starts 30 bytes and its name into the archive.
         for (std::size_t i = 45; i < 60; ++i)
             whole[i] = static_cast<char>(whole[i] ^ 0x5A);
         writeFile("book.zip", whole);
     },
     1, {"book.zip/pages.dat: error: the book file cannot be unpacked"}},
    {"AnArchiveWhoseDirectoryIsDamaged",
     [] {
         std::string whole = zipArchive(bookMembers(""));
         const std::size_t directory = whole.rfind(std::string("PK\1\2", 4));
         whole[directory + 2] = 'X';
         writeFile("book.zip", whole);
     },
     1, {"book.zip: error: is not a zip archive, or it is damaged or cut short"}},
    {"AFifo",
     [] { ASSERT_EQ(mkfifo("book.zip", 0600), 0); },
     1, {"book.zip: error: cannot be loaded: it is a FIFO, not a regular file"}},
    {"ADevice",
     [] { fs::create_symlink("/dev/zero", "book.zip"); },
     1, {"book.zip: error: cannot be loaded: it is a device, not a regular file"}},
    {"AnArchiveOfTwentyThousandEntries",
     [] { writeFile("book.zip", archiveWithEntries(20000)); },
     1, {"book.zip: error: holds 20004 entries: more than the 10000 the player reads in a book"}},
    {"AnArchiveWithoutABook",
     [] { writeFile("book.zip", zipArchive({{"a/pages.dat", "x"}, {"b/pages.dat", "x"}})); },
     1, {"book.zip: error: holds no book: no pages.dat at its root or in its one top folder"}},
    {"AFileThatIsNoArchive",
     [] { writeFile("book.zip", "page_start:;\n"); },
     1, {"book.zip: error: is no book: a book is a folder that holds pages.dat, or a zip archive of one"}},
};

INSTANTIATE_TEST_SUITE_P(Archive, HostileArchive, ::testing::ValuesIn(hostileCases),
                         NamedAfterCase());

} // namespace
