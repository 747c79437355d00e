// Remembering where the reader left a book: the state folder, the state file
// kept per book with its fingerprint, what is ignored, and the setting and
// option that turn it on. The whole player across two runs is in
// reading_endtoend_test.cpp.
#include "app/bookplace.h"
#include "app/cmdline.h"
#include "app/startfiles.h"
#include "book/resume.h"
#include "files/bookfile.h"
#include "hostilefiles.h"
#include "leakrounds.h"
#include "init.h"
#include "testenv.h"
#include "text/buffers.h"
#include "zipwriter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

class Resume : public ::testing::Test {
protected:
    void SetUp() override
    {
        startLibraryWithoutDisplay();
        root = enterScratchDir("resume");
        state = root + "/state";
        setenv("XDG_STATE_HOME", state.c_str(), 1);
        setenv("HOME", (root + "/home").c_str(), 1);
        copyCut(book, sizeof book, "books/tale");
        writeFile("books/tale/pages.dat", "page_start:;\npage_end:;\n");
        resumeReading = true;
    }

    // The one state file the book has, or "" when there is none.
    std::string stateFile() const
    {
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(state + "/quorvel", error))
            return entry.path().string();
        return "";
    }

    std::string root, state;
};

// The state folder and the settings folder follow one rule, each under
// its own base directory.
TEST_F(Resume, TheStateFolderFollowsTheXdgRules)
{
    struct Case {
        const char* xdgHome; // XDG_STATE_HOME and XDG_CONFIG_HOME; null: unset
        const char* home;
        std::string state;
        std::string config;
    };
    const Case cases[] = {
        {"/var/st", "/home/ann", "/var/st/quorvel", "/var/st/quorvel"},
        {nullptr, "/home/ann", "/home/ann/.local/state/quorvel", "/home/ann/.config/quorvel"},
        {"", "/home/ann", "/home/ann/.local/state/quorvel", "/home/ann/.config/quorvel"},
        // Not absolute: ignored.
        {"relative/st", "/home/ann", "/home/ann/.local/state/quorvel", "/home/ann/.config/quorvel"},
        {nullptr, "relative/home", "", ""},
        {nullptr, "", "", ""},
        {nullptr, nullptr, "", ""},
    };
    for (const Case& c : cases) {
        for (const char* variable : {"XDG_STATE_HOME", "XDG_CONFIG_HOME"})
            c.xdgHome ? setenv(variable, c.xdgHome, 1) : unsetenv(variable);
        c.home ? setenv("HOME", c.home, 1) : unsetenv("HOME");
        const std::string where =
            std::string(c.xdgHome ? c.xdgHome : "(unset)") + ", " + (c.home ? c.home : "(unset)");
        EXPECT_EQ(resumeFolder(), c.state) << where;
        EXPECT_EQ(userConfigDir(), c.config) << where;
    }
}

TEST_F(Resume, EachBookFolderHasAFileOfItsOwn)
{
    writeFile("other/tale/pages.dat", "");
    const std::string one = resumeFilePath(fs::canonical("books/tale").string());
    const std::string two = resumeFilePath(fs::canonical("other/tale").string());
    EXPECT_NE(one, two);
    EXPECT_EQ(fs::path(one).parent_path(), fs::path(state + "/quorvel"));
    EXPECT_EQ(fs::path(one).filename().string().rfind("tale-", 0), 0u) << one;
}

TEST_F(Resume, APageLeftIsFoundAgainForTheSameBookFile)
{
    rememberLeftPage(4);
    const std::string file = stateFile();
    ASSERT_FALSE(file.empty()) << "nothing written";
    EXPECT_NE(readFile(file).find("page:5;"), std::string::npos) << readFile(file);
    EXPECT_EQ(rememberedPage(10), 4);
    EXPECT_EQ(rememberedPage(5), 4);
    EXPECT_EQ(rememberedPage(4), -1); // the book has no fifth page
    EXPECT_EQ(rememberedPage(INT_MAX), 4);
    // Nothing else is left in the folder: the temporary file was renamed.
    EXPECT_EQ(std::distance(fs::directory_iterator(state + "/quorvel"), fs::directory_iterator()), 1);
}

// A book given as a zip archive has a state file of its own, and its book
// file, read from the archive, is its fingerprint.
TEST_F(Resume, AZippedBookIsRememberedAsAFolderIs)
{
    const auto enter = [](const std::string& pages) {
        unmountArchives();
        writeFile("tale.zip", zipArchive({{"pages.dat", pages}}));
        const BookPlace place = locateBook("tale.zip");
        ASSERT_EQ(place.kind, BookPlace::Kind::BookFolder);
        ASSERT_TRUE(enterBookPlace(place));
        copyCut(book, sizeof book, place.book.c_str());
    };
    enter("page_start:;\npage_end:;\n");
    rememberLeftPage(2);
    ASSERT_FALSE(stateFile().empty()) << "nothing written";
    EXPECT_NE(stateFile().find("tale_zip-"), std::string::npos) << stateFile();
    EXPECT_EQ(rememberedPage(10), 2);
    enter("page_start:;\npage_end:;\n# an edit\n");
    EXPECT_EQ(rememberedPage(10), -1);
    unmountArchives();
}

TEST_F(Resume, AChangedBookFileForgetsThePage)
{
    rememberLeftPage(2);
    ASSERT_EQ(rememberedPage(10), 2);
    writeFile("books/tale/pages.dat", "page_start:;\npage_end:;\n# an edit\n");
    EXPECT_EQ(rememberedPage(10), -1);
    writeFile("books/tale/pages.dat", "page_start:;\npage_end:;\n"); // as it was
    EXPECT_EQ(rememberedPage(10), 2);
}

TEST_F(Resume, ForgettingRemovesTheFile)
{
    rememberLeftPage(2);
    ASSERT_FALSE(stateFile().empty());
    forgetLeftPage();
    EXPECT_EQ(stateFile(), "");
    EXPECT_EQ(rememberedPage(10), -1);
}

TEST_F(Resume, WithoutTheSettingNothingIsReadOrWritten)
{
    rememberLeftPage(3);
    const std::string file = stateFile();
    ASSERT_FALSE(file.empty());
    resumeReading = false;
    EXPECT_EQ(rememberedPage(10), -1);
    forgetLeftPage();
    EXPECT_EQ(stateFile(), file); // not forgotten either
    fs::remove_all(state);
    rememberLeftPage(3);
    EXPECT_FALSE(fs::exists(state)) << "the state folder was made";
}

// A state file as a crash, a disk error or a hand edit may leave it.
struct Damage {
    const char* name;
    std::string text;
};

class DamagedState : public Resume, public ::testing::WithParamInterface<Damage> {};

std::ostream& operator<<(std::ostream& out, const Damage& d)
{
    return out << d.name;
}

TEST_P(DamagedState, IsIgnoredAndWrittenAfresh)
{
    rememberLeftPage(2);
    const std::string file = stateFile();
    ASSERT_FALSE(file.empty());
    const std::string good = readFile(file);
    const std::string fingerprint = good.substr(good.find("fingerprint:"));
    std::string damaged = GetParam().text;
    const std::string mark = "FINGERPRINT";
    if (const std::size_t at = damaged.find(mark); at != std::string::npos)
        damaged.replace(at, mark.size(), fingerprint.substr(0, fingerprint.find('\n')));
    writeFile(file, damaged);

    EXPECT_EQ(rememberedPage(10), -1);
    rememberLeftPage(6);
    EXPECT_EQ(rememberedPage(10), 6);
}

const Damage damages[] = {
    {"Empty", ""},
    {"Cut", "fingerprint:0123"},
    {"Binary", std::string("\x00\xff\xfe\x01page:3;\x00", 12)},
    {"NoPage", "FINGERPRINT\n"},
    {"NoFingerprint", "page:3;\n"},
    {"PageZero", "FINGERPRINT\npage:0;\n"},
    {"PageNegative", "FINGERPRINT\npage:-3;\n"},
    {"PageWithLetters", "FINGERPRINT\npage:3x;\n"},
    {"PagePastInt", "FINGERPRINT\npage:99999999999;\n"},
    {"PageInAComment", "FINGERPRINT\n# page:3;\n"},
};

INSTANTIATE_TEST_SUITE_P(Resume, DamagedState, ::testing::ValuesIn(damages),
                         [](const auto& info) { return std::string(info.param.name); });

// What may stand at the state file's path that no player wrote: each is
// passed over at once (the case has a deadline: a FIFO opened for reading
// would wait for ever), reading at most a few KB.
struct StrangeState {
    const char* name;
    // Puts it at `path`; `good` is what the player wrote there.
    std::function<void(const std::string& path, const std::string& good)> make;
};

void PrintTo(const StrangeState& c, std::ostream* out)
{
    *out << c.name;
}

class StrangeStateFile : public Resume, public ::testing::WithParamInterface<StrangeState> {};

TEST_P(StrangeStateFile, IsPassedOverAtOnceReadingLittle)
{
    alarm(HANG_SECONDS);
    rememberLeftPage(2);
    const std::string file = stateFile();
    ASSERT_FALSE(file.empty());
    const std::string good = readFile(file);
    fs::remove(file);
    GetParam().make(file, good);
    const long before = residentBytes();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(rememberedPage(10), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_LT(residentBytes() - before, 16L << 20);
    alarm(0);
}

const StrangeState strangeStates[] = {
    {"Fifo", [](const std::string& path, const std::string&) { makeThing(Thing::Fifo, path); }},
    {"LinkToDevZero",
     [](const std::string& path, const std::string&) { makeThing(Thing::ZeroDevice, path); }},
    // The player's own entries, followed by more than a state file holds.
    {"GoodEntriesThenAGigabyteOfZeros",
     [](const std::string& path, const std::string& good) {
         writeFile(path, good);
         padSparse(path, GIGABYTE);
     }},
    {"GoodEntriesThenOneLineOf9000Bytes",
     [](const std::string& path, const std::string& good) {
         writeFile(path, good + std::string(9000, '#'));
     }},
};

INSTANTIATE_TEST_SUITE_P(Resume, StrangeStateFile, ::testing::ValuesIn(strangeStates),
                         [](const auto& info) { return std::string(info.param.name); });

// The book file is fingerprinted in pieces: a large one costs no memory,
// and what is no regular file gives no fingerprint, at once.
TEST_F(Resume, TheFingerprintIsStreamedAndRefusesWhatIsNoFile)
{
    alarm(HANG_SECONDS);
    writeFile("big.dat", "page_start:;\npage_end:;\n");
    padSparse("big.dat", GIGABYTE / 4);
    const long before = residentBytes();
    const std::string fingerprint = fileFingerprint("big.dat");
    EXPECT_LT(residentBytes() - before, 16L << 20);
    EXPECT_NE(fingerprint.find("-" + std::to_string(GIGABYTE / 4)), std::string::npos)
        << fingerprint;
    for (Thing thing : {Thing::Fifo, Thing::ZeroDevice, Thing::Folder}) {
        const std::string path = std::string("thing-") + nameOf(thing);
        makeThing(thing, path);
        EXPECT_EQ(fileFingerprint(path), "") << nameOf(thing);
    }
    alarm(0);
}

TEST_F(Resume, AFolderInPlaceOfTheFileIsIgnored)
{
    rememberLeftPage(2);
    const std::string file = stateFile();
    fs::remove(file);
    fs::create_directories(file);
    EXPECT_EQ(rememberedPage(10), -1);
    // Cannot replace a folder: told, for the player to say, not fatal.
    const std::optional<Problem> unkept = rememberLeftPage(3);
    ASSERT_TRUE(unkept);
    EXPECT_EQ(unkept->kind, ProblemKind::NotWritten);
    EXPECT_EQ(unkept->file, file);
    EXPECT_EQ(rememberedPage(10), -1);
}

TEST_F(Resume, AWriteThatFailsLeavesTheOldStateWhole)
{
    rememberLeftPage(2);
    const std::string file = stateFile();
    // The temporary file cannot be made: a folder has its name.
    fs::create_directories(file + ".new" + std::to_string(getpid()));
    const std::optional<Problem> unkept = rememberLeftPage(7);
    ASSERT_TRUE(unkept);
    EXPECT_EQ(unkept->kind, ProblemKind::NotWritten);
    EXPECT_FALSE(unkept->phrase.empty());
    EXPECT_EQ(rememberedPage(10), 2);
}

TEST_F(Resume, AStateFolderThatCannotBeMadeIsSaidNotFatal)
{
    writeFile(root + "/blocked", "a file where the folder would go");
    setenv("XDG_STATE_HOME", (root + "/blocked").c_str(), 1);
    const std::optional<Problem> unkept = rememberLeftPage(2);
    ASSERT_TRUE(unkept);
    EXPECT_NE(unkept->file.find("blocked/quorvel"), std::string::npos) << unkept->file;
    EXPECT_EQ(rememberedPage(10), -1);
}

TEST_F(Resume, ABookFolderThatIsNotThereKeepsNothing)
{
    copyCut(book, sizeof book, "books/none");
    rememberLeftPage(2);
    EXPECT_FALSE(fs::exists(state));
    EXPECT_EQ(rememberedPage(10), -1);
}

TEST_F(Resume, TheSettingIsExactlyYes)
{
    for (const auto& [line, wanted] : std::vector<std::pair<std::string, bool>>{
             {"resume:YES;\n", true}, {"resume:yes;\n", false}, {"resume:NO;\n", false},
             {"book:tale;\n", false}}) {
        writeFile("ini.dat", line);
        resumeReading = !wanted;
        read_ini_file();
        EXPECT_EQ(resumeReading, wanted) << line;
    }
}

struct ResumeLineCase {
    const char* name;
    std::vector<std::string> words;
    ResumeChoice choice;
};

void PrintTo(const ResumeLineCase& c, std::ostream* out)
{
    *out << c.name;
}

const ResumeLineCase resumeLineCases[] = {
    {"Neither", {"quorvel", "books/tale"}, ResumeChoice::FromSettings},
    {"Resume", {"quorvel", "--resume", "books/tale"}, ResumeChoice::On},
    {"NoResume", {"quorvel", "books/tale", "--no-resume"}, ResumeChoice::Off},
    {"TheLastWins", {"quorvel", "--no-resume", "--resume"}, ResumeChoice::On},
    {"TheLastWinsTheOtherWay", {"quorvel", "--resume", "--no-resume"}, ResumeChoice::Off},
};

class ResumeOption : public ::testing::TestWithParam<ResumeLineCase> {};

TEST_P(ResumeOption, IsRead)
{
    std::vector<std::string> words = GetParam().words;
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    const CommandLine line = parseCommandLine(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(line.action, CommandLine::Action::Play) << line.error;
    EXPECT_EQ(line.resume, GetParam().choice);
}

INSTANTIATE_TEST_SUITE_P(Resume, ResumeOption, ::testing::ValuesIn(resumeLineCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Who decides whether books are remembered: the command line, then the
// settings' resume line, then where the player was started.
struct DecisionCase {
    const char* name;
    ResumeChoice choice;
    bool settingGiven, settingOn, startedOnABook;
    bool remembers;
};

void PrintTo(const DecisionCase& c, std::ostream* out)
{
    *out << c.name;
}

const DecisionCase decisionCases[] = {
    {"OnABookByDefault", ResumeChoice::FromSettings, false, false, true, true},
    {"InAWorkingDirectoryNotByDefault", ResumeChoice::FromSettings, false, false, false, false},
    {"TheSettingsSayNoOnABook", ResumeChoice::FromSettings, true, false, true, false},
    {"TheSettingsSayYesInAWorkingDirectory", ResumeChoice::FromSettings, true, true, false, true},
    {"NoResumeOverTheSettings", ResumeChoice::Off, true, true, true, false},
    {"ResumeOverTheSettings", ResumeChoice::On, true, false, false, true},
    {"NoResumeOnABook", ResumeChoice::Off, false, false, true, false},
};

class ResumeDecision : public ::testing::TestWithParam<DecisionCase> {};

TEST_P(ResumeDecision, FollowsWhoDecides)
{
    const DecisionCase& c = GetParam();
    EXPECT_EQ(remembersReading(c.choice, c.settingGiven, c.settingOn, c.startedOnABook), c.remembers);
}

INSTANTIATE_TEST_SUITE_P(Resume, ResumeDecision, ::testing::ValuesIn(decisionCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
