// quorvel-check --pack run as a program: what the archive holds (the book's
// top folder, pages.dat, the files it names, its own font.dat, nothing
// else), the same bytes each time, an archive the player's reader opens and
// the checker passes, and the books and places it refuses, writing nothing.
#include "books.h"
#include "files/archive.h"
#include "testenv.h"
#include "zipwriter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

class Pack : public ::testing::Test {
protected:
    void SetUp() override
    {
        startLibraryWithoutDisplay();
        enterScratchDir("pack-tool");
    }
};

ProgramRun runChecker(const std::vector<std::string>& args)
{
    return runProgram(QUORVEL_CHECK, args, true);
}

void picture(const std::string& path)
{
    ASSERT_TRUE(writePicture(path, 64, 48, 90, 120, 150)) << path;
}

// The names of the entries of the archive at `path`, as the player's reader
// lists them; empty when it refuses the archive.
std::vector<std::string> entryNames(const std::string& path)
{
    const Result<std::shared_ptr<Archive>> archive = Archive::open(path);
    std::vector<std::string> names;
    if (archive.problem)
        return names;
    for (const ArchiveEntry& entry : archive.value->entries())
        names.push_back(entry.name);
    return names;
}

const std::string twoPages = BG_LINE
                             + page("pico_name:owl.png;\nsound_name:wind.wav;\nbut1_text:on;\n")
                             + page("but1_text:end;\nbut1_goto:0;\n");

struct Layout {
    const char* name;
    std::vector<std::string> pictures;  // files of the book's folder, pictures
    std::vector<std::string> others;    // and other files (copied from the demo when named so)
    std::string pages;
    std::vector<std::string> entries;   // what the archive holds, in order
};

TEST_F(Pack, TheArchiveHoldsTheBookAndNothingElse)
{
    const std::vector<Layout> layouts = {
        {"pictures and a sound, with stray files left out",
         {"pico/bg.png", "pico/owl.png", "pico/unused.png", "owl.png"},
         {"audio/wind.wav", "notes.txt", "audio/old.wav", "pages.dat~"},
         twoPages,
         {"forest/audio/wind.wav", "forest/pages.dat", "forest/pico/bg.png", "forest/pico/owl.png"}},
        {"the book's own font", {"pico/bg.png"}, {"font.dat"},
         BG_LINE + page("but1_text:end;\nbut1_goto:0;\n"),
         {"forest/font.dat", "forest/pages.dat", "forest/pico/bg.png"}},
        {"a background for each page, one named twice",
         {"pico/bg.png", "pico/night.png"}, {},
         BG_LINE + page("but1_text:on;\n") + "default_bg:night.png;\n" + page("but1_text:on;\n")
             + "default_bg:bg.png;\n" + page("but1_text:end;\nbut1_goto:0;\n"),
         {"forest/pages.dat", "forest/pico/bg.png", "forest/pico/night.png"}},
    };
    for (const Layout& layout : layouts) {
        SCOPED_TRACE(layout.name);
        enterScratchDir("pack-tool-layout");
        for (const std::string& file : layout.pictures)
            picture("books/forest/" + file);
        for (const std::string& file : layout.others) {
            if (file == "font.dat")
                copyFile(QUORVEL_DEMO_DIR "/font.dat", "books/forest/font.dat");
            else if (fs::path(file).extension() == ".wav")
                copyFile(QUORVEL_DEMO_DIR "/books/demo/audio/bell.wav", "books/forest/" + file);
            else
                writeFile("books/forest/" + file, "not part of the book\n");
        }
        writeFile("books/forest/pages.dat", layout.pages);
        const ProgramRun run = runChecker({"--pack", "books/forest"});
        ASSERT_EQ(run.status, 0) << run.output;
        EXPECT_EQ(run.output, "quorvel-check: wrote books/forest.zip: "
                                  + std::to_string(layout.entries.size())
                                  + " files in forest/\n0 errors, 0 warnings\n");
        EXPECT_EQ(entryNames("books/forest.zip"), layout.entries);
        // The checker passes what it wrote, read from the archive.
        const ProgramRun check = runChecker({"books/forest.zip"});
        EXPECT_EQ(check.status, 0) << check.output;
        EXPECT_EQ(check.output, "0 errors, 0 warnings\n");
    }
}

TEST_F(Pack, TheSameBookGivesTheSameBytes)
{
    picture("books/forest/pico/bg.png");
    picture("books/forest/pico/owl.png");
    copyFile(QUORVEL_DEMO_DIR "/font.dat", "books/forest/font.dat");
    writeFile("books/forest/pages.dat",
              BG_LINE + page("pico_name:owl.png;\nbut1_text:end;\nbut1_goto:0;\n"));
    ASSERT_EQ(runChecker({"--pack", "-o", "first.zip", "books/forest"}).status, 0);
    // A zip entry's time counts in steps of two seconds: the second
    // archive is written at least one step later, from files touched since.
    const std::time_t firstAt = std::time(nullptr);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::time(nullptr) < firstAt + 3 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_GE(std::time(nullptr), firstAt + 3);
    for (const char* file : {"pages.dat", "pico/bg.png", "font.dat"})
        fs::last_write_time("books/forest/" + std::string(file), fs::file_time_type::clock::now());
    ASSERT_EQ(runChecker({"--pack", "--output", "second.zip", "books/forest"}).status, 0);
    const std::string first = readFile("first.zip");
    EXPECT_FALSE(first.empty());
    EXPECT_TRUE(first == readFile("second.zip"));

    // Packed again from its own archive, the book gives the same bytes too.
    ASSERT_EQ(runChecker({"--pack", "-o", "third.zip", "first.zip"}).status, 0);
    EXPECT_TRUE(first == readFile("third.zip"));
}

TEST_F(Pack, ThePackedBookReadsToItsEnd)
{
    picture("books/forest/pico/bg.png");
    picture("books/forest/pico/owl.png");
    writeFile("books/forest/pages.dat", twoPages.substr(0, twoPages.find("sound_name"))
                                            + twoPages.substr(twoPages.find("but1_text:on")));
    ASSERT_EQ(runChecker({"--pack", "books/forest"}).status, 0);
    fs::remove_all("books/forest");
    const ProgramRun walk = runChecker({"--walk", "10", "books/forest.zip"});
    EXPECT_EQ(walk.status, 0) << walk.output;
    EXPECT_EQ(walk.output, "10 random readings from page 1 (seed 1):\n"
                           "  10 ended by \"end\" on page 2\n"
                           "pages no reading showed: none\n"
                           "0 errors, 0 warnings\n");
}

struct Refusal {
    const char* name;
    std::string pages;       // the book's pages.dat
    std::string target;      // -o, "" for none
    std::string says;        // a line of what the checker says
};

TEST_F(Pack, ABookWithErrorsOrANoPlaceToWriteIsRefusedAndNothingWritten)
{
    const std::string good = BG_LINE + page("but1_text:end;\nbut1_goto:0;\n");
    const std::vector<Refusal> refusals = {
        {"a missing picture", BG_LINE + page("pico_name:gone.png;\nbut1_text:end;\nbut1_goto:0;\n"),
         "", "quorvel-check: not packed: the book has 1 error\n"},
        {"two errors", BG_LINE + page("but1_text:on;\nbut1_goto:7;\nbut2_text:off;\n"), "",
         "quorvel-check: not packed: the book has 2 errors\n"},
        {"no page at all", BG_LINE, "", "quorvel-check: not packed: the book has 1 error\n"},
        {"a folder where the archive would go", good, "out",
         "out: error: is there and is not a regular file: not replaced\n"},
        {"a folder that is not there", good, "nowhere/out.zip", "nowhere/out.zip: error: cannot be written"},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.name);
        enterScratchDir("pack-tool-refused");
        picture("books/forest/pico/bg.png");
        writeFile("books/forest/pages.dat", refusal.pages);
        fs::create_directory("out");
        std::vector<std::string> args = {"--pack"};
        if (!refusal.target.empty())
            args.insert(args.end(), {"-o", refusal.target});
        args.push_back("books/forest");
        const ProgramRun run = runChecker(args);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.output.find(refusal.says), std::string::npos) << run.output;
        EXPECT_FALSE(fs::exists("books/forest.zip"));
        EXPECT_TRUE(fs::is_directory("out"));
        EXPECT_TRUE(fs::is_empty("out"));
        // Nothing half written is left beside the book or the target.
        for (const char* folder : {"books", "."})
            for (const fs::directory_entry& entry : fs::directory_iterator(folder))
                EXPECT_EQ(entry.path().filename().string().find(".part"), std::string::npos)
                    << entry.path();
    }
}

TEST_F(Pack, AnArchiveThereIsReplacedAndSaidToBe)
{
    picture("books/forest/pico/bg.png");
    writeFile("books/forest/pages.dat", BG_LINE + page("but1_text:end;\nbut1_goto:0;\n"));
    writeFile("books/forest.zip", "an older archive");
    const ProgramRun run = runChecker({"--pack", "books/forest"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "quorvel-check: replaced books/forest.zip: 2 files in forest/\n"
                          "0 errors, 0 warnings\n");
    EXPECT_EQ(entryNames("books/forest.zip"),
              (std::vector<std::string>{"forest/pages.dat", "forest/pico/bg.png"}));

    // A book with errors leaves the archive there as it was.
    const std::string before = readFile("books/forest.zip");
    writeFile("books/forest/pages.dat", BG_LINE + page("pico_name:gone.png;\nbut1_text:end;\n"));
    EXPECT_EQ(runChecker({"--pack", "books/forest"}).status, 1);
    EXPECT_TRUE(readFile("books/forest.zip") == before);
}

TEST_F(Pack, TheCommandLine)
{
    writeFile("books/forest/pages.dat", BG_LINE);
    EXPECT_NE(runChecker({"-o", "x.zip", "books/forest"}).output.find("-o goes with --pack"),
              std::string::npos);
    EXPECT_NE(runChecker({"--pack", "--stats", "books/forest"}).output.find("one report at a time"),
              std::string::npos);
    EXPECT_NE(runChecker({"--help"}).output.find("--pack"), std::string::npos);
}

} // namespace
