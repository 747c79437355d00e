#include "hostilearchives.h"

#include "testenv.h"

#include <sys/stat.h>

#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

// The sound book with a third page whose picture is `member` (named
// "pico/" + its name).
void bookWith(const std::string& path, ZipMember member)
{
    std::vector<ZipMember> members = bookMembers("");
    members[0].data += "page_start:;\npico_name:" + member.name + ";\nbut1_text:On;\npage_end:;\n";
    member.name = "pico/" + member.name;
    members.push_back(member);
    writeFile(path, zipArchive(members));
}

// The sound book and one more member beside it.
void bookBeside(const std::string& path, const ZipMember& member)
{
    std::vector<ZipMember> members = bookMembers("");
    members.push_back(member);
    writeFile(path, zipArchive(members));
}

} // namespace

const std::vector<HostileArchive>& hostileArchives()
{
    static const std::vector<HostileArchive> archives = {
        {"AnEntryWhoseDirectoryRecordStatesAnotherSize",
         [](const std::string& path) {
             ZipMember lie{"x.png", pngBytes(1, 1, 1)};
             lie.centralSize = 5000;
             bookWith(path, lie);
         }},
        {"AnEntryThatUnpacksToMoreThanItStates",
         [](const std::string& path) {
             // A picture, and ten megabytes after it that its size leaves out.
             const std::string picture = pngBytes(1, 1, 1);
             ZipMember lie{"lie.png", picture + std::string(10 << 20, '\0')};
             lie.size = static_cast<std::uint32_t>(picture.size());
             bookWith(path, lie);
         }},
        {"AnEntryThatUnpacksToLessThanItStates",
         [](const std::string& path) {
             ZipMember lie{"short.png", pngBytes(1, 1, 1)};
             lie.size = 100000;
             bookWith(path, lie);
         }},
        {"ABookFileOfAGigabyteStatingFourThousandBytes",
         [](const std::string& path) { writeFile(path, zipArchive({zeroBomb("pages.dat", 1024, 4000)})); }},
        {"ACompressionBombOfOneMegabyteToAGigabyte",
         [](const std::string& path) { bookWith(path, zeroBomb("bomb.png", 1024)); }},
        {"AnEncryptedEntry",
         [](const std::string& path) {
             ZipMember secret{"secret.png", pngBytes(1, 1, 1)};
             secret.flags = 1;
             bookWith(path, secret);
         }},
        {"AnEntryPackedInAnUnknownWay",
         [](const std::string& path) {
             ZipMember odd{"odd.png", pngBytes(1, 1, 1)};
             odd.method = 97;
             bookWith(path, odd);
         }},
        {"AnEntryNamedWithDotDot",
         [](const std::string& path) { bookBeside(path, {"pico/../../evil.png", "x"}); }},
        {"AnEntryNamedFromTheRoot",
         [](const std::string& path) { bookBeside(path, {"/tmp/evil.png", "x"}); }},
        {"TwoEntriesOfOneName",
         [](const std::string& path) { bookBeside(path, {"pico/owl.png", pngBytes(9, 9, 9)}); }},
        {"TwoEntriesOfOneNameWrittenTwoWays",
         [](const std::string& path) { bookBeside(path, {"./pico//owl.png", pngBytes(9, 9, 9)}); }},
        {"AnArchiveCutShort",
         [](const std::string& path) {
             const std::string whole = zipArchive(bookMembers("forest/"));
             writeFile(path, whole.substr(0, whole.size() / 2));
         }},
        {"AnArchiveWhoseDataIsDamaged",
         [](const std::string& path) {
             std::string whole = zipArchive(bookMembers(""));
             // The packed book file starts 30 bytes and its name into the archive.
             for (std::size_t i = 45; i < 60; ++i)
                 whole[i] = static_cast<char>(whole[i] ^ 0x5A);
             writeFile(path, whole);
         }},
        {"AnArchiveWhoseDirectoryIsDamaged",
         [](const std::string& path) {
             std::string whole = zipArchive(bookMembers(""));
             whole[whole.rfind(std::string("PK\1\2", 4)) + 2] = 'X';
             writeFile(path, whole);
         }},
        {"AFifo",
         [](const std::string& path) {
             if (mkfifo(path.c_str(), 0600) != 0)
                 throw std::runtime_error("mkfifo " + path);
         }},
        {"ADevice", [](const std::string& path) { fs::create_symlink("/dev/zero", path); }},
        {"AnArchiveOfTwentyThousandEntries",
         [](const std::string& path) {
             std::vector<ZipMember> members = bookMembers("");
             for (int i = 0; i < 20000; ++i)
                 members.push_back({"pico/" + std::to_string(i) + ".png", "", false});
             writeFile(path, zipArchive(members));
         }},
        {"AnArchiveWithoutABook",
         [](const std::string& path) {
             writeFile(path, zipArchive({{"a/pages.dat", "x"}, {"b/pages.dat", "x"}}));
         }},
        {"AFileThatIsNoArchive", [](const std::string& path) { writeFile(path, "page_start:;\n"); }},
    };
    return archives;
}
