// The book checker's library: its findings on faulty books made here with
// real pictures and sounds, the demo book, the page map in DOT, and where a
// path puts the book.
#include "app/bookplace.h"
#include "assets.h"
#include "book/book.h"
#include "books.h"
#include "casename.h"
#include "check.h"
#include "checkerbooks.h"
#include "glyphs.h"
#include "init.h"
#include "keys.h"
#include "media/media.h"
#include "pagemap.h"
#include "report.h"
#include "session.h"
#include "testenv.h"
#include "text/buffers.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A scratch working directory with the book "books/t": a background, an
// illustration, a sound of each kind and a picture and a sound that are
// not what their names say.
class Check : public ::testing::Test {
protected:
    void SetUp() override
    {
        startLibraryWithoutDisplay();
        set_color_depth(32);
        installCheckingLoaders();
        scratch_ = enterScratchDir("check");
        copyCut(book, sizeof book, "books/t");
        putPicture("books/t/pico/bg.png", 40, 30, 200, 180, 90);
        putPicture("books/t/pico/path.png", 40, 30, 200, 180, 90);
        writeFile("books/t/pico/broken.png", "not a picture");
        writeFile("books/t/audio/broken.wav", "not a sound");
        // Files the library would try to decode but the player refuses: a
        // PNG whose header states 65536 x 65536 pixels, a WAV with two data
        // chunks.
        std::string huge = readFile("books/t/pico/path.png");
        huge.replace(16, 8, std::string("\0\1\0\0\0\1\0\0", 8));
        writeFile("books/t/pico/huge.png", huge);
        ASSERT_TRUE(writeWav("books/t/audio/twice.wav", makeTone(440, 0.1, 22050), 22050, 1));
        writeFile("books/t/audio/twice.wav",
                  readFile("books/t/audio/twice.wav") + std::string("data\4\0\0\0\1\2\3\4", 12));
        ASSERT_TRUE(writeOgg("books/t/audio/wind.ogg", makeTone(220, 0.1, 22050), 22050, 1));
        ASSERT_TRUE(writeWav("books/t/audio/bell.wav", makeTone(880, 0.1, 22050), 22050, 1));
    }

    void TearDown() override { unloadFont(font_); }

    CheckResult check(const std::string& pages, FONT* font = nullptr)
    {
        writeFile("books/t/pages.dat", pages);
        return checkBook({font, "books/t"});
    }

    std::vector<std::string> reported(const std::string& pages, FONT* font = nullptr)
    {
        return reportLines(check(pages, font).findings);
    }

    FONT* demoFontLoaded()
    {
        font_ = loadFont(DEMO_FONT);
        return font_.font.get();
    }

    std::string scratch_;
    LoadedFont font_;
};

struct BookCase {
    const char* name;
    std::string pages;
    std::vector<std::string> lines;  // the report, in order
};

void PrintTo(const BookCase& c, std::ostream* out)
{
    *out << c.name;
}

// Faulty books, and the report of each, fault by fault on its line.
const BookCase faultyBooks[] = {
    {"the two-page example of the README is clean",
     BG_LINE + "book_name:Forest;\npage_start:;\nroom_name:Edge of the forest;\n"
          "text_main:A path leads into the trees.;\npico_name:path.png;\nsound_name:wind.ogg;\n"
          "sound_loop:NO;\nbut1_text:Go on;\npage_end:;\npage_start:;\ntext_main:It is dark.;\n"
          "but1_text:Back;\nbut1_goto:1;\npage_end:;\n",
     {}},
    {"comments, blank lines, remarks, a byte-order mark and CRLF say nothing",
     "\xEF\xBB\xBF# a remark\r\n\r\n   \r\n" + std::string("default_bg:bg.png; # a remark\r\n")
         + "#room_name:x;\r\npage_start:;\r\nbut1_text:End;\r\npage_end:;\r\n",
     {}},
    {"missing and undecodable files",
     BG_LINE + "page_start:;\npico_name:absent.png;\npico_name:broken.png;\nsound_name:absent.ogg;\n"
          "sound_name:broken.wav;\nsound_name:bell.wav;\nbut1_text:x;\npage_end:;\n",
     {"pages.dat:3: error: picture \"pico/absent.png\" not found",
      "pages.dat:4: error: picture \"pico/broken.png\" is not a picture the player reads "
      "(PNG, BMP, PCX or TGA)",
      "pages.dat:4: warning: pico_name given twice on this page (first at line 3): the player keeps this one",
      "pages.dat:5: error: sound \"audio/absent.ogg\" not found",
      "pages.dat:6: error: sound \"audio/broken.wav\" is not a sound file the player reads",
      "pages.dat:6: warning: sound_name given twice on this page (first at line 5): the player keeps this one",
      "pages.dat:7: warning: sound_name given twice on this page (first at line 5): the player keeps this one"}},
    {"files the player's decoders refuse",
     BG_LINE + "page_start:;\npico_name:huge.png;\nsound_name:twice.wav;\nbut1_text:x;\npage_end:;\n",
     {"pages.dat:3: error: picture \"pico/huge.png\" is 65536 × 65536: larger than the "
      "4096 × 4096 the player shows",
      "pages.dat:4: error: sound \"audio/twice.wav\" cannot be decoded (libsndfile: Internal "
      "error : SF_INFO struct incomplete.)"}},
    {"a missing background is told once, at the first page it fails",
     "default_bg:absent.png;\npage_start:;\nbut1_text:x;\npage_end:;\n"
     "page_start:;\nbut1_text:x;\npage_end:;\n",
     {"pages.dat:2: error: background \"pico/absent.png\" (default_bg at line 1) not found"}},
    {"a page before any default_bg",
     "page_start:;\nbut1_text:x;\npage_end:;\n" + BG_LINE + "page_start:;\nbut1_text:x;\npage_end:;\n",
     {"pages.dat:1: error: page without a background: no default_bg line before it"}},
    {"targets that end the book",
     BG_LINE + "page_start:;\nbut1_text:a;\nbut1_goto:3;\nbut2_text:b;\nbut3_text:c;\nbut3_goto:0;\n"
          "page_end:;\npage_start:;\nbut1_text:a;\nbut2_text:b;\nbut2_goto:two;\n"
          "but3_text:c;\nbut3_goto:-3;\npage_end:;\n",
     {"pages.dat:4: error: but1_goto 3 is past the last page (2): the choice ends the book",
      "pages.dat:5: error: but2_text without but2_goto: the choice ends the book",
      "pages.dat:7: error: but3_goto \"0\" is no page (pages count from 1): the choice ends the book",
      "pages.dat:9: warning: page 2 is not reached from page 1",
      "pages.dat:12: error: but2_goto \"two\" names no page: the choice ends the book",
      "pages.dat:14: error: but3_goto \"-3\" is no page (pages count from 1): the choice ends the book"}},
    {"targets the first choice may leave out, and an ending on the last page",
     BG_LINE + "page_start:;\nbut1_text:on;\nbut1_goto:0;\npage_end:;\n"
          "page_start:;\nbut1_text:on;\nbut1_goto:-4;\npage_end:;\n"
          "page_start:;\nbut1_text:close;\npage_end:;\n",
     {}},
    {"lines outside pages and broken page bounds",
     BG_LINE + "room_name:stray;\npage_end:;\npage_start:;\nbut1_text:x;\npage_end:;\n"
          "page_start:;\nroom_name:dropped;\npage_start:;\nbut1_text:kept;\npage_end:;\n"
          "page_start:;\n",
     {"pages.dat:2: error: room_name outside a page: ignored (no page_start before it)",
      "pages.dat:3: warning: page_end without a page_start: ignored",
      "pages.dat:7: warning: page never ended (no page_end after it): the player drops it",
      "pages.dat:12: warning: page never ended (no page_end after it): the player drops it"}},
    {"unknown keys and skipped lines",
     BG_LINE + "page_start:;\nbut1_txt:typo;\nRoom_Name:x;\npiconame:x;\nvolume:11;\n"
          "but1_text:x\nbut1_text x;\nbut1_text:ok;\npage_end:;\n",
     {"pages.dat:3: warning: unknown key \"but1_txt\" (did you mean \"but1_text\"?)",
      "pages.dat:4: warning: unknown key \"Room_Name\" (did you mean \"room_name\"?)",
      "pages.dat:5: warning: unknown key \"piconame\" (did you mean \"pico_name\"?)",
      "pages.dat:6: warning: unknown key \"volume\": line ignored",
      "pages.dat:7: warning: line skipped: no ';' after the ':'",
      "pages.dat:8: warning: line skipped: it has no ':'"}},
    {"hidden choices, unreachable pages and pages without a choice",
     BG_LINE + "page_start:;\nbut1_text:on;\nbut2_goto:3;\npage_end:;\n"
          "page_start:;\nbut1_text:;\nbut1_goto:1;\npage_end:;\n"
          "page_start:;\nbut3_goto:1;\npage_end:;\n",
     {"pages.dat:4: warning: but2_goto without but2_text: the choice is hidden",
      "pages.dat:7: warning: but1_text is empty: the button shows no text",
      "pages.dat:10: warning: page 3 is not reached from page 1",
      "pages.dat:10: warning: page 3 has no choice: the reader can only go back to the menu",
      "pages.dat:11: warning: but3_goto without but3_text: the choice is hidden"}},
    {"sound_loop values",
     BG_LINE + "page_start:;\nsound_loop:YES;\nsound_loop:NO;\nsound_loop:yes;\nsound_loop:;\n"
          "but1_text:x;\npage_end:;\n",
     {"pages.dat:4: warning: sound_loop given twice on this page (first at line 3): the player keeps this one",
      "pages.dat:5: warning: sound_loop \"yes\" is neither YES nor NO: only exactly YES plays "
      "the sound once, any other value loops it",
      "pages.dat:5: warning: sound_loop given twice on this page (first at line 3): the player keeps this one",
      "pages.dat:6: warning: sound_loop \"\" is neither YES nor NO: only exactly YES plays "
      "the sound once, any other value loops it",
      "pages.dat:6: warning: sound_loop given twice on this page (first at line 3): the player keeps this one"}},
    {"a book without pages", BG_LINE + "book_name:Empty;\n",
     {"pages.dat: error: the book has no page (a page runs from page_start to page_end)"}},
};

class FaultyBook : public Check, public ::testing::WithParamInterface<BookCase> {};

TEST_P(FaultyBook, IsReportedFaultByFault)
{
    EXPECT_EQ(reported(GetParam().pages), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(Check, FaultyBook, ::testing::ValuesIn(faultyBooks), NamedAfterCase());

const std::string room31(31, 'r');
const std::string label63(63, 'l');
const std::string text4095(4095, 't');
// Two-byte letters: the cut falls on a whole character.
const std::string cyrillicRoom = "Очень длинное название комнаты";

// Books whose texts the player cuts.
const BookCase cutTexts[] = {
    {"texts that just fit",
     BG_LINE + "end_message_1:" + label63 + ";\npage_start:;\nroom_name:" + room31 + ";\ntext_main:"
         + text4095 + ";\nbut1_text:" + label63 + ";\npage_end:;\n",
     {}},
    {"texts one byte too long",
     BG_LINE + "end_message_2:" + label63 + "e;\npage_start:;\nroom_name:" + room31 + "r;\ntext_main:"
         + text4095 + "t;\nbut1_text:" + label63 + "l;\nbut2_text:" + label63
         + "ll;\nbut2_goto:1;\npage_end:;\n",
     {"pages.dat:2: warning: end_message_2 is 64 bytes: the player keeps only its first 63",
      "pages.dat:4: warning: room_name is 32 bytes, more than the 31 the page draws: it shows \""
          + room31 + "\"",
      "pages.dat:5: warning: text_main is 4096 bytes: the player keeps only its first 4095",
      "pages.dat:6: warning: but1_text is 64 bytes: the player keeps only its first 63",
      "pages.dat:7: warning: but2_text is 65 bytes: the player keeps only its first 63"}},
    {"a room name cut at a whole character",
     BG_LINE + "page_start:;\nroom_name:" + cyrillicRoom + ";\nbut1_text:x;\npage_end:;\n",
     {"pages.dat:3: warning: room_name is 57 bytes, more than the 31 the page draws: it shows "
      "\"Очень длинное на\""}},
};

class BookWithCutTexts : public Check, public ::testing::WithParamInterface<BookCase> {};

TEST_P(BookWithCutTexts, IsReportedTextByText)
{
    EXPECT_EQ(reported(GetParam().pages), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(Check, BookWithCutTexts, ::testing::ValuesIn(cutTexts), NamedAfterCase());

TEST_F(Check, ReportsPathsThePlayerCuts)
{
    const std::string longName(40, 'n');
    // A path cut by the player names another file, which is then not found.
    const std::string picture = "books/t/pico/" + longName + "-and-a-little-more.png"; // 75 bytes
    const std::string sound = "books/t/audio/" + longName + "-and-more.ogg";          // 67 bytes
    const std::vector<std::string> expected = {
        "pages.dat:1: warning: path \"" + picture + "\" is 75 bytes: the player cuts it to \""
            + picture.substr(0, 63) + "\"",
        "pages.dat:2: error: background \"" + picture.substr(8, 55) + "\" (default_bg at line 1) not found",
        "pages.dat:3: warning: path \"" + sound + "\" is 67 bytes: the player cuts it to \""
            + sound.substr(0, 63) + "\"",
        "pages.dat:3: error: sound \"" + sound.substr(8, 55) + "\" not found",
    };
    EXPECT_EQ(reported("default_bg:" + longName + "-and-a-little-more.png;\npage_start:;\nsound_name:"
                       + longName + "-and-more.ogg;\nbut1_text:x;\npage_end:;\n"),
              expected);
}

// Books with characters the demo font may lack.
const BookCase bookGlyphs[] = {
    {"Latin, Cyrillic, quotes and dashes of the demo font",
     BG_LINE + "end_message_1:Конец — «ёлка»;\npage_start:;\nroom_name:Ёж / Hedgehog;\n"
          "text_main:“Quotes” … №5 – ok;\nbut1_text:Дальше;\npage_end:;\n",
     {}},
    {"every drawn text is looked at, each missing character once per line",
     BG_LINE + "book_name:中 is never drawn;\nend_message_3:Ende ☃;\npage_start:;\nroom_name:中中☃;\n"
          "text_main:a\tb;\nbut1_text:中;\nbut2_text:€;\nbut2_goto:1;\nbut3_text:ok;\n"
          "but3_goto:1;\npage_end:;\n",
     {"pages.dat:3: warning: end_message_3: the font has no glyph for \"☃\" (U+2603)",
      "pages.dat:5: warning: room_name: the font has no glyph for \"中\" (U+4E2D), \"☃\" (U+2603)",
      "pages.dat:6: warning: text_main: the font has no glyph for U+0009",
      "pages.dat:7: warning: but1_text: the font has no glyph for \"中\" (U+4E2D)",
      "pages.dat:8: warning: but2_text: the font has no glyph for \"€\" (U+20AC)"}},
};

class BookCharacters : public Check, public ::testing::WithParamInterface<BookCase> {};

TEST_P(BookCharacters, AreReportedWhenTheFontCannotDrawThem)
{
    FONT* font = demoFontLoaded();
    ASSERT_TRUE(font) << DEMO_FONT;
    EXPECT_EQ(reported(GetParam().pages, font), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(Check, BookCharacters, ::testing::ValuesIn(bookGlyphs), NamedAfterCase());

TEST_F(Check, LeavesThePlayerWithNoPagesHeld)
{
    const CheckResult result = check(BG_LINE + "page_start:;\npico_name:path.png;\nsound_name:wind.ogg;\n"
                                          "but1_text:x;\npage_end:;\n");
    EXPECT_TRUE(result.opened);
    EXPECT_EQ(result.map.size(), 1u);
    EXPECT_TRUE(gamedataPages.empty());
    EXPECT_EQ(heldPictureCount(), 0u);
    EXPECT_EQ(heldSoundCount(), 0u);
}

TEST_F(Check, ABookFileThatIsNotThere)
{
    copyCut(book, sizeof book, "books/absent");
    const CheckResult result = checkBook({nullptr, "books/absent"});
    EXPECT_FALSE(result.opened);
    EXPECT_EQ(reportLines(result.findings),
              std::vector<std::string>{"pages.dat: error: cannot open the book file"});
}

TEST_F(Check, TheDemoBookHasNoFault)
{
    fs::current_path(QUORVEL_DEMO_DIR);
    copyCut(book, sizeof book, "books/demo");
    FONT* font = demoFontLoaded();
    ASSERT_TRUE(font);
    const CheckResult result = checkBook({font, "books/demo"});
    ASSERT_TRUE(result.opened);
    // It shows how a good book looks: nothing for its author to mend, no
    // collision on any page; its first page's text scrolls.
    EXPECT_EQ(reportLines(result.findings),
              std::vector<std::string>{"pages.dat:13: note: text_main takes 8 lines, the text box "
                                       "shows 5: the reader scrolls to read the rest"});
    ASSERT_EQ(result.map.size(), 10u);
    for (const MapPage& page : result.map)
        EXPECT_TRUE(page.reachable) << page.roomName;
    // The epilogue closes the book or starts it again.
    EXPECT_EQ(result.map[9].choices[0].targetPage, 0);
    EXPECT_EQ(result.map[9].choices[1].targetPage, 1);
}

TEST_F(Check, DrawsTheMapOfAThreePageBook)
{
    const CheckResult result = check(BG_LINE
                                     + "page_start:;\nroom_name:Start \"here\";\nbut1_text:On;\n"
                                       "but2_text:Quit \"now\";\nbut2_goto:9;\npage_end:;\n"
                                       "page_start:;\nroom_name:Back\\slash;\nbut1_text:Back;\n"
                                       "but1_goto:1;\nbut3_goto:3;\npage_end:;\n"
                                       "page_start:;\nbut1_text:Close;\npage_end:;\n");
    const std::string dot = pageMapDot(result.map);
    const char* const mustHold[] = {
        "digraph book {\n",
        "  start -> p1;\n",
        "  p1 [label=\"1\\nStart \\\"here\\\"\"];\n",
        "  p2 [label=\"2\\nBack\\\\slash\"];\n",
        "  p3 [label=\"3 (unreachable)\", style=\"dashed,filled\", fillcolor=\"lightgrey\"];\n",
        "  end [label=\"end\", shape=doublecircle];\n",
        "  p1 -> p2 [label=\"On\"];\n",
        // A target past the last page is no ending as meant.
        "  nopage [label=\"no such page\", shape=octagon, color=\"red\", fontcolor=\"red\"];\n",
        "  p1 -> nopage [label=\"Quit \\\"now\\\"\", style=dashed, color=\"red\", fontcolor=\"red\"];\n",
        "  p2 -> p1 [label=\"Back\"];\n",
        "  p3 -> end [label=\"Close\"];\n",
    };
    for (const char* line : mustHold)
        EXPECT_NE(dot.find(line), std::string::npos) << line << "\nin:\n" << dot;
    // The hidden third choice of page 2 is no edge.
    EXPECT_EQ(dot.find("p2 -> p3"), std::string::npos) << dot;
    EXPECT_EQ(dot.substr(dot.size() - 2), "}\n");
}

TEST(CheckRules, ReachabilityFollowsOnlyShownChoices)
{
    PageMap map(4);
    map[0].choices[0] = {true, "to 3", 3};
    map[0].choices[1] = {false, "", 2}; // hidden: leads nowhere
    map[2].choices[2] = {true, "end", 0};
    map[3].choices[0] = {true, "to 1", 1};
    markReachable(map);
    const bool expected[] = {true, false, true, false};
    for (std::size_t i = 0; i < map.size(); ++i)
        EXPECT_EQ(map[i].reachable, expected[i]) << "page " << i + 1;
}

TEST(CheckRules, EditDistanceAndSuggestions)
{
    struct Distance {
        const char* a;
        const char* b;
        int expected;
    };
    const Distance distances[] = {
        {"", "", 0}, {"abc", "", 3}, {"", "abc", 3}, {"but1_txt", "but1_text", 1},
        {"kitten", "sitting", 3}, {"room_name", "room_name", 0}, {"flaw", "lawn", 2},
    };
    for (const Distance& d : distances)
        EXPECT_EQ(editDistance(d.a, d.b), d.expected) << d.a << " / " << d.b;

    struct Suggestion {
        const char* key;
        const char* expected;
    };
    const Suggestion suggestions[] = {
        {"but1_txt", "but1_text"}, {"but3goto", "but3_goto"}, {"pagestart", "page_start"},
        {"end_message_4", "end_message_1"}, {"sound_lop", "sound_loop"}, {"Room_Name", "room_name"},
        {"volume", ""}, {"x", ""}, {"", ""},
    };
    for (const Suggestion& s : suggestions)
        EXPECT_EQ(nearestKey(s.key), s.expected) << s.key;
}

TEST(CheckRules, ReportLines)
{
    const std::vector<Finding> findings = {
        {12, Severity::Error, "one"}, {0, Severity::Warning, "two"}, {3, Severity::Warning, "three"}};
    EXPECT_EQ(formatFinding("books/demo/pages.dat", findings[0]), "books/demo/pages.dat:12: error: one");
    EXPECT_EQ(formatFinding("books/demo/pages.dat", findings[1]), "books/demo/pages.dat: warning: two");
    EXPECT_EQ(summaryLine(findings), "1 error, 2 warnings");
    EXPECT_EQ(summaryLine({}), "0 errors, 0 warnings");
    EXPECT_EQ(summaryLine({findings[1]}), "0 errors, 1 warning");
    EXPECT_EQ(dotEscaped("a \"b\" \\c"), "a \\\"b\\\" \\\\c");
}

TEST(CheckRules, MissingGlyphsOfTheDemoFont)
{
    startLibraryWithoutDisplay();
    LoadedFont loaded = loadFont(DEMO_FONT);
    ASSERT_TRUE(loaded.font);
    struct Case {
        const char* text;
        std::vector<int> missing;
    };
    const Case cases[] = {
        {"", {}}, {"plain ASCII ~", {}}, {"ёЖ «» – — … №", {}},
        {"中文中", {0x4E2D, 0x6587}}, {"a\x7f", {0x7F}}, {"€uro ☃", {0x20AC, 0x2603}},
        {"\xD0", {}}, // a sequence cut short: the library reads it as '^', never past the end
    };
    for (const Case& c : cases)
        EXPECT_EQ(missingGlyphs(loaded.font.get(), c.text), c.missing) << c.text;
    EXPECT_EQ(describeCharacter(0x4E2D), "\"中\" (U+4E2D)");
    EXPECT_EQ(describeCharacter(0x09), "U+0009");
    EXPECT_EQ(describeCharacter(0x1F600), "\"\xF0\x9F\x98\x80\" (U+1F600)");
    unloadFont(loaded);
    EXPECT_EQ(loaded.font, nullptr);
}

TEST(CheckSession, WhereAPathPutsTheBook)
{
    startLibraryWithoutDisplay();
    const std::string root = enterScratchDir("locate");
    writeFile("work/ini.dat", "book:tale;\n");
    writeFile("work/books/tale/pages.dat", "");
    writeFile("loose/mine/pages.dat", "");
    writeFile("empty/.keep", "");

    const BookLocation settings = locateBookToCheck("work/");
    EXPECT_EQ(settings.place.kind, BookPlace::Kind::WorkingDirectory);
    EXPECT_EQ(settings.place.shownPath, "work");
    EXPECT_EQ(settings.place.workDir, root + "/work");
    EXPECT_EQ(settings.fontPath, root + "/work/font.dat");

    // A book folder is read from the folder above it, by its name, with the
    // font installed with the programs (this test's own program lies in the
    // build tree's tests/, beside its bin/, so share/quorvel is the same),
    // unless it carries its own.
    BookLocation folder = locateBookToCheck("work/books/tale");
    EXPECT_EQ(folder.place.kind, BookPlace::Kind::BookFolder);
    EXPECT_EQ(folder.place.workDir, root + "/work/books");
    EXPECT_EQ(folder.place.book, "tale");
    EXPECT_EQ(folder.fontPath, QUORVEL_DEMO_DIR "/font.dat");

    writeFile("loose/mine/font.dat", "");
    const BookLocation loose = locateBookToCheck("loose/mine");
    EXPECT_EQ(loose.place.kind, BookPlace::Kind::BookFolder);
    EXPECT_EQ(loose.place.workDir, root + "/loose");
    EXPECT_EQ(loose.place.book, "mine");
    EXPECT_EQ(loose.fontPath, root + "/loose/mine/font.dat");

    EXPECT_EQ(locateBookToCheck("empty").place.kind, BookPlace::Kind::Nothing);
    EXPECT_EQ(locateBookToCheck("absent").place.kind, BookPlace::Kind::Nothing);

    ASSERT_TRUE(enterBook(folder));
    EXPECT_EQ(fs::current_path(), fs::path(root + "/work/books"));
    EXPECT_STREQ(book, "tale");
    EXPECT_EQ(folder.playerBook, "books/tale");
    EXPECT_EQ(folder.reportFile, "work/books/tale/pages.dat");

    fs::current_path(root);
    BookLocation entered = settings;
    ASSERT_TRUE(enterBook(entered));
    EXPECT_EQ(fs::current_path(), fs::path(root + "/work"));
    EXPECT_STREQ(book, "books/tale");
    EXPECT_EQ(entered.reportFile, "work/books/tale/pages.dat");
}

} // namespace
