// quorvel-check run as a program on hostile book files: a book file in
// another encoding is reported with a hint, and decoding bombs are refused
// cleanly under a memory limit.
#include "hostilefiles.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace {

struct EncodingCase {
    const char* name;
    std::string pages;
    std::vector<std::string> said; // lines the report holds
    std::vector<std::string> unsaid;
};

// Tests are named by their case; the case itself prints as its name.
void PrintTo(const EncodingCase& c, std::ostream* out)
{
    *out << c.name;
}

class BookEncoding : public Hostile, public ::testing::WithParamInterface<EncodingCase> {};

// A book file saved in another encoding is reported line by line, with the
// encoding it most likely is and how to mend it.
TEST_P(BookEncoding, IsReportedWithAHint)
{
    makeCheckerBook(GetParam().pages);
    const ProgramRun run = runProgram(QUORVEL_CHECK, {"work/books/b"}, true);
    for (const std::string& line : GetParam().said)
        EXPECT_NE(run.output.find(line), std::string::npos) << line << "\n" << run.output;
    for (const std::string& line : GetParam().unsaid)
        EXPECT_EQ(run.output.find(line), std::string::npos) << line << "\n" << run.output;
}

const std::string NOT_UTF8_LINE =
    "error: this line holds bytes that are not UTF-8: the player shows each as \"?\"";

INSTANTIATE_TEST_SUITE_P(
    Cases, BookEncoding,
    ::testing::Values(
        // "Опушка" and "Тропинка уходит в лес." in Windows-1251.
        EncodingCase{"Windows1251",
                     checkerPage("room_name:\xCE\xEF\xF3\xF8\xEA\xE0;\ntext_main:\xD2\xF0\xEE\xEF\xE8"
                          "\xED\xEA\xE0 \xF3\xF5\xEE\xE4\xE8\xF2 \xE2 \xEB\xE5\xF1.;\n"),
                     {"pages.dat:3: " + NOT_UTF8_LINE, "pages.dat:4: " + NOT_UTF8_LINE,
                      "pages.dat: error: the book file is not UTF-8: it reads as Windows-1251 "
                      "(Cyrillic); save the file as UTF-8"},
                     {}},
        // "Café naïve — “quoted”" in Windows-1252.
        EncodingCase{"Windows1252",
                     checkerPage("text_main:Caf\xE9 na\xEFve \x97 \x93quoted\x94;\n"),
                     {"pages.dat:3: " + NOT_UTF8_LINE,
                      "it reads as Windows-1252 (Western European); save the file as UTF-8"},
                     {"Windows-1251"}},
        EncodingCase{"OneStrayByteInUtf8Cyrillic",
                     checkerPage("text_main:Тропинка уходит \x80 в лес. Сова спит.;\n"),
                     {"pages.dat:3: " + NOT_UTF8_LINE,
                      "pages.dat: error: the book file is not UTF-8: save the file as UTF-8"},
                     {"reads as"}},
        EncodingCase{"OnlyAComment", "# \xCE\xEF\xF3\xF8\xEA\xE0\n" + checkerPage(""), {"0 errors"},
                     {"UTF-8"}}),
    [](const auto& info) { return std::string(info.param.name); });

// Files that would take gigabytes once decoded, in a book the checker reads
// with half a gigabyte of address space: each is refused by its header or
// by a pass over its data, cleanly, and the checker goes on to the next.
struct BombCase {
    const char* name;
    std::function<void()> make;  // writes the files into work/books/b
    std::string lines;           // the page's lines naming them
    int status;                  // the checker's exit status
    std::vector<std::string> said;
    const char* limitKb = "524288"; // the limit on address space
};

// Tests are named by their case; the case itself prints as its name.
void PrintTo(const BombCase& c, std::ostream* out)
{
    *out << c.name;
}

class Bomb : public Hostile, public ::testing::WithParamInterface<BombCase> {};

TEST_P(Bomb, IsRefusedCleanlyUnderAMemoryLimit)
{
#ifdef QUORVEL_ASAN
    GTEST_SKIP() << "AddressSanitizer reserves terabytes of address space: no limit fits it";
#endif
    makeCheckerBook(checkerPage(GetParam().lines));
    GetParam().make();
    const ProgramRun run = runProgram(
        "/bin/sh",
        {"-c", std::string("ulimit -v ") + GetParam().limitKb + " && exec \"$0\" \"$@\"",
         QUORVEL_CHECK, "work/books/b"},
        true);
    EXPECT_EQ(run.status, GetParam().status) << "-1: ended by a signal\n" << run.output;
    for (const std::string& line : GetParam().said)
        EXPECT_NE(run.output.find(line), std::string::npos) << line << "\n" << run.output;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Bomb,
    ::testing::Values(
        BombCase{"PngOf16384By16384OneBitPixels",
                 [] { writeFile("work/books/b/pico/bomb.png", bitPng(16384, 16384)); },
                 "pico_name:bomb.png;\n", 1,
                 {"picture \"pico/bomb.png\" is 16384 × 16384: larger than the 4096 × 4096"}},
        BombCase{"FourOfThemMissingTheirLastRow",
                 [] {
                     const std::string cut = bitPng(16384, 16383);
                     for (int i = 0; i < 4; ++i)
                         writeFile("work/books/b/pico/cut" + std::to_string(i) + ".png", cut);
                 },
                 "pico_name:cut0.png;\npico_name:cut1.png;\npico_name:cut2.png;\npico_name:cut3.png;\n",
                 1, {"cut0.png\" is 16384", "cut3.png\" is 16384"}},
        BombCase{"FourAtTheLimitMissingTheirLastRow",
                 [] {
                     const std::string cut = bitPng(4096, 4095);
                     for (int i = 0; i < 4; ++i)
                         writeFile("work/books/b/pico/cut" + std::to_string(i) + ".png", cut);
                 },
                 "pico_name:cut0.png;\npico_name:cut1.png;\npico_name:cut2.png;\npico_name:cut3.png;\n",
                 1, {"cut0.png\" cannot be decoded: its data is damaged", "cut3.png\" cannot be"}},
        BombCase{"PngAtTheLimitIsTaken",
                 [] { writeFile("work/books/b/pico/big.png", bitPng(4096, 4096)); },
                 "pico_name:big.png;\n", 0, {"0 errors"}},
        // 64 MB once decoded, with about 100 MB of address space in all: a
        // picture that is sound but cannot be had now says so.
        BombCase{"PngAtTheLimitWithoutMemoryForIt",
                 [] { writeFile("work/books/b/pico/big.png", bitPng(4096, 4096)); },
                 "pico_name:big.png;\n", 1,
                 {"is 4096 × 4096: there is not enough memory to decode it"}, "100000"},
        // Names that leave the book are errors, whether a file stands there
        // or not, told the same way.
        BombCase{"PictureNamedOutsideTheBook",
                 [] { copyFile("work/books/b/pico/bg.png", "work/secret.png"); },
                 "pico_name:../../../secret.png;\n", 1,
                 {"pages.dat:3: error: picture \"pico/../../../secret.png\" is outside the "
                  "book's pico/ folder: a book reads only its own pictures and sounds"}},
        BombCase{"SoundNamedOutsideTheBookWhereNothingIs", [] {},
                 "sound_name:../../../../../../../../../../etc/passwd;\n", 1,
                 {"pages.dat:3: error: sound \"audio/../../../../../../../../../../etc/passwd\" "
                  "is outside the book's audio/ folder"}},
        // A line of 48 MB costs the checker no more than a short one: it is
        // read past, its first 16 KB kept, and warned of.
        BombCase{"OneLineOf48Mb",
                 [] {
                     writeFile("work/books/b/pages.dat",
                               checkerPage("text_main:" + std::string(48 << 20, 'x') + ";\n"));
                 },
                 "", 0,
                 {"pages.dat:3: warning: this line is 50331659 bytes: the player reads only its "
                  "first 16384",
                  "pages.dat:3: warning: text_main is 16374 bytes: the player keeps only its first "
                  "4095"},
                 "200000"},
        BombCase{"WavOf2GbSparse",
                 [] {
                     std::string wav = pcmWav(100);
                     wav = withLittleEndian32(withLittleEndian32(wav, 40, 0x7FFFFFF0u), 4, 0x7FFFFFF0u + 36);
                     writeFile("work/books/b/audio/long.wav", wav);
                     padSparse("work/books/b/audio/long.wav", 0x7FFFFFF0LL + 44);
                 },
                 "sound_name:long.wav;\n", 1, {"MB decoded: more than the 128 MB"}}),
    [](const auto& info) { return std::string(info.param.name); });

// Books made to cost the checker time, stack or a terminal: each is read
// within its time, and its report is what it should be.
struct LargeBookCase {
    const char* name;
    std::function<std::string()> pages; // the book file
    std::vector<std::string> args;      // before the book's path
    int status;
    std::vector<std::string> said;
    int seconds;                        // the most the checker may take
};

void PrintTo(const LargeBookCase& c, std::ostream* out)
{
    *out << c.name;
}

class LargeBook : public Hostile, public ::testing::WithParamInterface<LargeBookCase> {};

TEST_P(LargeBook, IsReadInItsTime)
{
#ifdef QUORVEL_SANITIZED
    GTEST_SKIP() << "the time bounds hold for the plain build: the sanitizers slow the checker "
                    "many times over";
#endif
    makeCheckerBook(GetParam().pages());
    std::vector<std::string> args = GetParam().args;
    args.push_back("work/books/b");
    const auto start = std::chrono::steady_clock::now();
    const ProgramRun run = runProgram(QUORVEL_CHECK, args, true);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(run.status, GetParam().status) << "-1: ended by a signal\n"
                                             << run.output.substr(0, 2000);
    EXPECT_LT(took, std::chrono::seconds(GetParam().seconds));
    for (const std::string& line : GetParam().said)
        EXPECT_NE(run.output.find(line), std::string::npos) << line << "\n"
                                                            << run.output.substr(0, 2000);
    EXPECT_EQ(run.output.find('\x1b'), std::string::npos) << "an escape reached the output";
}

// `count` pages over bg.png, page i (from 1) named "p<i>" and made of
// `page(i)`'s lines.
std::string pagesOf(int count, const std::function<std::string(int)>& page)
{
    std::string pages = "default_bg:bg.png;\n";
    for (int i = 1; i <= count; ++i)
        pages += "page_start:p" + std::to_string(i) + ";\n" + page(i) + "page_end:;\n";
    return pages;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LargeBook,
    ::testing::Values(
        // Each choice goes on to the next page; the last one's ends the book.
        LargeBookCase{"StatsOfAChainOf200000Pages",
                      [] { return pagesOf(200000, [](int) { return "but1_text:on;\n"; }); },
                      {"--stats"}, 0,
                      {"pages: 200000", "longest way that passes no page twice: 200000 choices"},
                      60},
        LargeBookCase{"100000PagesEachNamingTheNext",
                      [] {
                          return pagesOf(100000, [](int i) {
                              return "but1_text:on;\nbut1_goto:p" + std::to_string(i + 1) + ";\n";
                          });
                      },
                      {}, 1,
                      {"pages.dat:400000: error: but1_goto \"p100001\" names no page (did you "
                       "mean"},
                      60},
        LargeBookCase{"20000UnknownNames",
                      [] {
                          return pagesOf(20000, [](int i) {
                              return "but1_text:on;\nbut1_goto:q" + std::to_string(i) + "x;\n";
                          });
                      },
                      {}, 1, {"but1_goto \"q20000x\" names no page", "20000 errors"}, 60},
        LargeBookCase{"TwoNamesOf60000Bytes",
                      [] {
                          return "default_bg:bg.png;\npage_start:" + std::string(60000, 'n')
                                 + ";\nbut1_text:on;\nbut1_goto:" + std::string(60000, 'm')
                                 + ";\npage_end:;\n";
                      },
                      {}, 1,
                      {"but1_goto \"" + std::string(80, 'm') + "…\" (16374 bytes) names no page"},
                      30},
        LargeBookCase{"EscapesInANameAndTexts",
                      [] {
                          return "default_bg:bg.png;\npage_start:;\nroom_name:\x1b[2Jwiped\x07;\n"
                                 "text_main:a\x1b[2Jb;\nbut1_text:on;\nbut1_goto:\x1b[31mred;\n"
                                 "page_end:;\n";
                      },
                      {}, 1, {"but1_goto \"\\e[31mred\" names no page"}, 30},
        LargeBookCase{"EscapesInTheTextReport",
                      [] {
                          return "default_bg:bg.png;\npage_start:;\nroom_name:\x1b[2Jwiped\x07;\n"
                                 "text_main:a\x1b[2Jb;\nbut1_text:on;\npage_end:;\n";
                      },
                      {"--text"}, 0, {"room_name: \\e[2Jwiped\\x07", "text_main: a\\e[2Jb"}, 30},
        LargeBookCase{"EscapesInTheStats",
                      [] {
                          return "default_bg:bg.png;\npage_start:;\nroom_name:\x1b[2Jwiped\x07;\n"
                                 "but1_text:on;\npage_end:;\n";
                      },
                      {"--stats"}, 0, {"\\e[2Jwiped\\x07"}, 30}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
