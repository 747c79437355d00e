// Hostile files given to the readers and decoders in-process: what is not a
// regular file, sparse and padded files, files over a limit, and text that
// is not UTF-8. Each case states what the player's readers and decoders
// make of it; none may hang, exhaust memory or read past a buffer. The
// sounds in every common encoding are in sound_test.cpp, the TGA forms in
// picture_test.cpp; the checker as a program on hostile files in
// tools/hostile_test.cpp and tools/memcheck_test.cpp.
#include "app/report.h"
#include "assets.h"
#include "book/book.h"
#include "hostilefiles.h"
#include "init.h"
#include "media/media.h"
#include "media/picture.h"
#include "media/sound.h"
#include "testenv.h"
#include "text/buffers.h"
#include "text/problem.h"
#include "text/regularfile.h"
#include "text/utf8.h"
#include "files/bookfile.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

// ------------------------------------------------ what is not a regular file

// Which of the player's files the thing stands in for.
enum class Role { Picture, Sound, BookFile, SettingsFile, Font };

const char* nameOf(Role role)
{
    switch (role) {
    case Role::Picture: return "AsPicture";
    case Role::Sound: return "AsSound";
    case Role::BookFile: return "AsBookFile";
    case Role::SettingsFile: return "AsSettingsFile";
    case Role::Font: return "AsFont";
    }
    return "";
}

class NotARegularFile : public Hostile,
                        public ::testing::WithParamInterface<std::tuple<Thing, Role>> {};

// Each is refused at once, with a word for what stands there.
TEST_P(NotARegularFile, IsRefusedAtOnceSayingWhatItIs)
{
    const auto [thing, role] = GetParam();
    const std::string problem = phraseOf(fileKindProblem(kindOf(thing), ""));
    switch (role) {
    case Role::Picture: {
        makeThing(thing, "books/t/pico/x.png");
        const Result<BITMAP*> picture = decodePicture("books/t/pico/x.png");
        EXPECT_EQ(picture.value, nullptr);
        ASSERT_TRUE(picture.problem);
        EXPECT_EQ(picture.problem->phrase, problem);
        EXPECT_EQ(picture.problem->kind, ProblemKind::NotAFile);
        EXPECT_EQ(picture.problem->file, "books/t/pico/x.png");
        break;
    }
    case Role::Sound: {
        makeThing(thing, "books/t/audio/x.wav");
        const Result<SAMPLE*> sound = decodeSound("books/t/audio/x.wav");
        EXPECT_EQ(sound.value, nullptr);
        ASSERT_TRUE(sound.problem);
        EXPECT_EQ(sound.problem->phrase, problem);
        EXPECT_EQ(sound.problem->kind, ProblemKind::NotAFile);
        break;
    }
    case Role::BookFile: {
        makeThing(thing, "books/t/pages.dat");
        const std::optional<Problem> unread = readBook("books/t/pages.dat", nullptr);
        ASSERT_TRUE(unread);
        EXPECT_EQ(unread->kind, ProblemKind::NotAFile);
        EXPECT_TRUE(gamedataPages.empty());
        break;
    }
    case Role::SettingsFile: {
        makeThing(thing, "ini.dat");
        testing::internal::CaptureStdout();
        read_ini_file();
        EXPECT_NE(testing::internal::GetCapturedStdout().find("Can not load ini.dat"),
                  std::string::npos);
        EXPECT_STREQ(book, "books/");
        break;
    }
    case Role::Font:
        makeThing(thing, "font.dat");
        EXPECT_EXIT(load_fonts(), testing::ExitedWithCode(EXIT_CANNOT_LOAD), problem);
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    EachKindInEachRole, NotARegularFile,
    ::testing::Combine(::testing::Values(Thing::Fifo, Thing::Folder, Thing::Socket,
                                         Thing::ZeroDevice, Thing::RandomDevice),
                       ::testing::Values(Role::Picture, Role::Sound, Role::BookFile,
                                         Role::SettingsFile, Role::Font)),
    [](const auto& info) {
        return std::string(nameOf(std::get<0>(info.param))) + nameOf(std::get<1>(info.param));
    });

// ------------------------------------------------- padded and sparse files

struct PaddedCase {
    const char* name;
    std::function<void()> make; // writes books/t/x.*
    const char* path;
    long frames;                // a sound's length; 0 for a picture
};

// Tests are named by their case; the case itself prints as its name.
void PrintTo(const PaddedCase& c, std::ostream* out)
{
    *out << c.name;
}

class PaddedFile : public Hostile, public ::testing::WithParamInterface<PaddedCase> {};

// Bytes after what a decoder needs are neither read nor kept.
TEST_P(PaddedFile, DecodesWhatItHoldsAndNoMore)
{
    GetParam().make();
    const std::string path = GetParam().path;
    if (GetParam().frames == 0) {
        const Result<BITMAP*> decoded = decodePicture(path.c_str());
        BITMAP* picture = decoded.value;
        ASSERT_NE(picture, nullptr) << phraseOf(decoded.problem);
        EXPECT_EQ(picture->w, 64);
        destroy_bitmap(picture);
        return;
    }
    const Result<SAMPLE*> decoded = decodeSound(path.c_str());
    SAMPLE* sound = decoded.value;
    ASSERT_NE(sound, nullptr) << phraseOf(decoded.problem);
    EXPECT_EQ(static_cast<long>(sound->len), GetParam().frames);
    destroy_sample(sound);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PaddedFile,
    ::testing::Values(
        PaddedCase{"WavPaddedTo2GbAfterItsData",
                   [] {
                       writeFile("books/t/x.wav", pcmWav(11025));
                       padSparse("books/t/x.wav", 2 * GIGABYTE);
                   },
                   "books/t/x.wav", 11025},
        PaddedCase{"OggFollowedBy256MbOfZeros",
                   [] {
                       writeToneOgg("books/t/x.ogg", 1.0);
                       padSparse("books/t/x.ogg", fs::file_size("books/t/x.ogg") + GIGABYTE / 4);
                   },
                   "books/t/x.ogg", 22050},
        PaddedCase{"OggFollowedByATagOfRandomBytes",
                   [] {
                       writeToneOgg("books/t/x.ogg", 1.0);
                       std::string tail(300000, '\0');
                       std::uint32_t seed = 7;
                       for (char& c : tail)
                           c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
                       writeFile("books/t/x.ogg", readFile("books/t/x.ogg") + tail);
                   },
                   "books/t/x.ogg", 22050},
        PaddedCase{"PngFollowedBy64MbOfZeros",
                   [] {
                       BITMAP* picture = makeTestPicture(64, 48, 200, 30, 30);
                       writePng("books/t/x.png", picture);
                       destroy_bitmap(picture);
                       padSparse("books/t/x.png", fs::file_size("books/t/x.png") + GIGABYTE / 16);
                   },
                   "books/t/x.png", 0}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------ limits and refusals

struct RefusedCase {
    const char* name;
    std::function<std::string()> bytes; // the file's bytes; made sparse when it ends in zeros
    const char* path;
    ProblemKind kind;                   // what kind of failure the refusal is
    const char* problem;                // what the refusal says, in part
    long long sparseSize = 0;           // when above 0, the file is padded to it with zeros
};

// Tests are named by their case; the case itself prints as its name.
void PrintTo(const RefusedCase& c, std::ostream* out)
{
    *out << c.name;
}

class RefusedFile : public Hostile, public ::testing::WithParamInterface<RefusedCase> {};

// A file over a limit is refused by its header alone, saying which limit.
TEST_P(RefusedFile, IsRefusedSayingWhy)
{
    const std::string path = GetParam().path;
    writeFile(path, GetParam().bytes());
    if (GetParam().sparseSize > 0)
        padSparse(path, GetParam().sparseSize);
    std::optional<Problem> problem;
    if (path.find("/pico/") != std::string::npos) {
        const Result<BITMAP*> picture = decodePicture(path.c_str());
        EXPECT_EQ(picture.value, nullptr);
        problem = picture.problem;
    } else {
        const Result<SAMPLE*> sound = decodeSound(path.c_str());
        EXPECT_EQ(sound.value, nullptr);
        problem = sound.problem;
    }
    ASSERT_TRUE(problem);
    EXPECT_NE(problem->phrase.find(GetParam().problem), std::string::npos) << problem->phrase;
    EXPECT_EQ(problem->kind, GetParam().kind) << problem->phrase;
    EXPECT_EQ(problem->file, path);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedFile,
    ::testing::Values(
        RefusedCase{"PngOf16384By16384Pixels", [] { return bitPng(16384, 16384); },
                    "books/t/pico/x.png", ProblemKind::TooLarge,
                    "is 16384 × 16384: larger than the 4096 × 4096 the player shows"},
        RefusedCase{"PngOneColumnPastTheLimit", [] { return bitPng(4097, 1); },
                    "books/t/pico/x.png", ProblemKind::TooLarge, "is 4097 × 4097: larger than"},
        RefusedCase{"PngOf4096By4096MissingItsLastRow", [] { return bitPng(4096, 4095); },
                    "books/t/pico/x.png", ProblemKind::Damaged, "cannot be decoded: its data is damaged"},
        RefusedCase{"PngWith65TextChunks",
                    [] { return pngWithChunks("tEXt", 65, std::string("Comment\0hello", 13), false); },
                    "books/t/pico/x.png", ProblemKind::TooLarge,
                    "cannot be loaded: it holds more than 64 chunks besides its picture"},
        RefusedCase{"PngWithHalfAMegabyteOfText",
                    [] { return pngWithChunks("tEXt", 2, "Comment" + std::string(150000, 'a'), false); },
                    "books/t/pico/x.png", ProblemKind::TooLarge,
                    "cannot be loaded: it holds more than 256 KB besides its picture"},
        RefusedCase{"PngWithPackedTextBombsAfterItsPicture",
                    [] { return pngWithChunks("zTXt", 20, packedText(8 << 20), true); },
                    "books/t/pico/x.png", ProblemKind::TooLarge,
                    "cannot be loaded: it holds more than 64 KB of packed text or colour profiles"},
        RefusedCase{"WavWithThreeChannels",
                    [] {
                        writeSoundFile("made/three.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 3,
                                       22050, 1000);
                        return readFile("made/three.wav");
                    },
                    "books/t/audio/x.wav", ProblemKind::Unsupported, "has 3 channels"},
        RefusedCase{"WavAt500Hz",
                    [] {
                        writeSoundFile("made/slow.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 500,
                                       1000);
                        return readFile("made/slow.wav");
                    },
                    "books/t/audio/x.wav", ProblemKind::Unsupported, "has a rate of 500 Hz"},
        RefusedCase{"WavStatingTwoGigabytesOfSamples",
                    [] {
                        const std::uint32_t length = 0x7FFFFFF0;
                        return withLittleEndian32(withLittleEndian32(pcmWav(100), 40, length), 4,
                                                  length + 36);
                    },
                    "books/t/audio/x.wav", ProblemKind::TooLarge, "MB decoded: more than the 128 MB", 0x7FFFFFF0LL + 44},
        RefusedCase{"WavWithNoSamples", [] { return pcmWav(0); }, "books/t/audio/x.wav", ProblemKind::Damaged,
                    "holds no sound"},
        // The library's run-length decoder reads on for ever past the end of
        // a cut file (found by fuzzing).
        RefusedCase{"RunLengthCompressedBmp",
                    [] {
                        BITMAP* picture = makeTestPicture(16, 8, 1, 2, 3);
                        save_bitmap("made/rle.bmp", picture, nullptr);
                        destroy_bitmap(picture);
                        return withLittleEndian32(readFile("made/rle.bmp"), 30, 1).substr(0, 60);
                    },
                    "books/t/pico/x.bmp", ProblemKind::Unsupported, "is a run-length compressed BMP"},
        // The library reads a byte at a time up to where the pixels start,
        // past the end of the file too: a billion calls here (found by
        // fuzzing, as a timeout).
        RefusedCase{"BmpWhosePixelsStartPastItsEnd",
                    [] {
                        BITMAP* picture = makeTestPicture(16, 8, 1, 2, 3);
                        save_bitmap("made/far.bmp", picture, nullptr);
                        destroy_bitmap(picture);
                        return withLittleEndian32(readFile("made/far.bmp"), 10, 0x40000000u);
                    },
                    "books/t/pico/x.bmp", ProblemKind::Damaged,
                    "cannot be decoded: its header is damaged (its pixels start at byte 1073741824, "
                    "past the end of the file)"},
        // The library's TGA decoder writes each run-length packet whole,
        // and takes the end of the file for a run of 128 pixels: past the
        // end of the last row, into memory beyond the bitmap (found by
        // fuzzing, as a corrupted heap long after).
        RefusedCase{"RunLengthTgaCutShort",
                    [] {
                        const std::string tga = tgaPicture(10, 32, 16, 8, "\1\2\3\4");
                        return tga.substr(0, tga.size() - 7);
                    },
                    "books/t/pico/x.tga", ProblemKind::Damaged,
                    "cannot be decoded: its data is damaged (the file ends before its picture does)"},
        RefusedCase{"RunLengthTgaWithAPacketPastTheEndOfARow",
                    [] {
                        std::string tga = tgaPicture(10, 32, 16, 8, "\1\2\3\4");
                        // Rows are ten bytes: row 2 begins with a run of 17 pixels.
                        tga[18 + 10] = static_cast<char>(0x80 | 16);
                        return tga;
                    },
                    "books/t/pico/x.tga", ProblemKind::Damaged,
                    "cannot be decoded: its data is damaged (a packet of pixels goes past the end "
                    "of row 2)"},
        // It copies a colour map of any length into a table of 256 entries
        // on its stack.
        RefusedCase{"TgaWithAColourMapOf3000Entries",
                    [] { return tgaPicture(1, 8, 4, 2, "\0"s, std::string(3000 * 3, 'A')); },
                    "books/t/pico/x.tga", ProblemKind::Unsupported,
                    "has a colour map of 3000 entries: the player reads at most 256"},
        RefusedCase{"TrueColourTgaWithAColourMap",
                    [] { return tgaPicture(2, 24, 4, 2, "\1\2\3", std::string(3000 * 3, 'A')); },
                    "books/t/pico/x.tga", ProblemKind::Unsupported, "is a kind of TGA the player does not read"},
        RefusedCase{"TgaOfAnImageTypeWithMoreBitsThanCompression",
                    [] { return tgaPicture(25, 8, 4, 2, "\0"s, std::string(4 * 3, 'A')); },
                    "books/t/pico/x.tga", ProblemKind::Unsupported, "is a kind of TGA the player does not read"},
        // A later stream of a chain whose headers cannot be read: the
        // chain is read link after link, as libvorbisfile, looking for where
        // each link ends, loses memory on it (found by fuzzing, as a leak).
        RefusedCase{"ChainedOggWhoseSecondStreamHasOnlyItsFirstHeader",
                    [] {
                        writeToneOgg("made/first.ogg", 1.0);
                        const std::string second = withSerial(readFile("made/first.ogg"), 7);
                        return readFile("made/first.ogg") + second.substr(0, firstPageLength(second));
                    },
                    "books/t/audio/x.ogg", ProblemKind::Damaged, "cannot be decoded: its data is damaged"},
        // The same, behind a copy of that header's page with a wrong
        // checksum: the file seems to begin and end in one stream, but
        // libvorbisfile skips the damaged page and sees a chain.
        RefusedCase{"ChainedOggBehindADamagedCopyOfItsLastPage",
                    [] {
                        writeToneOgg("made/first.ogg", 1.0);
                        const std::string first = readFile("made/first.ogg");
                        const std::string lastPage =
                            withSerial(first, 7).substr(0, firstPageLength(first));
                        std::string damaged = lastPage;
                        damaged[22] = static_cast<char>(damaged[22] ^ 1);
                        return damaged + first + lastPage;
                    },
                    "books/t/audio/x.ogg", ProblemKind::Damaged, "cannot be decoded: its data is damaged"},
        // A number taken again after another stream: libvorbisfile, whose
        // last page is then of the first stream, takes the file for one
        // stream and finds in it more sound than that stream's last page
        // states.
        RefusedCase{"ChainedOggWhoseThirdStreamTakesTheFirstOnesNumber",
                    [] {
                        writeToneOgg("made/first.ogg", 1.0);
                        const std::string first = readFile("made/first.ogg");
                        return first + withSerial(first, 7) + first;
                    },
                    "books/t/audio/x.ogg", ProblemKind::Damaged,
                    "cannot be decoded: it holds more sound than its last page states"},
        RefusedCase{"TextNamedAsSound", [] { return std::string("not a sound at all"); },
                    "books/t/audio/x.wav", ProblemKind::Unsupported, "is not a sound file the player reads"}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ text and UTF-8

struct TextCase {
    const char* name;
    std::string line;                                // a page-level line of pages.dat
    std::function<std::string(const Gamedata&)> got; // the value the page holds
    std::string expected;
};

// Tests are named by their case; the case itself prints as its name.
void PrintTo(const TextCase& c, std::ostream* out)
{
    *out << c.name;
}

class InvalidUtf8 : public Hostile, public ::testing::WithParamInterface<TextCase> {};

// Each byte that does not begin a valid sequence becomes "?", the rest of
// the text is kept, and cuts fall at whole characters.
TEST_P(InvalidUtf8, BecomesAQuestionMarkAndTheRestIsKept)
{
    BITMAP* background = makeTestPicture(8, 8, 1, 2, 3);
    writePng("books/t/pico/bg.png", background);
    destroy_bitmap(background);
    writeFile("books/t/pages.dat",
              "default_bg:bg.png;\npage_start:;\n" + GetParam().line + "\npage_end:;\n");
    std::vector<BookEvent> events;
    ASSERT_EQ(readBook("books/t/pages.dat", [&](const BookEvent& e) { events.push_back(e); }),
              std::nullopt);
    ASSERT_EQ(gamedataPages.size(), 1u);
    const std::string value = GetParam().got(*gamedataPages[0]);
    EXPECT_EQ(value, GetParam().expected);
    EXPECT_TRUE(isValidUtf8(value));
    const bool told = std::any_of(events.begin(), events.end(), [](const BookEvent& e) {
        return e.kind == BookEventKind::NotUtf8 && e.line == 3;
    });
    EXPECT_TRUE(told) << "the reader tells of the line";
}

std::string field(const char* text)
{
    return text ? text : "(none)";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InvalidUtf8,
    ::testing::Values(
        TextCase{"LeadByteAtTheEndOfAFullText",
                 "text_main:" + std::string(4094, 'a') + "\xF4zzzz;",
                 [](const Gamedata& p) { return field(p.text); }, std::string(4094, 'a') + "?"},
        TextCase{"StrayByte80InTheMiddleOfAText", "text_main:before \x80 after;",
                 [](const Gamedata& p) { return field(p.text); }, "before ? after"},
        TextCase{"LeadByteFCAfterA62ByteLabel", "but1_text:" + std::string(62, 'b') + "\xFC;",
                 [](const Gamedata& p) { return field(p.but1Text); }, std::string(62, 'b') + "?"},
        TextCase{"FourByteSequenceMissingItsLastByte", "room_name:ab\xF0\x9F\x98" "cd;",
                 [](const Gamedata& p) { return field(p.roomName); }, "ab???cd"},
        TextCase{"OverlongSlash", "but2_text:\xC0\xAF;",
                 [](const Gamedata& p) { return field(p.but2Text); }, "??"},
        TextCase{"Surrogate", "but3_text:x\xED\xA0\x80y;",
                 [](const Gamedata& p) { return field(p.but3Text); }, "x???y"},
        TextCase{"FileNameEndingInALeadByte", "pico_name:" + std::string(36, 'p') + "\xFC;",
                 [](const Gamedata& p) { return field(p.picoPath); },
                 "books/t/pico/" + std::string(36, 'p') + "?"},
        TextCase{"CyrillicAfterABadByteCutAtAWholeLetter",
                 "but1_text:\xFF" + [] {
                     std::string letters;
                     for (int i = 0; i < 40; ++i)
                         letters += "Я";
                     return letters;
                 }() + ";",
                 [](const Gamedata& p) { return field(p.but1Text); },
                 "?" + [] {
                     std::string letters;
                     for (int i = 0; i < 31; ++i)
                         letters += "Я";
                     return letters;
                 }()}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------ names that leave the book

// A picture the book has in its pico/ folder, and the reader's own picture
// outside the book (in made/), which a book must not be able to show.
void makeInsideAndOutsidePictures()
{
    ASSERT_TRUE(writePicture("books/t/pico/x.png", 8, 8, 10, 20, 30));
    ASSERT_TRUE(writePicture("made/secret.png", 8, 8, 200, 0, 0));
    fs::create_directories("books/t/pico/deep");
}

struct NameCase {
    const char* name;
    std::function<void()> make; // links and files beyond the two pictures
    std::string lines;          // the page's lines naming the file
    bool outside;               // refused as outside the book
    const char* folder = "pico/";
};

void PrintTo(const NameCase& c, std::ostream* out)
{
    *out << c.name;
}

class NameInBook : public Hostile, public ::testing::WithParamInterface<NameCase> {};

// A name that is absolute, climbs above the book's folder for it, or leads
// out of it through a link is refused as a missing file is, with a phrase
// of its own, whether or not a file stands where it leads: a book cannot
// show the reader's own files nor learn which exist. Names inside the
// folder, links inside it included, are read.
TEST_P(NameInBook, IsReadOnlyInsideTheBooksFolder)
{
    makeInsideAndOutsidePictures();
    if (GetParam().make)
        GetParam().make();
    writeFile("books/t/pages.dat",
              "default_bg:x.png;\npage_start:;\n" + GetParam().lines + "but1_text:on;\npage_end:;\n");
    std::vector<Problem> refused;
    ASSERT_FALSE(readBook("books/t/pages.dat", [&](const BookEvent& event) {
        if (event.kind == BookEventKind::FileNotLoaded)
            refused.push_back(*event.problem);
    }));
    if (!GetParam().outside) {
        EXPECT_TRUE(refused.empty()) << refused.front().file << " " << refused.front().phrase;
        return;
    }
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].kind, ProblemKind::NotFound);
    EXPECT_EQ(refused[0].phrase, "is outside the book's "s + GetParam().folder
                                     + " folder: a book reads only its own pictures and sounds");
}

std::string absolute(const std::string& path)
{
    return fs::absolute(path).lexically_normal().string();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NameInBook,
    ::testing::Values(
        NameCase{"InsideIsRead", nullptr, "pico_name:x.png;\n", false},
        NameCase{"DownAndUpInsideIsRead", nullptr, "pico_name:deep/../x.png;\n", false},
        NameCase{"LinkInsideIsRead",
                 [] { fs::create_symlink("../x.png", "books/t/pico/deep/alias.png"); },
                 "pico_name:deep/alias.png;\n", false},
        NameCase{"AbsoluteLinkInsideIsRead",
                 [] { fs::create_symlink(absolute("books/t/pico/x.png"), "books/t/pico/alias.png"); },
                 "pico_name:alias.png;\n", false},
        NameCase{"ClimbingToTheReadersPicture", nullptr,
                 "pico_name:../../../made/secret.png;\n", true},
        NameCase{"ClimbingToNothing", nullptr, "pico_name:../../../made/none.png;\n", true},
        NameCase{"ClimbingToTheSystemsFile", nullptr,
                 "pico_name:../../../../../../../../../../etc/passwd;\n", true},
        NameCase{"ClimbingOutAndBackIn", nullptr, "pico_name:../pico/x.png;\n", true},
        NameCase{"AbsoluteName", nullptr, "pico_name:/etc/passwd;\n", true},
        NameCase{"AbsoluteNameOfTheBooksOwnPicture", nullptr,
                 "pico_name:" + absolute("books/t/pico/x.png") + ";\n", true},
        NameCase{"SoundClimbing", nullptr, "sound_name:../../../made/secret.png;\n", true,
                 "audio/"},
        NameCase{"LinkToAnAbsolutePathOutside",
                 [] { fs::create_symlink(absolute("made/secret.png"), "books/t/pico/link.png"); },
                 "pico_name:link.png;\n", true},
        NameCase{"LinkClimbingOutside",
                 [] { fs::create_symlink("../../../made/secret.png", "books/t/pico/link.png"); },
                 "pico_name:link.png;\n", true},
        NameCase{"LinkToNothingOutside",
                 [] { fs::create_symlink("/nonexistent-quorvel/x.png", "books/t/pico/link.png"); },
                 "pico_name:link.png;\n", true},
        NameCase{"FolderLinkOutside",
                 [] { fs::create_directory_symlink("../../../made", "books/t/pico/away"); },
                 "pico_name:away/secret.png;\n", true},
        NameCase{"LinkThroughALinkOutside",
                 [] {
                     fs::create_symlink("../../../../made/secret.png", "books/t/pico/deep/hop.png");
                     fs::create_symlink("deep/hop.png", "books/t/pico/link.png");
                 },
                 "pico_name:link.png;\n", true}),
    [](const auto& info) { return std::string(info.param.name); });

// The background named outside the book is refused at the page that uses it.
// A picture with a few small chunks besides its picture, as editors write
// them (a comment, a packed text, a time), is shown as before.
TEST_F(Hostile, APictureWithAFewTextChunksIsDecoded)
{
    std::string png = pngWithChunks("tEXt", 3, std::string("Comment\0made by hand", 20), false);
    writeFile("books/t/pico/x.png", png);
    Result<BITMAP*> picture = decodePicture("books/t/pico/x.png");
    ASSERT_TRUE(picture.value) << picture.problem->phrase;
    EXPECT_EQ(picture.value->w, 8);
    destroy_bitmap(picture.value);
    writeFile("books/t/pico/y.png", pngWithChunks("zTXt", 2, packedText(4000), true));
    picture = decodePicture("books/t/pico/y.png");
    ASSERT_TRUE(picture.value) << picture.problem->phrase;
    destroy_bitmap(picture.value);
}

TEST_F(Hostile, ABackgroundOutsideTheBookIsRefusedAtItsPage)
{
    makeInsideAndOutsidePictures();
    writeFile("books/t/pages.dat",
              "default_bg:../../../made/secret.png;\npage_start:;\nbut1_text:on;\npage_end:;\n");
    std::vector<Problem> refused;
    ASSERT_FALSE(readBook("books/t/pages.dat", [&](const BookEvent& event) {
        if (event.kind == BookEventKind::FileNotLoaded)
            refused.push_back(*event.problem);
    }));
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].file, "books/t/pico/../../../made/secret.png");
    EXPECT_NE(refused[0].phrase.find("is outside the book's pico/ folder"), std::string::npos);
}

// The rule looks at the name and at the links inside the folder alone: a
// folder that is not there makes every name in it missing, not outside.
TEST_F(Hostile, ANameInAMissingFolderIsNotLookedAtFurther)
{
    EXPECT_FALSE(outsideFolderProblem("books/none/pico/", "books/none/pico/x.png"));
    EXPECT_TRUE(outsideFolderProblem("books/none/pico/", "books/none/pico/../x.png"));
    // A path cut short inside the folder's own path names nothing in it.
    EXPECT_FALSE(outsideFolderProblem("books/t/pico/", "books/t/pi"));
}

// Control characters from a book reach a terminal or a message written
// out, never as commands; every other byte is kept.
TEST(EscapeControls, WritesOutEveryControlCharacterAndKeepsTheRest)
{
    const std::pair<std::string, std::string> cases[] = {
        {"plain text, Опушка", "plain text, Опушка"},
        {"\x1b]0;owned\x07", "\\e]0;owned\\x07"},
        {"a\x1b[2Jb", "a\\e[2Jb"},
        {"line\nbreak\r\ttab", "line\\nbreak\\r\\ttab"},
        {std::string("nul\0end", 7), "nul\\x00end"},
        {"del\x7f", "del\\x7F"},
        {"c1 \xC2\x9B" "31m", "c1 \\u009B31m"},  // U+009B, the one-byte CSI
        {"\xC2\xA0", "\xC2\xA0"},                 // U+00A0 is no control
        {"back\\slash \"quote\"", "back\\slash \"quote\""},
    };
    for (const auto& [text, shown] : cases) {
        EXPECT_EQ(escapeControls(text), shown);
        EXPECT_EQ(quoted(text), "\"" + shown + "\"");
    }
}

TEST_F(Hostile, SettingsValuesAreMadeValidUtf8)
{
    writeFile("ini.dat", "book:x\xFFy;\nwindowed:\xE2\x82;\n");
    read_ini_file();
    EXPECT_STREQ(book, "books/x?y");
    EXPECT_STREQ(windowed, "??");
}

} // namespace
