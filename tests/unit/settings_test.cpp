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
#include <vector>

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

// The key table of ini.dat (init.h: settingKeys) against its reader: each
// row appends, turns on at YES, ignores values and keeps bytes just as it
// says.
class SettingKeyRow : public Settings, public ::testing::WithParamInterface<std::string> {
protected:
    const SettingKey& key() const { return *findSettingKey(GetParam()); }

    // What the settings are after reading `contents` as ini.dat from the
    // defaults, told as one text so that two readings can be compared. A
    // flag setting counts only as on or off.
    std::string settingsAfter(const std::string& contents,
                              std::vector<SettingEvent>* events = nullptr)
    {
        main_bg_name[0] = '\0'; // the reader never resets it
        resetSettings();
        writeFile("ini.dat", contents);
        EXPECT_EQ(readSettingsFile("ini.dat",
                                   [&](const SettingEvent& e) {
                                       if (events)
                                           events->push_back(e);
                                   }),
                  std::nullopt);
        return std::string("windowed ") + (isFlagOn(windowed) ? "on" : "off") + ", book " + book
               + ", main_bg " + main_bg_name + ", resume " + (resumeReading ? "on" : "off")
               + ", scale " + std::to_string(window_scale) + ", speech "
               + (speechAtStart ? "on" : "off");
    }

    std::string line(const std::string& value) const
    {
        return std::string(key().name) + ":" + value + ";\n";
    }
};

TEST_P(SettingKeyRow, AppendsOnlyWhereItsRowSays)
{
    const std::string both = settingsAfter(line("1") + line("2"));
    const std::string second = settingsAfter(line("2"));
    EXPECT_EQ(both != second, key().appends) << both << " / " << second;
}

// The keys that are flags.
class SettingFlagKey : public SettingKeyRow {};

TEST_P(SettingFlagKey, TurnsOnAtExactlyYes)
{
    const std::string on = settingsAfter(line(FLAG_ON));
    const std::string off = settingsAfter(line(FLAG_OFF));
    EXPECT_NE(on, off);
    EXPECT_EQ(settingsAfter(line("yes")), off);
    EXPECT_EQ(settingsAfter(line("YES ")), off);
}

TEST_P(SettingKeyRow, IgnoresJustTheValuesItsRowSays)
{
    std::vector<SettingEvent> events;
    const std::string after = settingsAfter(line("no such value"), &events);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].row, &key());
    EXPECT_EQ(events[0].line, 1);
    if (key().ignoredValue.empty()) {
        EXPECT_EQ(events[0].kind, SettingEventKind::Applied);
    } else {
        EXPECT_EQ(events[0].kind, SettingEventKind::Ignored);
        EXPECT_EQ(after, settingsAfter("")) << "an ignored line changes nothing";
    }
}

// The keys that keep a text.
class SettingTextKey : public SettingKeyRow {};

TEST_P(SettingTextKey, KeepsWhatItsLimitSays)
{
    settingsAfter(line(std::string(key().limit + 20, 'x')));
    const std::string name = key().name;
    const char* kept = name == "windowed" ? windowed : name == "book" ? book : main_bg_name;
    EXPECT_EQ(std::strlen(kept), key().limit - 1) << kept;
}

// The names of the rows `keep` is true of.
template <typename Keep>
std::vector<std::string> settingKeysWhere(Keep keep)
{
    std::vector<std::string> names;
    for (const SettingKey& key : settingKeys())
        if (keep(key))
            names.push_back(key.name);
    return names;
}

std::string settingName(const ::testing::TestParamInfo<std::string>& info)
{
    return info.param;
}

INSTANTIATE_TEST_SUITE_P(SettingKeyTable, SettingKeyRow,
                         ::testing::ValuesIn(settingKeysWhere([](const SettingKey&) { return true; })),
                         settingName);
INSTANTIATE_TEST_SUITE_P(SettingKeyTable, SettingFlagKey,
                         ::testing::ValuesIn(settingKeysWhere(
                             [](const SettingKey& key) { return key.flag.on != nullptr; })),
                         settingName);
INSTANTIATE_TEST_SUITE_P(SettingKeyTable, SettingTextKey,
                         ::testing::ValuesIn(settingKeysWhere(
                             [](const SettingKey& key) { return key.limit > 0; })),
                         settingName);

TEST_F(Settings, TellsWhatItMeetsOnEachLine)
{
    std::vector<SettingEvent> events;
    writeFile("ini.dat", "windowed:NO; # a remark\n"  // 1
                         "volume:11;\n"               // 2 unknown
                         "book:tale\n"                // 3 invalid
                         "\n"                         // 4 blank: nothing to say
                         "#scale:2;\n"                // 5 comment: nothing to say
                         "scale:12;\n");              // 6 ignored
    ASSERT_EQ(readSettingsFile("ini.dat", [&](const SettingEvent& e) { events.push_back(e); }),
              std::nullopt);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].line, 1);
    EXPECT_EQ(events[0].kind, SettingEventKind::Applied);
    EXPECT_EQ(events[0].after, " # a remark");
    EXPECT_EQ(events[1].line, 2);
    EXPECT_EQ(events[1].kind, SettingEventKind::UnknownKey);
    EXPECT_EQ(events[1].key, "volume");
    EXPECT_EQ(events[2].line, 3);
    EXPECT_EQ(events[2].kind, SettingEventKind::InvalidLine);
    EXPECT_EQ(events[3].line, 6);
    EXPECT_EQ(events[3].kind, SettingEventKind::Ignored);
    EXPECT_STREQ(windowed, "NO");
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
