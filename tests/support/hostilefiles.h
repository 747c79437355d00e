// Files made to be hostile, and the scratch book the hostile-file tests put
// them in: what is not a regular file (FIFOs, folders, sockets, devices),
// sparse padding, one-bit PNG bombs, sounds in the encodings libsndfile
// writes, Ogg files made into chains. The tests of the readers and decoders
// use them in-process; those of quorvel-check put them in a book for the
// program to read.
#ifndef QUORVEL_HOSTILEFILES_H
#define QUORVEL_HOSTILEFILES_H

#include "text/regularfile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

// A case that blocks fails at this deadline instead of hanging the suite.
const unsigned HANG_SECONDS = 30;

// The library started without a display (32-bit colour), a scratch working
// directory with the book "books/t" (its pico/ and audio/ folders) and a
// folder made/ for files made on the way; a deadline of HANG_SECONDS on the
// whole case. Frees the pages a case read.
class Hostile : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

const long long GIGABYTE = 1LL << 30;

// Appends `value` to `out` as 4 bytes, most significant first.
void putBig32(std::string& out, std::uint32_t value);

// `bytes` with the little-endian 32-bit field at `at` set to `value`.
std::string withLittleEndian32(std::string bytes, std::size_t at, std::uint32_t value);

// Makes `path` `size` bytes long; the bytes added read as zeros and take no
// room (a fatal test failure when it cannot).
void padSparse(const std::string& path, long long size);

// A one-bit grey PNG of `side` x `side` pixels holding its first `rows`
// rows (all black), compressed: a few kilobytes that decode to megabytes.
std::string bitPng(std::uint32_t side, std::uint32_t rows);

// bitPng(8, 8) with `count` chunks of `type` holding `data`, before its
// picture data or after it.
std::string pngWithChunks(const char* type, int count, const std::string& data, bool afterPicture);

// A zTXt chunk's data: the keyword "Comment" and `bytes` of text, packed.
std::string packedText(std::size_t bytes);

// The stereo tone the sound makers write: left at 440 Hz, right at 660 Hz,
// at 40% of full scale; its value at `frame` of `channel` at `rate`.
double toneAt(long frame, int channel, int rate);

// Writes the stereo tone (channels past two repeat it) through libsndfile
// in `format`. False on failure.
bool writeSoundFile(const std::string& path, int format, int channels, int rate, long frames);

// A 16-bit stereo PCM WAV of the tone, as libsndfile writes it: RIFF
// header, a 16-byte fmt chunk at 12 and the data chunk at 36. Made in made/.
std::string pcmWav(long frames, int rate = 44100);

// Half a second of the stereo tone at 44.1 kHz in libsndfile's `format`.
// Made in made/.
std::string wavIn(int format);

// `flac` (a FLAC file) with the length in its stream header set to 0 (the
// 36 bits after its rate, channels and bits), as an encoder writing to a
// pipe leaves it.
std::string withoutFlacLength(std::string flac);

// Writes `seconds` of a 440 Hz mono tone at 22.05 kHz as an Ogg Vorbis file
// (a fatal test failure when it cannot).
void writeToneOgg(const std::string& path, double seconds);

// An Ogg file with every page's stream number set to `serial` and its
// checksum made again: the writer gives each file the same number, and the
// streams of a chain must differ.
std::string withSerial(std::string ogg, std::uint32_t serial);

// The length of the first Ogg page of `ogg`, which holds a Vorbis stream's
// first header only.
std::size_t firstPageLength(const std::string& ogg);

// What stands where a file should be.
enum class Thing { Fifo, Folder, Socket, ZeroDevice, RandomDevice };

// Its name in test names ("Fifo", "LinkToDevZero", ...).
const char* nameOf(Thing thing);

// The kind of file regularfile.h sees in it.
FileKind kindOf(Thing thing);

// Puts `thing` at `path`, in place of whatever is there (a fatal test
// failure when it cannot).
void makeThing(Thing thing, const std::string& path);

// A working directory "work" holding the demo's font, and a book "books/b"
// with a good background and `pages` as its book file, for quorvel-check to
// be run on.
void makeCheckerBook(const std::string& pages);

// A book file of one page over bg.png with `lines` and a choice.
std::string checkerPage(const std::string& lines);

#endif
