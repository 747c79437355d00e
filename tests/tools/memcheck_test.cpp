// quorvel-check run under valgrind's memcheck over a book naming every kind
// of hostile file: reads and writes past a buffer inside the library, which
// is not built with AddressSanitizer, fail the test.
#include "hostilefiles.h"
#include "hostilefonts.h"
#include "testenv.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <unistd.h>

#include <string>

using namespace std::string_literals;

namespace {

// The checker under valgrind's memcheck over a book naming every kind of
// hostile file: reads past a buffer inside the library (which
// AddressSanitizer cannot see, the library not being built with it) fail
// the test.
TEST_F(Hostile, CheckerMakesNoInvalidReadOrWriteUnderValgrind)
{
#ifdef QUORVEL_ASAN
    GTEST_SKIP() << "valgrind cannot run a program built with AddressSanitizer";
#endif
#ifndef QUORVEL_VALGRIND
    GTEST_FAIL() << "valgrind was not found when the tests were built (scripts/install-deps.sh test)";
#else
    alarm(0); // valgrind is slow; the test's own timeout still holds
    std::string lines = "room_name:ab\xF0\x9F\x98;\ntext_main:" + std::string(4094, 'a')
                        + "\xF4zzzz;\nbut2_text:" + std::string(62, 'b') + "\xFC;\npico_name:"
                        + std::string(36, 'p') + "\xFC;\n";
    makeCheckerBook("");
    makeThing(Thing::Fifo, "work/books/b/pico/fifo.png");
    makeThing(Thing::Fifo, "work/books/b/audio/fifo.ogg");
    makeThing(Thing::ZeroDevice, "work/books/b/audio/zero.wav");
    makeThing(Thing::Folder, "work/books/b/pico/folder.png");
    writeFile("work/books/b/pico/bomb.png", bitPng(16384, 16384));
    writeFile("work/books/b/pico/cut.png", bitPng(1024, 1000));
    writeFile("work/books/b/pico/half.png", readFile("work/books/b/pico/bg.png").substr(0, 60));
    writeToneOgg("work/books/b/audio/tone.ogg", 0.5);
    const std::string ogg = readFile("work/books/b/audio/tone.ogg");
    writeFile("work/books/b/audio/cut.ogg", ogg.substr(0, ogg.size() * 2 / 3));
    writeFile("work/books/b/audio/padded.ogg", ogg + std::string(1 << 20, '\0'));
    writeFile("work/books/b/audio/negative.wav", withLittleEndian32(pcmWav(500), 40, 0xFFFFFFF0));
    writeFile("work/books/b/audio/adpcm.wav", wavIn(SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM));
    // One row, so that what the decoder makes of the cut lands past the bitmap.
    const std::string runs = tgaPicture(10, 32, 100, 1, "\1\2\3\4");
    writeFile("work/books/b/pico/cut.tga", runs.substr(0, runs.size() - 8));
    writeFile("work/books/b/pico/map.tga", tgaPicture(1, 8, 4, 2, "\0"s, std::string(3000 * 3, 'A')));
    // Text chunks: packed text bombs before and after the picture, too many
    // chunks, and a few ordinary ones, which libpng reads past as it decodes.
    writeFile("work/books/b/pico/ztxt.png", pngWithChunks("zTXt", 300, packedText(1 << 20), false));
    writeFile("work/books/b/pico/after.png", pngWithChunks("zTXt", 20, packedText(8 << 20), true));
    writeFile("work/books/b/pico/many.png", pngWithChunks("tEXt", 65, "Comment\0hello"s, false));
    writeFile("work/books/b/pico/few.png", pngWithChunks("tEXt", 3, "Comment\0made by hand"s, false));
    writeFile("work/books/b/pico/fewpacked.png", pngWithChunks("zTXt", 2, packedText(4000), true));
    for (const char* name : {"fifo.png", "folder.png", "bomb.png", "cut.png", "half.png", "cut.tga",
                             "map.tga", "ztxt.png", "after.png", "many.png", "few.png", "fewpacked.png"})
        lines += std::string("pico_name:") + name + ";\n";
    for (const char* name : {"fifo.ogg", "zero.wav", "cut.ogg", "padded.ogg", "negative.wav", "adpcm.wav"})
        lines += std::string("sound_name:") + name + ";\n";
    makeCheckerBook(checkerPage(lines));
    const ProgramRun run =
        runProgram(QUORVEL_VALGRIND, {"--error-exitcode=99", "--errors-for-leak-kinds=none", "--quiet",
                                QUORVEL_CHECK, "work/books/b"},
                   true);
    EXPECT_EQ(run.status, 1) << "99: valgrind found an error\n" << run.output;
    EXPECT_EQ(run.output.find("Invalid read"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("Invalid write"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("fifo.png\" cannot be loaded: it is a FIFO"), std::string::npos)
        << run.output;
    for (const char* refused :
         {"pages.dat:14: error: picture \"pico/ztxt.png\" cannot be loaded: it holds more than 64 KB",
          "pages.dat:15: error: picture \"pico/after.png\" cannot be loaded: it holds more than 64 KB",
          "pages.dat:16: error: picture \"pico/many.png\" cannot be loaded: it holds more than 64 chunks"})
        EXPECT_NE(run.output.find(refused), std::string::npos) << refused << "\n" << run.output;
    for (const char* decoded : {"few.png", "fewpacked.png"})
        EXPECT_EQ(run.output.find("\"pico/" + std::string(decoded) + "\""), std::string::npos)
            << decoded << "\n" << run.output;
#endif
}

// The font reader under memcheck, in-process: every hostile font, the
// shipped font cut at every point of its own test, the shipped font drawn
// beside the library's loading of it, and fonts at the limits drawn in the
// page's text box (the reader's own tests, run under valgrind).
TEST_F(Hostile, FontReaderMakesNoInvalidReadOrWriteUnderValgrind)
{
#ifdef QUORVEL_ASAN
    GTEST_SKIP() << "valgrind cannot run a program built with AddressSanitizer";
#endif
#ifndef QUORVEL_VALGRIND
    GTEST_FAIL() << "valgrind was not found when the tests were built (scripts/install-deps.sh test)";
#else
    alarm(0);
    const ProgramRun run =
        runProgram("/usr/bin/env", {"QUORVEL_UNDER_VALGRIND=1", QUORVEL_VALGRIND, "--error-exitcode=99",
                                    "--errors-for-leak-kinds=none", "--quiet",
                                    QUORVEL_BUILD_DIR "/tests/unit_fontfile_test"},
                   true);
    EXPECT_EQ(run.status, 0) << "99: valgrind found an error\n" << run.output;
    EXPECT_EQ(run.output.find("Invalid read"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("Invalid write"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("[  PASSED  ] 38 tests."), std::string::npos) << run.output;
#endif
}

// The checker under memcheck on a book whose font states a name of -1
// bytes (the library's own loader wrote a byte before a block on it).
TEST_F(Hostile, CheckerOnAHostileFontMakesNoInvalidWriteUnderValgrind)
{
#ifdef QUORVEL_ASAN
    GTEST_SKIP() << "valgrind cannot run a program built with AddressSanitizer";
#endif
#ifndef QUORVEL_VALGRIND
    GTEST_FAIL() << "valgrind was not found when the tests were built (scripts/install-deps.sh test)";
#else
    alarm(0);
    makeCheckerBook(checkerPage("text_main:a;\n"));
    for (const HostileFont& font : hostileFonts()) {
        if (std::string(font.name) != "NameOfSizeMinusOne")
            continue;
        writeFile("work/books/b/font.dat", font.bytes);
        const ProgramRun run =
            runProgram(QUORVEL_VALGRIND, {"--error-exitcode=99", "--errors-for-leak-kinds=none", "--quiet",
                                          QUORVEL_CHECK, "work/books/b"},
                       true);
        EXPECT_EQ(run.status, 1) << "99: valgrind found an error\n" << run.output;
        EXPECT_NE(run.output.find("font.dat: error: this file " + font.phrase), std::string::npos) << run.output;
    }
#endif
}

} // namespace
