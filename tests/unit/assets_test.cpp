// The media writers and sound makers, checked by reading their files back
// through the same library loaders the player uses.
#include "assets.h"
#include "testenv.h"

#include <allegro.h>
#include <loadpng.h>
#include <logg.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace {

class Assets : public ::testing::Test {
protected:
    void SetUp() override
    {
        startLibraryWithoutDisplay();
        set_color_depth(24);
        enterScratchDir("assets");
    }
};

std::array<int, 3> colourAt(BITMAP* bmp, int x, int y)
{
    const int depth = bitmap_color_depth(bmp);
    const int c = getpixel(bmp, x, y);
    return {getr_depth(depth, c), getg_depth(depth, c), getb_depth(depth, c)};
}

// Sign changes between neighbouring samples of one channel, in [first, last).
int signChanges(const std::vector<int>& wave, size_t first, size_t last)
{
    int count = 0;
    for (size_t i = first + 1; i < last; ++i)
        count += (wave[i - 1] < 0) != (wave[i] < 0);
    return count;
}

// One channel of a loaded 16-bit sample, back to signed values (the library
// keeps 16-bit samples unsigned, centred on 0x8000).
std::vector<int> channelOf(const SAMPLE* spl, int channel)
{
    const int channels = spl->stereo ? 2 : 1;
    const auto* data = static_cast<const unsigned short*>(spl->data);
    std::vector<int> out;
    for (unsigned long i = 0; i < spl->len; ++i)
        out.push_back(static_cast<int>(data[i * channels + channel]) - 0x8000);
    return out;
}

double rms(const std::vector<int16_t>& wave, size_t first, size_t last)
{
    double sum = 0;
    for (size_t i = first; i < last; ++i)
        sum += static_cast<double>(wave[i]) * wave[i];
    return std::sqrt(sum / (last - first));
}

TEST_F(Assets, PngReadsBackWithItsSizeAndColours)
{
    BITMAP* picture = makeTestPicture(37, 21, 200, 100, 50);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(bitmap_color_depth(picture), 24);
    putpixel(picture, 36, 20, makecol24(10, 220, 30)); // one marked corner shows any flip
    ASSERT_TRUE(writePng("picture.png", picture));
    destroy_bitmap(picture);

    BITMAP* back = load_png("picture.png", nullptr);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->w, 37);
    EXPECT_EQ(back->h, 21);
    const std::array<int, 3> fill{200, 100, 50}, mark{10, 220, 30};
    EXPECT_EQ(colourAt(back, 0, 0), fill);
    EXPECT_EQ(colourAt(back, 18, 10), fill);
    EXPECT_EQ(colourAt(back, 0, 20), fill);
    EXPECT_EQ(colourAt(back, 36, 0), fill);
    EXPECT_EQ(colourAt(back, 36, 20), mark);
    destroy_bitmap(back);
}

TEST_F(Assets, WavReadsBackWithItsLengthRateAndSamples)
{
    struct Case {
        int channels, rate;
    };
    for (const Case& k : {Case{1, 22050}, Case{2, 11025}}) {
        SCOPED_TRACE(k.channels);
        // Channel 0 carries a 440 Hz tone; channel 1 (if any) 660 Hz.
        const std::vector<int16_t> low = makeTone(440, 0.25, k.rate), high = makeTone(660, 0.25, k.rate);
        std::vector<int16_t> samples;
        for (size_t i = 0; i < low.size(); ++i) {
            samples.push_back(low[i]);
            if (k.channels == 2)
                samples.push_back(high[i]);
        }
        ASSERT_TRUE(writeWav("tone.wav", samples, k.rate, k.channels));

        SAMPLE* spl = load_sample("tone.wav");
        ASSERT_NE(spl, nullptr);
        EXPECT_EQ(spl->len, low.size());
        EXPECT_EQ(spl->freq, k.rate);
        EXPECT_EQ(spl->bits, 16);
        EXPECT_EQ(spl->stereo != 0, k.channels == 2);
        for (int c = 0; c < k.channels; ++c) {
            const std::vector<int> back = channelOf(spl, c);
            const std::vector<int16_t>& sent = c == 0 ? low : high;
            ASSERT_EQ(back.size(), sent.size());
            EXPECT_TRUE(std::equal(back.begin(), back.end(), sent.begin())) << "channel " << c;
        }
        destroy_sample(spl);
    }
}

TEST_F(Assets, OggReadsBackThroughLoggButNotThroughLoadSample)
{
    const int rate = 22050;
    ASSERT_TRUE(writeOgg("tone.ogg", makeTone(440, 1.0, rate), rate, 1));

    SAMPLE* spl = logg_load("tone.ogg");
    ASSERT_NE(spl, nullptr);
    EXPECT_EQ(spl->freq, rate);
    EXPECT_EQ(spl->bits, 16);
    EXPECT_EQ(spl->stereo, 0);
    EXPECT_NEAR(static_cast<double>(spl->len), rate, rate * 0.01);
    // Lossy, but still the same tone: about 440 rises and 440 falls in the
    // middle half second.
    const std::vector<int> back = channelOf(spl, 0);
    EXPECT_NEAR(signChanges(back, rate / 4, rate * 3 / 4), 440, 10);
    destroy_sample(spl);

    // The library's own loader knows no Ogg, which other tests rely on.
    EXPECT_EQ(load_sample("tone.ogg"), nullptr);
}

TEST_F(Assets, WritersRefuseWhatTheyCannotWrite)
{
    BITMAP* picture = makeTestPicture(4, 4, 1, 2, 3);
    ASSERT_NE(picture, nullptr);
    const std::vector<int16_t> tone = makeTone(440, 0.1, 22050);
    EXPECT_FALSE(writePng("missing/picture.png", picture));
    EXPECT_FALSE(writeWav("missing/tone.wav", tone, 22050, 1));
    EXPECT_FALSE(writeOgg("missing/tone.ogg", tone, 22050, 1));
    EXPECT_FALSE(fs::exists("missing"));
    destroy_bitmap(picture);

    EXPECT_FALSE(writePng("none.png", nullptr));
    EXPECT_FALSE(writeWav("half-frame.wav", {1, 2, 3}, 22050, 2));
    EXPECT_FALSE(writeWav("no-rate.wav", tone, 0, 1));
    EXPECT_FALSE(writeOgg("three.ogg", {1, 2, 3}, 22050, 3));
    for (const char* file : {"none.png", "half-frame.wav", "no-rate.wav", "three.ogg"})
        EXPECT_FALSE(fs::exists(file)) << file;
    EXPECT_EQ(makeTestPicture(0, 5, 1, 2, 3), nullptr);
}

TEST(SoundMakers, ToneHasItsLengthLevelAndPitch)
{
    const std::vector<int16_t> tone = makeTone(440, 0.5, 22050);
    ASSERT_EQ(tone.size(), 11025u);
    const auto [low, high] = std::minmax_element(tone.begin(), tone.end());
    EXPECT_NEAR(*high, 16384, 2);
    EXPECT_NEAR(*low, -16384, 2);
    const std::vector<int> wave(tone.begin(), tone.end());
    EXPECT_NEAR(signChanges(wave, 0, wave.size()), 440, 2);
}

TEST(SoundMakers, BellRingsAndDiesAway)
{
    const int rate = 22050;
    const std::vector<int16_t> bell = makeBell(660, 1.5, rate);
    ASSERT_EQ(bell.size(), static_cast<size_t>(1.5 * rate));
    const int peak = std::abs(*std::max_element(bell.begin(), bell.end(), [](int a, int b) { return std::abs(a) < std::abs(b); }));
    EXPECT_NEAR(peak, 0.7 * 32767, 2);
    EXPECT_GT(rms(bell, 0, rate / 10), 10 * rms(bell, bell.size() - rate / 10, bell.size()));
    EXPECT_EQ(bell.back(), 0);
}

// The step from a loop's last sample round to its first, relative to the
// typical step between neighbouring samples on either side of the seam.
double seamJump(const std::vector<int16_t>& loop)
{
    const size_t span = 100;
    double sum = 0;
    for (size_t i = 1; i < span; ++i) {
        const double head = loop[i] - loop[i - 1], tail = loop[loop.size() - i] - loop[loop.size() - i - 1];
        sum += head * head + tail * tail;
    }
    const double typical = std::sqrt(sum / (2 * (span - 1)));
    return std::abs(loop.front() - loop.back()) / typical;
}

// The looping sounds: played round, the seam is a step like any other (on
// average over many seeds, so that no single lucky seed decides), neither
// end fades out, and the seed alone decides the samples.
TEST(SoundMakers, LoopsMeetAtTheSeamAndRepeatBySeed)
{
    const int rate = 22050;
    struct Maker {
        const char* name;
        std::vector<int16_t> (*make)(double, int, uint32_t);
        double seconds;
    };
    for (const Maker& m : {Maker{"wind", makeWind, 6.0}, Maker{"brook", makeBrook, 5.0}}) {
        SCOPED_TRACE(m.name);
        double jumps = 0;
        const int seeds = 16;
        for (int seed = 1; seed <= seeds; ++seed)
            jumps += seamJump(m.make(0.25, rate, seed));
        EXPECT_LT(jumps / seeds, 1.5);

        const std::vector<int16_t> loop = m.make(m.seconds, rate, 7);
        ASSERT_EQ(loop.size(), static_cast<size_t>(m.seconds * rate));
        const size_t tenth = rate / 10;
        const double head = rms(loop, 0, tenth), tail = rms(loop, loop.size() - tenth, loop.size());
        EXPECT_GT(head, 0);
        EXPECT_LT(std::max(head, tail) / std::min(head, tail), 2.0);

        EXPECT_EQ(m.make(m.seconds, rate, 7), loop);
        EXPECT_NE(m.make(m.seconds, rate, 8), loop);
    }
}

} // namespace
