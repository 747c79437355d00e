// Reading ini.dat, narrowing and cutting of texts, and the fatal reports of
// start-up and the loaders.
#include "app/report.h"
#include "init.h"
#include "testenv.h"
#include "text/buffers.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

namespace {

class Settings : public ::testing::Test {
protected:
    void SetUp() override
    {
        startLibraryWithoutDisplay();
        enterScratchDir("settings");
    }
};

TEST_F(Settings, DefaultsWithoutAFileAndAMessage)
{
    testing::internal::CaptureStdout();
    read_ini_file();
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("Can not load ini.dat \n Using defaults."), std::string::npos) << printed;
    EXPECT_STREQ(windowed, "YES");
    EXPECT_STREQ(book, "books/");
    EXPECT_STREQ(main_bg_name, "");
    EXPECT_STREQ(end_message_1, "Конец");
    EXPECT_STREQ(end_message_2, "The End");
    EXPECT_STREQ(end_message_3, "Всем спасибо.");
}

TEST_F(Settings, AFolderNamedIniDatCountsAsMissing)
{
    ASSERT_EQ(mkdir("ini.dat", 0755), 0);
    testing::internal::CaptureStdout();
    read_ini_file();
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Using defaults."), std::string::npos);
    EXPECT_STREQ(book, "books/");
}

struct IniCase {
    const char* name;
    const char* contents;
    const char* windowed;
    const char* book;
    const char* mainBg;
};

TEST_F(Settings, ReadsTheKnownKeys)
{
    const IniCase cases[] = {
        {"windowed only", "windowed:NO;\n", "NO", "books/", ""},
        {"lower-case yes is not YES", "windowed:yes;\n", "yes", "books/", ""},
        {"book lines append", "book:tale;\nbook:two;\n", "YES", "books/taletwo", ""},
        {"main_bg under pico/", "main_bg:bg.png;\n", "YES", "books/", "pico/bg.png"},
        {"comment line skipped", "#book:tale;\nbook:real;\n", "YES", "books/real", ""},
        {"text after ';' ignored", "book:tale; # and a remark\n", "YES", "books/tale", ""},
        {"key with a trailing space is unknown", "windowed :NO;\n", "YES", "books/", ""},
        {"unknown key ignored", "volume:11;\nbook:x;\n", "YES", "books/x", ""},
        {"line without ';' skipped", "book:tale\nwindowed:NO;\n", "NO", "books/", ""},
        {"byte-order mark skipped", "\xEF\xBB\xBF" "windowed:NO;\n", "NO", "books/", ""},
        {"CRLF line ends", "windowed:NO;\r\nbook:tale;\r\n", "NO", "books/tale", ""},
        {"Cyrillic folder kept as written", "book:сказка;\n", "YES", "books/сказка", ""},
        {"long windowed value cut", "windowed:0123456789ABCDEFGHIJ;\n", "0123456789ABCDE",
         "books/", ""},
    };
    for (const IniCase& c : cases) {
        main_bg_name[0] = '\0'; // the reader never resets it, and every case starts fresh
        writeFile("ini.dat", c.contents);
        read_ini_file();
        EXPECT_STREQ(windowed, c.windowed) << c.name;
        EXPECT_STREQ(book, c.book) << c.name;
        EXPECT_STREQ(main_bg_name, c.mainBg) << c.name;
    }
}

TEST_F(Settings, OverlongBookNameIsCutAtAWholeCharacter)
{
    // "books/" is 6 bytes; 29 two-byte letters would need 58 more, but only
    // 57 fit the 64-byte buffer: the last letter must go whole.
    std::string name;
    for (int i = 0; i < 29; ++i)
        name += "ж";
    writeFile("ini.dat", "book:" + name + ";\n");
    read_ini_file();
    EXPECT_EQ(std::string(book), "books/" + name.substr(0, 56));
}

TEST(Narrowing, GivesBackTheFilesOwnBytes)
{
    startLibraryWithoutDisplay();
    EXPECT_EQ(encrCyr("plain ASCII text"), "plain ASCII text");
    EXPECT_EQ(encrCyr(""), "");
    // "Ж" (D0 96) as read from a file: each byte widened to a character.
    EXPECT_EQ(encrCyr("\xC3\x90\xC2\x96 and more"), "\xD0\x96 and more");
}

struct CutCase {
    const char* src;
    std::size_t size;
    const char* expected;
};

TEST(CopyCut, EndsOnAWholeCharacter)
{
    const CutCase cases[] = {
        {"abc", 8, "abc"},
        {"abcdef", 4, "abc"},
        {"жжж", 7, "жжж"},
        {"жжж", 6, "жж"},
        {"жжж", 5, "жж"},
        {"aжb", 3, "a"},
        {"€x", 3, ""},
        {"€x", 4, "€"},
        {"", 1, ""},
    };
    for (const CutCase& c : cases) {
        char buffer[16];
        std::memset(buffer, '#', sizeof buffer);
        copyCut(buffer, c.size, c.src);
        EXPECT_STREQ(buffer, c.expected) << c.src << " into " << c.size;
        EXPECT_EQ(buffer[c.size], '#') << "wrote past the buffer: " << c.src;
    }
}

TEST(AppendCut, NeverWritesPastTheBuffer)
{
    char buffer[9] = "abcdefgh"; // full already
    appendCut(buffer, sizeof buffer, "xyz");
    EXPECT_STREQ(buffer, "abcdefgh");
    char room[8] = "ab";
    appendCut(room, sizeof room, "cdefghij");
    EXPECT_STREQ(room, "abcdefg");
}

// The fatal reports end the program with status 1 (toStderr: the death
// test reads standard error).
TEST_F(Settings, FatalReportsNameWhatFailed)
{
    EXPECT_EXIT((toStderr(), load_fonts()), testing::ExitedWithCode(EXIT_CANNOT_LOAD),
                "Can not load font file!");
    EXPECT_EXIT((toStderr(), loadPico("pico/missing.png")), testing::ExitedWithCode(EXIT_CANNOT_LOAD),
                "Can not load \"pico/missing.png\"\nProgramm will be closed.");
    EXPECT_EXIT((toStderr(), loadPico("")), testing::ExitedWithCode(EXIT_CANNOT_LOAD),
                "Can not load \"\"\nProgramm will be closed.");
    EXPECT_EXIT((toStderr(), loadAudio("audio/missing.ogg")), testing::ExitedWithCode(EXIT_CANNOT_LOAD),
                "Can not load \"audio/missing.ogg\"\nProgramm will be closed.");
    EXPECT_EXIT((toStderr(), fatalError("100% sure")), testing::ExitedWithCode(EXIT_CANNOT_LOAD),
                "100% sure");
}

TEST_F(Settings, FontFileThatIsNoDatafileIsFatal)
{
    writeFile("font.dat", "this is not a datafile");
    EXPECT_EXIT((toStderr(), load_fonts()), testing::ExitedWithCode(EXIT_CANNOT_LOAD),
                "Can not load font file!");
}

} // namespace
