// The sound decoders (media/sound.h) on real files: every common form of
// WAV and the other formats libsndfile reads play with their length and
// rate and sound like the tone they hold; a chain of Ogg streams decodes
// link after link.
#include "assets.h"
#include "hostilefiles.h"
#include "media/sound.h"
#include "testenv.h"

#include <allegro.h>
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace {

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
        // Written to a pipe, which it could not go back to: its header
        // states 0 frames, which means "not known".
        WavCase{"FlacThatStatesNoLength",
                [] { return withoutFlacLength(wavIn(SF_FORMAT_FLAC | SF_FORMAT_PCM_16)); }, 22050,
                0, 0.001},
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

// Ogg Opus, which libsndfile decodes at 48000 Hz, plays with its length
// and sounds like its tone.
TEST_F(Hostile, OggOpusPlaysWithItsLength)
{
    writeSoundFile("books/t/audio/x.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 2, 48000, 24000);
    const SoundHeader header = inspectSound("books/t/audio/x.opus");
    ASSERT_FALSE(header.problem) << phraseOf(header.problem);
    EXPECT_NE(header.format.find("Opus"), std::string::npos) << header.format;
    const Result<SAMPLE*> decoded = decodeInspectedSound("books/t/audio/x.opus", header);
    SAMPLE* sound = decoded.value;
    ASSERT_NE(sound, nullptr) << phraseOf(decoded.problem);
    EXPECT_EQ(sound->freq, 48000);
    EXPECT_TRUE(sound->stereo);
    EXPECT_NEAR(static_cast<double>(sound->len), 24000.0, 960.0); // within one Opus frame
    double worst = 0;
    for (long i = 1000; i < 23000; ++i)
        for (int c = 0; c < 2; ++c)
            worst = std::max(worst,
                             std::fabs((static_cast<const std::uint16_t*>(sound->data)[2 * i + c] - 32768.0)
                                           / 32768.0
                                       - toneAt(i, c, 48000)));
    EXPECT_LE(worst, 0.1);
    destroy_sample(sound);
}

} // namespace
