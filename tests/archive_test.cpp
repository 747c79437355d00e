// Books as one file: a zip archive read in place. Sound archives in both
// layouts read as their folders do; every hostile archive is refused by the
// real checker, naming the archive (and the entry), under a memory limit,
// writing nothing.
#include "app/bookplace.h"
#include "app/startfiles.h"
#include "book/book.h"
#include "files/archive.h"
#include "files/bookfile.h"
#include "init.h"
#include "media/picture.h"
#include "media/sound.h"
#include "casename.h"
#include "testenv.h"
#include "text/buffers.h"
#include "zipwriter.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A case that blocks fails at this deadline instead of hanging the suite.
const unsigned HANG_SECONDS = 60;

class Archives : public ::testing::Test {
protected:
    void SetUp() override
    {
        alarm(HANG_SECONDS);
        startLibraryWithoutDisplay();
        set_color_depth(32);
        root = enterScratchDir("archive");
    }
    void TearDown() override
    {
        unmountArchives();
        freePages();
        alarm(0);
    }
    std::string root;
};

// A small picture's PNG bytes.
std::string pngBytes(int r, int g, int b)
{
    writePicture("made.png", 8, 8, r, g, b);
    const std::string bytes = readFile("made.png");
    fs::remove("made.png");
    return bytes;
}

const char* const TWO_PAGES =
    "book_name:Lantern;\ndefault_bg:lamp.png;\n"
    "page_start:;\npico_name:lamp.png;\ntext_main:One.;\nbut1_text:On;\npage_end:;\n"
    "page_start:;\npico_name:owl.png;\ntext_main:Two.;\nbut1_text:End;\nbut1_goto:0;\npage_end:;\n";

// A sound book of two pages, each with a picture, under `prefix`.
std::vector<ZipMember> bookMembers(const std::string& prefix, bool deflate = true)
{
    std::vector<ZipMember> members;
    if (!prefix.empty())
        members.push_back({prefix, "", false});
    members.push_back({prefix + "pages.dat", TWO_PAGES, deflate});
    members.push_back({prefix + "pico/", "", false});
    members.push_back({prefix + "pico/lamp.png", pngBytes(200, 180, 40), deflate});
    members.push_back({prefix + "pico/owl.png", pngBytes(90, 60, 30), deflate});
    return members;
}

// Every path below the current directory, with its size: what "nothing
// written" compares.
std::set<std::string> listing()
{
    std::set<std::string> found;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(".")) {
        std::error_code ignored;
        const auto size = entry.is_regular_file(ignored) ? entry.file_size(ignored) : 0;
        found.insert(entry.path().string() + " " + std::to_string(size));
    }
    return found;
}

// The built checker on `path`, under a memory limit of `limitKb`.
ProgramRun check(const std::string& path, const char* limitKb = "1000000")
{
    return runProgram("/bin/sh",
                      {"-c", std::string("ulimit -v ") + limitKb + " && exec \"$0\" \"$@\"",
                       QUORVEL_CHECK, path},
                      true);
}

// ------------------------------------------------------------ sound archives

struct LayoutCase {
    const char* name;
    std::string prefix; // "" or the one top folder
    bool deflate;
};

void PrintTo(const LayoutCase& c, std::ostream* out)
{
    *out << c.name;
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

TEST_P(Layout, ThePlayersReaderReadsEveryPageAndPicture)
{
    writeFile("book.zip", zipArchive(bookMembers(GetParam().prefix, GetParam().deflate)));
    const BookPlace place = locateBook("book.zip");
    ASSERT_EQ(place.kind, BookPlace::Kind::BookFolder) << phraseOf(place.problem);
    ASSERT_TRUE(place.archive);
    EXPECT_EQ(place.archive->bookRoot(), GetParam().prefix);
    EXPECT_EQ(place.book, "book.zip");
    ASSERT_TRUE(enterBookPlace(place));
    copyCut(book, sizeof book, place.book.c_str());
    std::vector<BookEvent> notLoaded;
    const std::optional<Problem> problem = readBook(bookFilePath().c_str(), [&](const BookEvent& e) {
        if (e.kind == BookEventKind::FileNotLoaded)
            notLoaded.push_back(e);
    });
    EXPECT_FALSE(problem) << phraseOf(problem);
    EXPECT_TRUE(notLoaded.empty()) << notLoaded.front().value << " " << phraseOf(notLoaded.front().problem);
    ASSERT_EQ(gamedataPages.size(), 2u);
    EXPECT_STREQ(book_name, "Lantern");
    const Result<BITMAP*> owl = decodePicture("book.zip/pico/owl.png");
    ASSERT_TRUE(owl.value) << phraseOf(owl.problem);
    EXPECT_EQ(getpixel(owl.value, 3, 3), makecol32(90, 60, 30));
    destroy_bitmap(owl.value);
}

const LayoutCase layoutCases[] = {
    {"AtTheRootDeflated", "", true},
    {"AtTheRootStored", "", false},
    {"InOneTopFolderDeflated", "forest/", true},
    {"InOneTopFolderStored", "forest/", false},
};

INSTANTIATE_TEST_SUITE_P(Archive, Layout, ::testing::ValuesIn(layoutCases), NamedAfterCase());

// A stored and a packed entry read at any offset, forward and backward,
// give the bytes on disk: what the decoders' windows rely on.
TEST_F(Archives, AnEntryReadsAsTheFileItWasMadeFrom)
{
    std::string bytes;
    for (int i = 0; i < 300000; ++i)
        bytes.push_back(static_cast<char>((i * 7919) % 251));
    writeFile("book.zip", zipArchive({{"pages.dat", "page_start:;\npage_end:;\n"},
                                      {"packed.bin", bytes, true},
                                      {"stored.bin", bytes, false}}));
    const BookPlace place = locateBook("book.zip");
    ASSERT_TRUE(enterBookPlace(place));
    for (const char* name : {"book.zip/packed.bin", "book.zip/stored.bin"}) {
        const BookFile file(name);
        ASSERT_TRUE(file.isOpen()) << phraseOf(file.problem());
        EXPECT_EQ(file.size(), static_cast<long long>(bytes.size()));
        EXPECT_FALSE(file.diskPath());
        for (long long at : {250000LL, 0LL, 12345LL, 299990LL, 65536LL}) {
            char got[100] = {};
            const std::size_t count = file.readAt(at, got, sizeof got);
            const std::size_t expected = std::min<std::size_t>(100, bytes.size() - at);
            ASSERT_EQ(count, expected) << name << " at " << at;
            EXPECT_EQ(std::string(got, count), bytes.substr(at, count)) << name << " at " << at;
        }
        EXPECT_FALSE(file.readProblem());
    }
}

// Names are looked up inside the archive only: a path that leads out of
// the book through ".." finds nothing, though a file of that name lies
// beside the archive on disk.
TEST_F(Archives, APathLeadingOutOfTheArchiveFindsNothing)
{
    writeFile("outside.png", pngBytes(1, 2, 3));
    writeFile("sub/outside.png", pngBytes(1, 2, 3));
    writeFile("book.zip", zipArchive(bookMembers("forest/")));
    const BookPlace place = locateBook("book.zip");
    ASSERT_TRUE(enterBookPlace(place));
    for (const char* path : {"book.zip/pico/../../outside.png", "book.zip/../outside.png",
                             "book.zip/../sub/outside.png", "book.zip/forest/pico/owl.png",
                             "book.zip/pico"}) {
        const BookFile file(path);
        EXPECT_FALSE(file.isOpen()) << path;
    }
    EXPECT_EQ(phraseOf(BookFile("book.zip/pico/../../outside.png").problem()), "not found");
    EXPECT_TRUE(BookFile("book.zip/pico/../pico/./owl.png").isOpen());
    EXPECT_TRUE(BookFile(root + "/book.zip/pico/owl.png").isOpen());
    // Not inside the archive: on disk as ever.
    EXPECT_TRUE(BookFile("outside.png").isOpen());
    EXPECT_TRUE(BookFile("book.zip").diskPath());
}

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

// A Mac's zip tool adds a "__MACOSX" top folder beside the book's.
TEST_F(Archives, AMacsExtraTopFolderIsPassedOver)
{
    std::vector<ZipMember> members = bookMembers("forest/");
    members.push_back({"__MACOSX/", "", false});
    members.push_back({"__MACOSX/forest/._pages.dat", "junk"});
    writeFile("book.zip", zipArchive(members));
    const BookPlace place = locateBook("book.zip");
    ASSERT_EQ(place.kind, BookPlace::Kind::BookFolder) << phraseOf(place.problem);
    EXPECT_EQ(place.archive->bookRoot(), "forest/");
}

// An archive's own font is the one the player draws with.
TEST_F(Archives, AnArchivesOwnFontIsFoundAndRead)
{
    std::vector<ZipMember> members = bookMembers("");
    members.push_back({"font.dat", readFile(std::string(QUORVEL_DEMO_DIR) + "/font.dat")});
    writeFile("book.zip", zipArchive(members));
    const BookPlace place = locateBook("book.zip");
    const StartFiles files = startFilesFor(place);
    EXPECT_EQ(files.font, root + "/book.zip/font.dat");
    ASSERT_TRUE(enterBookPlace(place));
    const std::set<std::string> before = listing();
    const Result<FontFile> font = readFontFile(files.font);
    ASSERT_TRUE(font.value.font) << phraseOf(font.problem);
    unload_datafile(font.value.data);
    EXPECT_EQ(listing(), before);
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
