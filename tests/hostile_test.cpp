// Hostile files: what is not a regular file, devices that never end, sparse
// and padded files, decoding bombs, sounds in every common encoding and
// text that is not UTF-8. Each case states what the player's readers and
// decoders make of it; none may hang, exhaust memory or read past a buffer.
#include "app/report.h"
#include "assets.h"
#include "book/book.h"
#include "init.h"
#include "media/media.h"
#include "media/picture.h"
#include "media/sound.h"
#include "testenv.h"
#include "text/buffers.h"
#include "text/keyvalue.h"
#include "text/regularfile.h"
#include "text/utf8.h"

#include <gtest/gtest.h>
#include <ogg/ogg.h>
#include <sndfile.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>
#include <zlib.h>

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

// A case that blocks fails at this deadline instead of hanging the suite.
const unsigned HANG_SECONDS = 30;

class Hostile : public ::testing::Test {
protected:
    void SetUp() override
    {
        alarm(HANG_SECONDS);
        startLibraryWithoutDisplay();
        set_color_depth(32);
        enterScratchDir("hostile");
        copyCut(book, sizeof book, "books/t");
        writeFile("books/t/pico/.keep", "");
        writeFile("books/t/audio/.keep", "");
        writeFile("made/.keep", "");
    }
    void TearDown() override
    {
        freePages();
        alarm(0);
    }
};

// ---------------------------------------------------------------- file makers

void putBig32(std::string& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>(value >> shift));
}

void putChunk(std::string& png, const char* type, const std::string& data)
{
    putBig32(png, static_cast<std::uint32_t>(data.size()));
    const std::string typed = type + data;
    png += typed;
    putBig32(png, static_cast<std::uint32_t>(
                      crc32(0, reinterpret_cast<const Bytef*>(typed.data()), typed.size())));
}

// A one-bit grey PNG of `side` x `side` pixels holding its first `rows`
// rows (all black), compressed: a few kilobytes that decode to megabytes.
std::string bitPng(std::uint32_t side, std::uint32_t rows)
{
    std::string ihdr;
    putBig32(ihdr, side);
    putBig32(ihdr, side);
    ihdr += std::string("\x01\x00\x00\x00\x00", 5);
    const std::string raw(static_cast<std::size_t>(rows) * (1 + (side + 7) / 8), '\0');
    uLongf packedSize = compressBound(raw.size());
    std::string packed(packedSize, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
              reinterpret_cast<const Bytef*>(raw.data()), raw.size(), 9);
    packed.resize(packedSize);
    std::string png("\x89PNG\r\n\x1a\n", 8);
    putChunk(png, "IHDR", ihdr);
    putChunk(png, "IDAT", packed);
    putChunk(png, "IEND", "");
    return png;
}

// A stereo tone: left at 440 Hz, right at 660 Hz, at 40% of full scale.
double toneAt(long frame, int channel, int rate)
{
    const double hz = channel == 0 ? 440.0 : 660.0;
    return 0.4 * std::sin(2 * M_PI * hz * static_cast<double>(frame) / rate);
}

// Writes the stereo tone through libsndfile in `format`. False on failure.
bool writeSoundFile(const std::string& path, int format, int channels, int rate, long frames)
{
    SF_INFO info = {};
    info.format = format;
    info.channels = channels;
    info.samplerate = rate;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file)
        return false;
    std::vector<double> samples(static_cast<std::size_t>(frames * channels));
    for (long i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            samples[static_cast<std::size_t>(i * channels + c)] = toneAt(i, c % 2, rate);
    const bool written = sf_writef_double(file, samples.data(), frames) == frames;
    return sf_close(file) == 0 && written;
}

std::string withLittleEndian32(std::string bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>(value >> (8 * i));
    return bytes;
}

// A 16-bit stereo PCM WAV of the tone, as libsndfile writes it: RIFF
// header, a 16-byte fmt chunk at 12 and the data chunk at 36.
std::string pcmWav(long frames, int rate = 44100)
{
    writeSoundFile("made/pcm.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, rate, frames);
    return readFile("made/pcm.wav");
}

// Makes `path` `size` bytes long; the bytes added read as zeros and take no room.
void padSparse(const std::string& path, long long size)
{
    ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(size)), 0) << path;
}

// ------------------------------------------------ what is not a regular file

enum class Thing { Fifo, Folder, Socket, ZeroDevice, RandomDevice };

const char* nameOf(Thing thing)
{
    switch (thing) {
    case Thing::Fifo: return "Fifo";
    case Thing::Folder: return "Folder";
    case Thing::Socket: return "Socket";
    case Thing::ZeroDevice: return "LinkToDevZero";
    case Thing::RandomDevice: return "LinkToDevUrandom";
    }
    return "";
}

FileKind kindOf(Thing thing)
{
    switch (thing) {
    case Thing::Fifo: return FileKind::Fifo;
    case Thing::Folder: return FileKind::Directory;
    case Thing::Socket: return FileKind::Socket;
    case Thing::ZeroDevice:
    case Thing::RandomDevice: return FileKind::Device;
    }
    return FileKind::Regular;
}

void makeThing(Thing thing, const std::string& path)
{
    fs::remove_all(path);
    switch (thing) {
    case Thing::Fifo: ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); break;
    case Thing::Folder: fs::create_directories(path + "/inside"); break;
    case Thing::Socket: {
        const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_GE(listener, 0);
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        const std::string absolute = fs::absolute(path).string();
        ASSERT_LT(absolute.size(), sizeof address.sun_path);
        absolute.copy(address.sun_path, absolute.size());
        ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        close(listener); // the socket stays in the folder
        break;
    }
    case Thing::ZeroDevice: fs::create_symlink("/dev/zero", path); break;
    case Thing::RandomDevice: fs::create_symlink("/dev/urandom", path); break;
    }
}

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

const long long GIGABYTE = 1LL << 30;

void writeToneOgg(const std::string& path, double seconds)
{
    ASSERT_TRUE(writeOgg(path.c_str(), makeTone(440, seconds, 22050), 22050, 1));
}

// An Ogg file with every page's stream number set to `serial` and its
// checksum made again: the writer gives each file the same number, and the
// streams of a chain must differ.
std::string withSerial(std::string ogg, std::uint32_t serial)
{
    for (std::size_t at = 0; at + 27 <= ogg.size();) {
        auto* header = reinterpret_cast<unsigned char*>(&ogg[at]);
        const std::size_t segments = header[26];
        std::size_t body = 0;
        for (std::size_t i = 0; i < segments; ++i)
            body += header[27 + i];
        for (int i = 0; i < 4; ++i)
            header[14 + i] = static_cast<unsigned char>(serial >> (8 * i));
        ogg_page page;
        page.header = header;
        page.header_len = static_cast<long>(27 + segments);
        page.body = header + 27 + segments;
        page.body_len = static_cast<long>(body);
        ogg_page_checksum_set(&page);
        at += 27 + segments + body;
    }
    return ogg;
}

// The length of the first Ogg page of `ogg`, which holds a Vorbis stream's
// first header only.
std::size_t firstPageLength(const std::string& ogg)
{
    const std::size_t segments = static_cast<unsigned char>(ogg[26]);
    std::size_t length = 27 + segments;
    for (std::size_t i = 0; i < segments; ++i)
        length += static_cast<unsigned char>(ogg[27 + i]);
    return length;
}

// A chain of streams (one after another in one file) decodes link after
// link, its length counted by decoding it, as it states none.
struct ChainCase {
    const char* name;
    std::vector<std::uint32_t> serials; // each link, a second of tone, takes one
};

void PrintTo(const ChainCase& c, std::ostream* out)
{
    *out << c.name;
}

class ChainedOgg : public Hostile, public ::testing::WithParamInterface<ChainCase> {};

TEST_P(ChainedOgg, DecodesEveryLink)
{
    writeToneOgg("made/link.ogg", 1.0);
    const std::string link = readFile("made/link.ogg");
    std::string chain;
    for (std::uint32_t serial : GetParam().serials)
        chain += withSerial(link, serial);
    writeFile("books/t/x.ogg", chain);
    const Result<SAMPLE*> decoded = decodeSound("books/t/x.ogg");
    SAMPLE* sound = decoded.value;
    ASSERT_NE(sound, nullptr) << phraseOf(decoded.problem);
    EXPECT_EQ(sound->len, 22050u * GetParam().serials.size());
    destroy_sample(sound);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChainedOgg,
    ::testing::Values(ChainCase{"TwoStreams", {5, 7}},
                      // libvorbisfile, able to seek, would refuse a number
                      // used again; link after link it is only another link.
                      ChainCase{"AStreamNumberUsedAgainThenAnother", {5, 7, 5, 9}}),
    [](const auto& info) { return std::string(info.param.name); });

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

// ---------------------------------------------------------------- TGA forms

struct TgaCase {
    const char* name;
    int imageType, bitsPerPixel;
    std::string pixel, colourMap;
    int r, g, b; // the colour it shows
};

void PrintTo(const TgaCase& c, std::ostream* out)
{
    *out << c.name;
}

class TgaForm : public Hostile, public ::testing::WithParamInterface<TgaCase> {};

// Every kind of TGA the player reads, plain and run-length compressed,
// passes the check of its packets and shows its colour in every pixel.
TEST_P(TgaForm, DecodesToItsColour)
{
    const TgaCase& c = GetParam();
    writeFile("books/t/pico/x.tga",
              tgaPicture(c.imageType, c.bitsPerPixel, 40, 30, c.pixel, c.colourMap));
    const Result<BITMAP*> decoded = decodePicture("books/t/pico/x.tga");
    BITMAP* picture = decoded.value;
    ASSERT_NE(picture, nullptr) << phraseOf(decoded.problem);
    EXPECT_EQ(picture->w, 40);
    EXPECT_EQ(picture->h, 30);
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{38, 15}, std::pair{39, 29}}) {
        const int pixel = getpixel(picture, x, y);
        const int depth = bitmap_color_depth(picture);
        EXPECT_NEAR(getr_depth(depth, pixel), c.r, 8) << x << "," << y;
        EXPECT_NEAR(getg_depth(depth, pixel), c.g, 8) << x << "," << y;
        EXPECT_NEAR(getb_depth(depth, pixel), c.b, 8) << x << "," << y;
    }
    destroy_bitmap(picture);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, TgaForm,
    ::testing::Values(
        // Colour-mapped: entry 1 of the map; entries are blue, green, red.
        TgaCase{"ColourMapped", 1, 8, "\1", "\0\0\0\x30\x60\x90"s, 0x90, 0x60, 0x30},
        TgaCase{"ColourMappedRunLength", 9, 8, "\1", "\0\0\0\x30\x60\x90"s, 0x90, 0x60, 0x30},
        TgaCase{"Grey", 3, 8, "\x80", "", 0x80, 0x80, 0x80},
        TgaCase{"GreyRunLength", 11, 8, "\x80", "", 0x80, 0x80, 0x80},
        // 5 bits a channel: 0 11111 00000 10000 is red and half blue.
        TgaCase{"TrueColour16RunLength", 10, 16, "\x10\x7C", "", 0xF8, 0x00, 0x80},
        TgaCase{"TrueColour24RunLength", 10, 24, "\x30\x60\x90", "", 0x90, 0x60, 0x30},
        TgaCase{"TrueColour32RunLength", 10, 32, "\x30\x60\x90\xFF", "", 0x90, 0x60, 0x30},
        TgaCase{"TrueColour24", 2, 24, "\x30\x60\x90", "", 0x90, 0x60, 0x30}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- WAV forms

struct WavCase {
    const char* name;
    std::function<std::string()> bytes;
    long frames;       // length expected (ADPCM rounds up to whole blocks)
    long slack;        // frames it may come out longer by
    double tolerance;  // largest difference from the tone, as a share of full scale
};

// Tests are named by their case; the case itself prints as its name.
void PrintTo(const WavCase& c, std::ostream* out)
{
    *out << c.name;
}

class CommonSound : public Hostile, public ::testing::WithParamInterface<WavCase> {};

// Every common form plays with its length and rate, and sounds like the tone.
TEST_P(CommonSound, PlaysWithItsLengthAndRate)
{
    writeFile("books/t/audio/x.wav", GetParam().bytes());
    const Result<SAMPLE*> decoded = decodeSound("books/t/audio/x.wav");
    SAMPLE* sound = decoded.value;
    ASSERT_NE(sound, nullptr) << phraseOf(decoded.problem);
    EXPECT_EQ(sound->freq, 44100);
    EXPECT_TRUE(sound->stereo);
    EXPECT_GE(static_cast<long>(sound->len), GetParam().frames);
    EXPECT_LE(static_cast<long>(sound->len), GetParam().frames + GetParam().slack);
    // The library's samples are unsigned: 0x8000 is silence.
    double worst = 0;
    const long frames = std::min<long>(static_cast<long>(sound->len), GetParam().frames);
    for (long i = 0; i < frames; ++i)
        for (int c = 0; c < 2; ++c) {
            const double value = sound->bits == 16
                                     ? (static_cast<const std::uint16_t*>(sound->data)[2 * i + c] - 32768.0) / 32768.0
                                     : (static_cast<const std::uint8_t*>(sound->data)[2 * i + c] - 128.0) / 128.0;
            worst = std::max(worst, std::fabs(value - toneAt(i, c, 44100)));
        }
    EXPECT_LE(worst, GetParam().tolerance);
    destroy_sample(sound);
}

std::string wavIn(int format)
{
    writeSoundFile("made/form.wav", format, 2, 44100, 22050);
    return readFile("made/form.wav");
}

INSTANTIATE_TEST_SUITE_P(
    Forms, CommonSound,
    ::testing::Values(
        WavCase{"Pcm16", [] { return wavIn(SF_FORMAT_WAV | SF_FORMAT_PCM_16); }, 22050, 0, 0.001},
        WavCase{"Pcm24", [] { return wavIn(SF_FORMAT_WAV | SF_FORMAT_PCM_24); }, 22050, 0, 0.001},
        WavCase{"Pcm32", [] { return wavIn(SF_FORMAT_WAV | SF_FORMAT_PCM_32); }, 22050, 0, 0.001},
        WavCase{"Float32", [] { return wavIn(SF_FORMAT_WAV | SF_FORMAT_FLOAT); }, 22050, 0, 0.001},
        WavCase{"Float64", [] { return wavIn(SF_FORMAT_WAV | SF_FORMAT_DOUBLE); }, 22050, 0, 0.001},
        WavCase{"Extensible16", [] { return wavIn(SF_FORMAT_WAVEX | SF_FORMAT_PCM_16); }, 22050, 0,
                0.001},
        WavCase{"ALaw", [] { return wavIn(SF_FORMAT_WAV | SF_FORMAT_ALAW); }, 22050, 0, 0.02},
        WavCase{"MuLaw", [] { return wavIn(SF_FORMAT_WAV | SF_FORMAT_ULAW); }, 22050, 0, 0.02},
        // ADPCM finds its step size over the first samples.
        WavCase{"ImaAdpcm", [] { return wavIn(SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM); }, 22050, 2048,
                0.3},
        WavCase{"MsAdpcm", [] { return wavIn(SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM); }, 22050, 2048,
                0.3},
        WavCase{"Flac", [] { return wavIn(SF_FORMAT_FLAC | SF_FORMAT_PCM_16); }, 22050, 0, 0.001},
        WavCase{"Aiff", [] { return wavIn(SF_FORMAT_AIFF | SF_FORMAT_PCM_16); }, 22050, 0, 0.001},
        // An odd-length chunk before the data, with the pad byte that follows it.
        WavCase{"PadByteAfterAnOddChunk",
                [] {
                    const std::string wav = pcmWav(22050);
                    const std::string body = wav.substr(12, 24) + std::string("LIST\5\0\0\0INFOx\0", 14)
                                             + wav.substr(36);
                    return withLittleEndian32("RIFF....WAVE" + body, 4,
                                              static_cast<std::uint32_t>(body.size() + 4));
                },
                22050, 0, 0.001},
        // Written by a recorder that could not go back to fill in the lengths.
        WavCase{"StreamedHeaderWithZeroLengths",
                [] { return withLittleEndian32(withLittleEndian32(pcmWav(22050), 4, 0), 40, 0); },
                22050, 0, 0.001},
        WavCase{"StreamedHeaderWithLengthsOfFFFFFFFF",
                [] {
                    return withLittleEndian32(withLittleEndian32(pcmWav(22050), 4, 0xFFFFFFFF), 40,
                                              0xFFFFFFFF);
                },
                22050, 0, 0.001}),
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

TEST_F(Hostile, SettingsValuesAreMadeValidUtf8)
{
    writeFile("ini.dat", "book:x\xFFy;\nwindowed:\xE2\x82;\n");
    read_ini_file();
    EXPECT_STREQ(book, "books/x?y");
    EXPECT_STREQ(windowed, "??");
}

// ------------------------------------------------ the checker as a program

// A working directory "work" holding the demo's font, and a book "books/b"
// with a good background, for the checker to be run on.
void makeCheckerBook(const std::string& pages)
{
    copyFile(std::string(QUORVEL_DEMO_DIR) + "/font.dat", "work/font.dat");
    writeFile("work/books/b/pico/.keep", "");
    BITMAP* background = makeTestPicture(8, 8, 1, 2, 3);
    writePng("work/books/b/pico/bg.png", background);
    destroy_bitmap(background);
    writeFile("work/books/b/audio/.keep", "");
    writeFile("work/books/b/pages.dat", pages);
}

std::string page(const std::string& lines)
{
    return "default_bg:bg.png;\npage_start:;\n" + lines + "but1_text:on;\npage_end:;\n";
}

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
                     page("room_name:\xCE\xEF\xF3\xF8\xEA\xE0;\ntext_main:\xD2\xF0\xEE\xEF\xE8"
                          "\xED\xEA\xE0 \xF3\xF5\xEE\xE4\xE8\xF2 \xE2 \xEB\xE5\xF1.;\n"),
                     {"pages.dat:3: " + NOT_UTF8_LINE, "pages.dat:4: " + NOT_UTF8_LINE,
                      "pages.dat: error: the book file is not UTF-8: it reads as Windows-1251 "
                      "(Cyrillic); save the file as UTF-8"},
                     {}},
        // "Café naïve — “quoted”" in Windows-1252.
        EncodingCase{"Windows1252",
                     page("text_main:Caf\xE9 na\xEFve \x97 \x93quoted\x94;\n"),
                     {"pages.dat:3: " + NOT_UTF8_LINE,
                      "it reads as Windows-1252 (Western European); save the file as UTF-8"},
                     {"Windows-1251"}},
        EncodingCase{"OneStrayByteInUtf8Cyrillic",
                     page("text_main:Тропинка уходит \x80 в лес. Сова спит.;\n"),
                     {"pages.dat:3: " + NOT_UTF8_LINE,
                      "pages.dat: error: the book file is not UTF-8: save the file as UTF-8"},
                     {"reads as"}},
        EncodingCase{"OnlyAComment", "# \xCE\xEF\xF3\xF8\xEA\xE0\n" + page(""), {"0 errors"},
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
    makeCheckerBook(page(GetParam().lines));
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
        BombCase{"WavOf2GbSparse",
                 [] {
                     std::string wav = pcmWav(100);
                     wav = withLittleEndian32(withLittleEndian32(wav, 40, 0x7FFFFFF0u), 4, 0x7FFFFFF0u + 36);
                     writeFile("work/books/b/audio/long.wav", wav);
                     padSparse("work/books/b/audio/long.wav", 0x7FFFFFF0LL + 44);
                 },
                 "sound_name:long.wav;\n", 1, {"MB decoded: more than the 128 MB"}}),
    [](const auto& info) { return std::string(info.param.name); });

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
    for (const char* name :
         {"fifo.png", "folder.png", "bomb.png", "cut.png", "half.png", "cut.tga", "map.tga"})
        lines += std::string("pico_name:") + name + ";\n";
    for (const char* name : {"fifo.ogg", "zero.wav", "cut.ogg", "padded.ogg", "negative.wav", "adpcm.wav"})
        lines += std::string("sound_name:") + name + ";\n";
    makeCheckerBook(page(lines));
    const ProgramRun run =
        runProgram(QUORVEL_VALGRIND, {"--error-exitcode=99", "--errors-for-leak-kinds=none", "--quiet",
                                QUORVEL_CHECK, "work/books/b"},
                   true);
    EXPECT_EQ(run.status, 1) << "99: valgrind found an error\n" << run.output;
    EXPECT_EQ(run.output.find("Invalid read"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("Invalid write"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("fifo.png\" cannot be loaded: it is a FIFO"), std::string::npos)
        << run.output;
#endif
}

} // namespace
