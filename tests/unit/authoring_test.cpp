// What the checker tells an author beyond faults of the reader: slips that
// the player passes without a word, the texts the player draws of its own,
// and the reports (--stats, --text, --walk), on books made here.
#include "assets.h"
#include "book/book.h"
#include "books.h"
#include "checkerbooks.h"
#include "check.h"
#include "init.h"
#include "pagemap.h"
#include "report.h"
#include "session.h"
#include "settingscheck.h"
#include "stats.h"
#include "testenv.h"
#include "text/buffers.h"
#include "walk.h"

#include <loadpng.h>

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace {

// A picture whose left half is fully transparent.
void writeTransparentPicture(const std::string& path, int w, int h)
{
    BITMAP* picture = create_bitmap_ex(32, w, h);
    ASSERT_TRUE(picture);
    clear_to_color(picture, makeacol32(10, 20, 30, 255));
    rectfill(picture, 0, 0, w / 2 - 1, h - 1, makeacol32(0, 0, 0, 0));
    writeFile(path, "");
    ASSERT_EQ(save_png(path.c_str(), picture, nullptr), 0) << path;
    destroy_bitmap(picture);
}

// A scratch working directory with the book "books/t" and its pictures.
class Authoring : public ::testing::Test {
protected:
    void SetUp() override
    {
        startLibraryWithoutDisplay();
        set_color_depth(32);
        installCheckingLoaders();
        enterScratchDir("authoring");
        copyCut(book, sizeof book, "books/t");
        putPicture("books/t/pico/bg.png", 640, 480, 120, 160, 200);
        putPicture("books/t/pico/small.png", 200, 100, 120, 160, 200);
        putPicture("books/t/pico/w619.png", 619, 340, 120, 160, 200);
        putPicture("books/t/pico/w620.png", 620, 100, 120, 160, 200);
        putPicture("books/t/pico/w700.png", 700, 100, 120, 160, 200);
        putPicture("books/t/pico/h341.png", 100, 341, 120, 160, 200);
        putPicture("books/t/pico/w600.png", 600, 100, 120, 160, 200);
        putPicture("books/t/pico/dark.png", 640, 480, 20, 20, 30);
        writeTransparentPicture("books/t/pico/glass.png", 100, 50);
        writeTransparentPicture("books/t/pico/glassbg.png", 640, 480);
    }

    CheckResult check(const std::string& pages, FONT* font = nullptr)
    {
        writeFile("books/t/pages.dat", pages);
        return checkBook({font, "books/t"});
    }

    std::vector<std::string> reported(const std::string& pages, FONT* font = nullptr)
    {
        return reportLines(check(pages, font).findings);
    }
};

struct SlipCase {
    const char* name;
    std::string pages;
    std::vector<std::string> lines;
};

TEST_F(Authoring, ReportsSlipsThePlayerPassesSilently)
{
    const SlipCase cases[] = {
        {"prose cut at a ';', a stray word, and what is not lost",
         BG_LINE + pageOf("text_main:Волны бьются о камни; над морем кричат чайки;\n"
                   "room_name:Берег;   \t\nbut1_text:Дальше; # a remark\nbut2_text:Back; oops\n"
                   "but2_goto:1;\n"),
         {"pages.dat:3: warning: text after ';' is ignored: « над морем кричат чайки»",
          "pages.dat:6: warning: text after ';' is ignored: « oops»"}},
        {"a long loss is shortened",
         BG_LINE + pageOf("text_main:a;" + std::string(50, 'x') + "\nbut1_text:on;\n"),
         {"pages.dat:3: warning: text after ';' is ignored: «" + std::string(40, 'x') + "…»"}},
        {"targets with characters after their number",
         BG_LINE + pageOf("but1_text:a;\nbut1_goto:2x;\nbut2_text:b;\nbut2_goto: 2 ;\nbut3_text:c;\n"
                   "but3_goto:+2.5;\n")
             + pageOf("but1_text:on;\n"),
         {"pages.dat:4: warning: but1_goto \"2x\" is read as 2: \"x\" after the number is ignored",
          "pages.dat:8: warning: but3_goto \"+2.5\" is read as 2: \".5\" after the number is ignored"}},
        {"a key given twice on one page, not across pages",
         BG_LINE + pageOf("room_name:one;\nbut1_text:on;\nroom_name:two;\nbut1_text:again;\n")
             + pageOf("room_name:one;\nbut1_text:on;\n"),
         {"pages.dat:5: warning: room_name given twice on this page (first at line 3): the player "
          "keeps this one",
          "pages.dat:6: warning: but1_text given twice on this page (first at line 4): the player "
          "keeps this one"}},
        {"illustrations past their area, each file once",
         BG_LINE + pageOf("pico_name:w619.png;\nbut1_text:on;\n") + pageOf("pico_name:w620.png;\nbut1_text:on;\n")
             + pageOf("pico_name:w700.png;\nbut1_text:on;\n") + pageOf("pico_name:h341.png;\nbut1_text:on;\n")
             + pageOf("pico_name:w700.png;\nbut1_text:on;\n"),
         {"pages.dat:7: warning: illustration \"pico/w620.png\" is 620 pixels wide, more than 619: it "
          "is not centred but drawn where the illustration before it was",
          "pages.dat:11: warning: illustration \"pico/w700.png\" is 700 pixels wide, more than 619: it "
          "is not centred but drawn where the illustration before it was, and cut to 620",
          "pages.dat:15: warning: illustration \"pico/h341.png\" is 341 pixels tall: the page shows "
          "its top 340, the lowest 1 rows are cut off behind the choices"}},
        {"a transparent background shows black; a transparent illustration shows the background",
         "default_bg:glassbg.png;\n" + pageOf("pico_name:glass.png;\nbut1_text:on;\n")
             + pageOf("but1_text:on;\n"),
         {"pages.dat:1: warning: background \"pico/glassbg.png\" has transparent parts: they show "
          "black"}},
    };
    for (const SlipCase& c : cases)
        EXPECT_EQ(reported(c.pages), c.lines) << c.name;
}

// A text_main of `count` one-word paragraphs, each on a line of its own in
// the text box.
std::string paragraphs(int count)
{
    std::string text = "text_main:";
    for (int i = 1; i <= count; ++i)
        text += "word" + std::to_string(i) + (i < count ? "\n\n" : ";\n");
    return text;
}

// Collisions on a page as the reader would see them, measured in the
// library's own font (8 pixels a character), each on the line to change.
const SlipCase layoutCases[] = {
    {"three choices of ordinary length overlap",
     BG_LINE + pageOf("but1_text:Go down to the beach and wait for the tide;\n"
                      "but2_text:Take the cliff path to the old lighthouse;\n"
                      "but3_text:Stay in the village until the storm is over;\n"
                      "but2_goto:1;\nbut3_goto:1;\n"),
     {"pages.dat:4: warning: but2_text and but1_text overlap by 210 pixels: the reader sees one "
      "choice drawn over the other (shorten a label)",
      "pages.dat:5: warning: but3_text and but2_text overlap by 208 pixels: the reader sees one "
      "choice drawn over the other (shorten a label)",
      "pages.dat:5: warning: but3_text and but1_text overlap by 80 pixels: the reader sees one "
      "choice drawn over the other (shorten a label)"}},
    {"short choices stand apart", BG_LINE + pageOf("but1_text:On;\nbut2_text:Wait;\nbut3_text:Back;\n"
                                                   "but2_goto:1;\nbut3_goto:1;\n"),
     {}},
    {"an illustration over the title line and under the Menu button",
     BG_LINE + pageOf("room_name:The edge;\npico_name:w600.png;\nbut1_text:on;\n"),
     {"pages.dat:4: warning: illustration \"pico/w600.png\" runs 49 pixels into the title line: the "
      "reader sees the title drawn on the picture (a narrower picture keeps them apart)",
      "pages.dat:4: warning: illustration \"pico/w600.png\" runs 60 pixels under the Menu button: "
      "the reader sees the button on the picture (a narrower picture keeps them apart)"}},
    {"a narrow illustration leaves both clear",
     BG_LINE + pageOf("room_name:The edge;\npico_name:small.png;\nbut1_text:on;\n"), {}},
    {"a dark background under the title",
     "default_bg:dark.png;\n" + pageOf("room_name:Night;\nbut1_text:on;\n"),
     {"pages.dat:3: warning: room_name is drawn with a contrast of 1.1:1 against what lies under "
      "it, less than 3.0:1: the reader can hardly read the title (a lighter background behind it "
      "helps)"}},
    {"a light background under the title", BG_LINE + pageOf("room_name:Day;\nbut1_text:on;\n"), {}},
    {"a text of as many lines as the box shows", BG_LINE + pageOf(paragraphs(11) + "but1_text:on;\n"),
     {}},
    {"a text one line longer is noted",
     BG_LINE + pageOf(paragraphs(12) + "but1_text:on;\n"),
     {"pages.dat:3: note: text_main takes 12 lines, the text box shows 11: the reader scrolls to "
      "read the rest"}},
};

class LayoutCheck : public Authoring, public ::testing::WithParamInterface<SlipCase> {};

void PrintTo(const SlipCase& c, std::ostream* out)
{
    *out << c.name;
}

TEST_P(LayoutCheck, WarnsOfWhatTheReaderWouldSeeCollide)
{
    // The player's own texts, which this font cannot draw, are reported on
    // the file as a whole (line 0): they are not what is looked at here.
    std::vector<Finding> onLines;
    for (const Finding& finding : check(GetParam().pages, font).findings)
        if (finding.line > 0)
            onLines.push_back(finding);
    EXPECT_EQ(reportLines(onLines), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(Authoring, LayoutCheck, ::testing::ValuesIn(layoutCases),
                         [](const ::testing::TestParamInfo<SlipCase>& info) {
                             std::string name;
                             for (const char* c = info.param.name; *c; ++c)
                                 if (std::isalnum(static_cast<unsigned char>(*c)))
                                     name += *c;
                                 else if (*c == ' ' && c[1])
                                     name += '_';
                             return name;
                         });

// The page map marks the pages the reader would see collide, with their count.
TEST_F(Authoring, TheMapMarksPagesWithCollisions)
{
    const CheckResult result =
        check(BG_LINE + pageOf("room_name:The edge;\npico_name:w600.png;\nbut1_text:on;\n")
                  + pageOf("room_name:Calm;\npico_name:small.png;\nbut1_text:on;\n"),
              font);
    ASSERT_EQ(result.map.size(), 2u);
    EXPECT_EQ(result.map[0].collisions, 2);
    EXPECT_EQ(result.map[1].collisions, 0);
    const std::string dot = pageMapDot(result.map);
    EXPECT_NE(dot.find("  p1 [label=\"1\\nThe edge\\n(2 collisions)\", color=\"orange\", penwidth=2];\n"),
              std::string::npos)
        << dot;
    EXPECT_NE(dot.find("  p2 [label=\"2\\nCalm\"];\n"), std::string::npos) << dot;
}

TEST_F(Authoring, ReportsThePlayersOwnTextsAFontCannotDraw)
{
    // The library's own font has Latin letters and no Cyrillic ones.
    const std::string cyrillicMissing = "the font has no glyph for ";
    const std::vector<std::string> expected = {
        "pages.dat: warning: the title menu's book line \"Книга: books/t\": " + cyrillicMissing
            + "\"К\" (U+041A), \"н\" (U+043D), \"и\" (U+0438), \"г\" (U+0433), \"а\" (U+0430)",
        // the page a book resumes at, added to the book line
        "pages.dat: warning: the title menu's text \" — стр. 1\": " + cyrillicMissing
            + "\"—\" (U+2014), \"с\" (U+0441), \"т\" (U+0442), \"р\" (U+0440)",
        "pages.dat: warning: end_message_3 \"Всем спасибо.\" (the default: the book gives none): "
            + cyrillicMissing
            + "\"В\" (U+0412), \"с\" (U+0441), \"е\" (U+0435), \"м\" (U+043C), \"п\" (U+043F), "
              "\"а\" (U+0430), \"и\" (U+0438), \"б\" (U+0431), \"о\" (U+043E)",
        "pages.dat: warning: the end-of-book alert's button \"Выход\": " + cyrillicMissing
            + "\"В\" (U+0412), \"ы\" (U+044B), \"х\" (U+0445), \"о\" (U+043E), \"д\" (U+0434)",
        // the key help's arrows and minus sign
        "pages.dat: warning: the key help's keys \"← →\": " + cyrillicMissing
            + "\"←\" (U+2190), \"→\" (U+2192)",
        "pages.dat: warning: the key help's keys \"↑ ↓\": " + cyrillicMissing
            + "\"↑\" (U+2191), \"↓\" (U+2193)",
        "pages.dat: warning: the key help's keys \"Backspace, Alt+←, right mouse button\": "
            + cyrillicMissing + "\"←\" (U+2190)",
        "pages.dat: warning: the key help's keys \"Ctrl and +, Ctrl and −\": " + cyrillicMissing
            + "\"−\" (U+2212)",
        // what readers under an English or a Russian locale see, each in one line
        "pages.dat: warning: the player's own texts in its \"en\" translation (for readers whose"
        " locale asks for it): " + cyrillicMissing
            + "\"—\" (U+2014), \"←\" (U+2190), \"→\" (U+2192), \"↑\" (U+2191), \"↓\" (U+2193), "
              "\"−\" (U+2212)",
        "pages.dat: warning: the player's own texts in its \"ru\" translation (for readers whose"
        " locale asks for it): " + cyrillicMissing
            + "\"К\" (U+041A), \"н\" (U+043D), \"и\" (U+0438), \"г\" (U+0433), \"а\" (U+0430), "
              "\"Н\" (U+041D), \"ч\" (U+0447), \"т\" (U+0442), \"ь\" (U+044C), \"О\" (U+041E), "
              "\"п\" (U+043F), \"р\" (U+0440), \"о\" (U+043E), \"м\" (U+043C), \"е\" (U+0435), "
              "\"В\" (U+0412), \"ы\" (U+044B), \"х\" (U+0445), \"д\" (U+0434), \"С\" (U+0421), "
              "\"в\" (U+0432), \"й\" (U+0439), \"с\" (U+0441), \"ц\" (U+0446), \"к\" (U+043A), "
              "\"з\" (U+0437), \"л\" (U+043B), \"ш\" (U+0448), \"З\" (U+0417), \"—\" (U+2014), "
              "\"б\" (U+0431), \"М\" (U+041C), \"ю\" (U+044E), \"я\" (U+044F), \"э\" (U+044D), \"←\" (U+2190), "
              "\"→\" (U+2192), \"у\" (U+0443), \"↑\" (U+2191), \"↓\" (U+2193), \"ё\" (U+0451), "
              "\"−\" (U+2212), \"щ\" (U+0449), \"ж\" (U+0436), \"Л\" (U+041B), \"Ч\" (U+0427)",
        "pages.dat:3: warning: end_message_2: " + cyrillicMissing + "\"Ж\" (U+0416)",
    };
    EXPECT_EQ(reported(BG_LINE + "end_message_1:The end;\nend_message_2:Ж;\n" + pageOf("but1_text:on;\n"), font),
              expected);
}

struct SettingsCase {
    const char* name;
    std::string ini;
    std::vector<std::string> lines;
};

TEST_F(Authoring, ChecksTheSettingsFile)
{
    writeFile("books/tale/pages.dat", BG_LINE + pageOf("but1_text:on;\n"));
    putPicture("pico/title.png", 640, 480, 120, 160, 200);
    writeTransparentPicture("pico/glass.png", 640, 480);
    writeFile("pico/broken.png", "not a picture");
    const SettingsCase cases[] = {
        {"a clean file", "# settings\nwindowed:NO;\nbook:tale;\nmain_bg:title.png;\n", {}},
        {"every slip on its line",
         "windowed:yes;\nbok:tale;\nbook:tale;\nbook:two;\nmain_bg:title.png; remark\nnonsense\n",
         {"ini.dat:1: warning: windowed \"yes\" is neither YES nor NO: only exactly YES gives a "
          "window, any other value full screen",
          "ini.dat:2: warning: unknown key \"bok\" (did you mean \"book\"?)",
          "ini.dat:4: warning: book given twice (also at line 3): the player adds this value to the "
          "first",
          "ini.dat:4: error: book folder \"books/taletwo\" not found",
          "ini.dat:5: warning: text after ';' is ignored: « remark»",
          "ini.dat:6: warning: line skipped: it has no ':'"}},
        {"title pictures that are not there, cannot be decoded, or show black",
         "book:tale;\nmain_bg:absent.png;\nmain_bg:;\n",
         {"ini.dat:3: warning: main_bg given twice (also at line 2): the player adds this value to "
          "the first",
          "ini.dat:3: error: title picture \"pico/absent.pngpico/\" not found: the player cannot "
          "start"}},
        {"a broken title picture", "book:tale;\nmain_bg:broken.png;\n",
         {"ini.dat:2: error: title picture \"pico/broken.png\" is not a picture the player reads "
          "(PNG, BMP, PCX or TGA): the player cannot start"}},
        {"a transparent title picture", "book:tale;\nmain_bg:glass.png;\n",
         {"ini.dat:2: warning: title picture \"pico/glass.png\" has transparent parts: they show "
          "black"}},
        {"scales", "book:tale;\nmain_bg:title.png;\nscale:2;\nscale:auto;\nscale:9;\nscale: 2;\n",
         {"ini.dat:4: warning: scale given twice (also at line 3): the player keeps this one",
          "ini.dat:5: warning: scale \"9\" is neither a whole number from 1 to 8 nor auto: the "
          "player ignores the line",
          "ini.dat:6: warning: scale \" 2\" is neither a whole number from 1 to 8 nor auto: the "
          "player ignores the line"}},
        {"reading aloud", "book:tale;\nmain_bg:title.png;\nspeech:YES;\nspeech:yes;\n",
         {"ini.dat:4: warning: speech given twice (also at line 3): the player keeps this one",
          "ini.dat:4: warning: speech \"yes\" is neither YES nor NO: only exactly YES reads aloud "
          "from the start, any other value waits for V"}},
        {"nothing to open", "windowed:YES;\n",
         {"ini.dat: error: no book line: the player has no book to open",
          "ini.dat: error: no main_bg line: the player has no title picture and cannot start"}},
    };
    for (const SettingsCase& c : cases) {
        writeFile("ini.dat", c.ini);
        main_bg_name[0] = '\0'; // the player starts with none
        read_ini_file();
        std::vector<std::string> lines;
        for (const Finding& finding : checkSettingsFile())
            lines.push_back(formatFinding("ini.dat", finding));
        EXPECT_EQ(lines, c.lines) << c.name;
    }
}

// The title menu's book line is drawn dark over the title picture's top:
// a dark top is warned of, measured in the font the book line is drawn in.
TEST_F(Authoring, ADarkTitlePictureUnderTheBookLineIsWarned)
{
    writeFile("books/tale/pages.dat", BG_LINE + pageOf("but1_text:on;\n"));
    putPicture("pico/light.png", 640, 480, 200, 200, 190);
    putPicture("pico/night.png", 640, 480, 20, 20, 40);
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"book:tale;\nmain_bg:light.png;\n", {}},
        {"book:tale;\nmain_bg:night.png;\n",
         {"ini.dat:2: warning: the title menu's book line is drawn with a contrast of 1.1:1 against "
          "the title picture \"pico/night.png\" under it, less than 3.0:1: the reader can hardly "
          "read it (a lighter top behind it helps)"}},
    };
    for (const auto& [ini, expected] : cases) {
        writeFile("ini.dat", ini);
        main_bg_name[0] = '\0';
        read_ini_file();
        std::vector<std::string> lines;
        for (const Finding& finding : checkSettingsFile(SettingsUse::WorkingDirectory, font))
            lines.push_back(formatFinding("ini.dat", finding));
        EXPECT_EQ(lines, expected) << ini;
    }
}

// --- reports ---

TEST_F(Authoring, WalkFindsEndingsTrapsAndPagesNeverShown)
{
    const CheckResult result = check(trapBook());
    ASSERT_EQ(result.map.size(), 6u);
    const WalkResult walk = walkBook(result.map, 200, 7);
    int readings = 0;
    for (const auto& [end, times] : walk.ends)
        readings += times;
    EXPECT_EQ(readings, 200);
    EXPECT_EQ(walkReport(result.map, walk, 200, 7),
              "200 random readings from page 1 (seed 7):\n"
              "  91 ended by \"close\" on page 6 \"Finale\"\n"
              "  109 not ended after 10000 choices\n"
              "pages no reading showed: 5\n");
    EXPECT_EQ(trapPages(result.map), (std::vector<int>{3, 4}));
    EXPECT_EQ(reportLines(trapFindings(result.map)),
              (std::vector<std::string>{"pages.dat:15: error: page 3 is a trap: no ending can be reached from it",
                                        "pages.dat:20: error: page 4 is a trap: no ending can be reached from it"}));
    // The same seed gives the same readings; another seed, others.
    EXPECT_EQ(walkBook(result.map, 200, 7).ends, walk.ends);
    EXPECT_NE(walkBook(result.map, 200, 8).ends, walk.ends);
}

TEST_F(Authoring, WalkStopsOnAPageWithoutChoices)
{
    const CheckResult result = check(BG_LINE + pageOf("but1_text:on;\n") + pageOf("room_name:Dead end;\n")
                                     + pageOf("but1_text:close;\n"));
    const WalkResult walk = walkBook(result.map, 5, 1);
    EXPECT_EQ(walkReport(result.map, walk, 5, 1),
              "5 random readings from page 1 (seed 1):\n"
              "  5 stuck on page 2 \"Dead end\", which has no choice\n"
              "pages no reading showed: 3\n");
    // Page 1 leads only to the dead end: no ending can be reached from it either.
    EXPECT_EQ(trapPages(result.map), (std::vector<int>{1, 2}));
}

TEST_F(Authoring, StatsCountWordsWaysAndMedia)
{
    const CheckResult result = check(trapBook());
    const std::string report = statsReport(result.map, result.facts);
    // Words and characters of page 1: "Start" (1, 5), "Two ways part here." (4, 19),
    // "left" (1, 4), "right" (1, 5); page 6: "Finale", "Всё. The end", "close".
    EXPECT_EQ(report,
              "pages: 6, choices: 8, endings: 2 (choices that end the book)\n"
              "words: 21, characters: 93 (every text a reader sees)\n"
              "shortest way from page 1 to an ending: 3 choices (1 > 2 > 6 > end)\n"
              "longest way that passes no page twice: 3 choices\n"
              "pictures: 1 file, 307200 pixels: 0.6 MiB decoded at 16 bits per pixel, 1.2 MiB at 32\n"
              "sounds: 0 files, 0.0 MiB decoded\n"
              "\n"
              "page  choices  endings  words  characters  room name\n"
              "   1        2        0      7          33  Start\n"
              "   2        1        0      2           6  Hall\n"
              "   3        1        0      2           7  Pit\n"
              "   4        1        0      2           8  Bottom\n"
              "   5        2        1      3          16  Secret\n"
              "   6        1        1      5          23  Finale\n");
}

TEST(AuthoringRules, WordsCharactersAndWays)
{
    EXPECT_EQ(wordCount(""), 0);
    EXPECT_EQ(wordCount("  one\ttwo  three "), 3);
    EXPECT_EQ(characterCount("Всё. ok"), 7);

    PageMap map(4);
    map[0].choices[0] = {true, "a", 2};
    map[0].choices[1] = {true, "b", 3};
    map[1].choices[0] = {true, "c", 3};
    map[2].choices[0] = {true, "d", 4};
    map[2].choices[1] = {true, "back", 1};
    map[3].choices[0] = {true, "end", 0};
    map[0].reachable = map[1].reachable = map[2].reachable = map[3].reachable = true;
    const WayLengths ways = wayLengths(map);
    ASSERT_TRUE(ways.anyEnding);
    EXPECT_EQ(ways.shortest, (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(ways.longest, 4); // 1 > 2 > 3 > 4 > end
    EXPECT_TRUE(ways.longestExact);

    map[3].choices[0] = {true, "loop", 1};
    EXPECT_FALSE(wayLengths(map).anyEnding);
    EXPECT_EQ(trapPages(map), (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(Authoring, TextListsEveryTextAReaderSees)
{
    const CheckResult result =
        check(BG_LINE + "end_message_2:Fin;\n"
              + pageOf("text_main:Hello;\nroom_name:Hall;\nbut1_text:on;\nbut1_text:onward;\n")
              + "page_start:;\nroom_name:dropped, never ended;\n"
              + pageOf("room_name:Last;\n") + "end_message_1:The end;\n");
    EXPECT_EQ(textReport(result.facts, "pages.dat"),
              "pages.dat:4: page 1, text_main: Hello\n"
              "pages.dat:5: page 1, room_name: Hall\n"
              "pages.dat:7: page 1, but1_text: onward\n"
              "pages.dat:12: page 2, room_name: Last\n"
              "pages.dat:14: end_message_1: The end\n"
              "pages.dat:2: end_message_2: Fin\n");
}

// A text longer than the player keeps is listed as the reader sees it: cut
// to its buffer, at a whole character.
TEST_F(Authoring, TextListsEachTextCutAsThePlayerKeepsIt)
{
    const std::string longText(TEXT_SIZE + 100, 'a');
    std::string longLabel;
    for (std::size_t i = 0; i < LABEL_SIZE; ++i)
        longLabel += "\u0436"; // two bytes each
    const CheckResult result =
        check(BG_LINE + pageOf("text_main:" + longText + ";\nbut1_text:" + longLabel + ";\n"));
    EXPECT_EQ(textReport(result.facts, "pages.dat"),
              "pages.dat:3: page 1, text_main: " + longText.substr(0, TEXT_SIZE - 1) + "\n"
              + "pages.dat:4: page 1, but1_text: " + longLabel.substr(0, LABEL_SIZE - 2) + "\n");
}

} // namespace
