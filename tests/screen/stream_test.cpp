// Long sounds played as streams: on their own (media/soundstream.h), and as the
// page screen plays them, with short sounds still samples. Sounds play into
// ALSA's null device, which takes them faster than real time.
#include "assets.h"
#include "gamepage.h"
#include "init.h"
#include "media/media.h"
#include "media/pagesound.h"
#include "media/soundstream.h"
#include "screen/dialogpass.h"
#include "scriptedinput.h"
#include "testenv.h"
#include "text/buffers.h"
#include "title.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const int RATE = 22050;

class Streams : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string dir = enterScratchDir("stream");
        writeFile(".asoundrc", "pcm.!default { type null }\n");
        setenv("HOME", dir.c_str(), 1);
        ASSERT_TRUE(startLibraryInWindow()) << "no window: is an X display set?";
        install_sound(DIGI_AUTODETECT, MIDI_NONE, nullptr);
        ASSERT_GT(digi_driver->voices, 0) << "no sound driver: streams cannot be checked";
    }

    void TearDown() override
    {
        stopSoundStream(stream);
        stopPageSound();
        freePages();
    }

    // Feeds the stream as the page screen's passes do, for `seconds` or
    // until it no longer plays; returns how it stands then.
    StreamState feedFor(double seconds)
    {
        const Clock::time_point start = Clock::now();
        StreamState state = StreamState::Playing;
        while (state == StreamState::Playing
               && std::chrono::duration<double>(Clock::now() - start).count() < seconds) {
            state = feedSoundStream(stream);
            rest(PASS_REST_MS);
        }
        return state;
    }

    SoundStream* stream = nullptr;
};

// A tone at half of full scale: no stretch of it is near silence.
void writeTone(const std::string& path, double seconds, int channels = 1)
{
    const std::vector<int16_t> mono = makeTone(660, seconds, RATE);
    std::vector<int16_t> samples;
    for (int16_t s : mono)
        for (int c = 0; c < channels; ++c)
            samples.push_back(s);
    ASSERT_TRUE(writeOgg(path.c_str(), samples, RATE, channels)) << path;
}

// The sample a voice plays, when exactly one voice plays; else null.
SAMPLE* onlyVoiceSample()
{
    SAMPLE* found = nullptr;
    int playing = 0;
    for (int voice = 0; voice < 256; ++voice)
        if (SAMPLE* sample = voice_check(voice)) {
            found = sample;
            ++playing;
        }
    return playing == 1 ? found : nullptr;
}

// The voice that plays, when exactly one does; else -1.
int onlyVoice()
{
    int found = -1;
    for (int voice = 0; voice < 256; ++voice)
        if (voice_check(voice))
            found = found == -1 ? voice : -2;
    return found < 0 ? -1 : found;
}

bool anyVoicePlaying()
{
    for (int voice = 0; voice < 256; ++voice)
        if (voice_check(voice))
            return true;
    return false;
}

// The longest run of words near silence in a 16-bit sample's data.
int longestQuietRun(const SAMPLE* sample)
{
    const auto* words = static_cast<const uint16_t*>(sample->data);
    const unsigned long count = sample->len * (sample->stereo ? 2 : 1);
    int run = 0, longest = 0;
    for (unsigned long i = 0; i < count; ++i) {
        run = std::abs(static_cast<int>(words[i]) - 0x8000) < 64 ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

TEST_F(Streams, ASoundThatPlaysOncePlaysToItsEnd)
{
    writeTone("once.ogg", 0.6);
    ASSERT_EQ(startSoundStream("once.ogg", inspectSound("once.ogg"), false, 255, 128, stream),
              StreamStart::Playing);
    EXPECT_EQ(soundStreamCount(), 1u);
    EXPECT_EQ(feedFor(8), StreamState::Ended);
    stopSoundStream(stream);
    stream = nullptr;
    EXPECT_EQ(soundStreamCount(), 0u);
    EXPECT_FALSE(anyVoicePlaying());
}

// Each lap decoded anew (no room kept for it), and each lap after the first
// copied from what the first one kept.
class LoopingStreams : public Streams, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(LoopingStreams, RunOnWithoutAGap)
{
    writeTone("loop.ogg", 0.3);
    ASSERT_EQ(startSoundStream("loop.ogg", inspectSound("loop.ogg"), true, 255, 128, stream,
                               GetParam()),
              StreamStart::Playing);
    EXPECT_EQ(feedFor(1.5), StreamState::Playing) << "a looping stream stopped";
    // Every lap has been written into the voice's buffer by now: a gap at
    // the turn of a lap would show as a stretch of silence.
    const SAMPLE* playing = onlyVoiceSample();
    ASSERT_NE(playing, nullptr);
    EXPECT_LT(longestQuietRun(playing), 8);
}

INSTANTIATE_TEST_SUITE_P(KeptLap, LoopingStreams, ::testing::Values(0, STREAM_KEPT_LAP_BYTES),
                         [](const auto& info) {
                             return std::string(info.param == 0 ? "DecodedEachLap" : "KeptWhole");
                         });

// Once its first lap is whole, a looping stream reads its file no more: it
// plays on when the file is gone. Without room to keep the lap, it must
// open the file again, and fails.
TEST_F(Streams, ALoopPlaysOnFromItsKeptLapOnceTheFileIsGone)
{
    for (const std::size_t kept : {STREAM_KEPT_LAP_BYTES, std::size_t{0}}) {
        writeTone("loop.ogg", 0.3);
        ASSERT_EQ(startSoundStream("loop.ogg", inspectSound("loop.ogg"), true, 255, 128, stream,
                                   kept),
                  StreamStart::Playing);
        // One lap and a half: the file has been read to its end once.
        ASSERT_EQ(feedFor(0.45), StreamState::Playing);
        writeFile("loop.ogg", "");
        EXPECT_EQ(feedFor(1.0), kept ? StreamState::Playing : StreamState::Failed) << kept;
        stopSoundStream(stream);
        stream = nullptr;
    }
}

TEST_F(Streams, StoppingFreesTheVoiceAtOnce)
{
    writeTone("loop.ogg", 0.3, 2);
    ASSERT_EQ(startSoundStream("loop.ogg", inspectSound("loop.ogg"), true, 255, 128, stream),
              StreamStart::Playing);
    ASSERT_TRUE(anyVoicePlaying());
    stopSoundStream(stream);
    stream = nullptr;
    EXPECT_FALSE(anyVoicePlaying());
    EXPECT_EQ(soundStreamCount(), 0u);
}

// The Ogg pages of `ogg`: where each starts.
std::vector<std::size_t> pageStarts(const std::string& ogg)
{
    std::vector<std::size_t> starts;
    for (std::size_t at = ogg.find("OggS"); at != std::string::npos; at = ogg.find("OggS", at + 1))
        starts.push_back(at);
    return starts;
}

// Where the sound of an Ogg file starts: its first two pages hold the headers.
std::size_t soundStart(const std::string& ogg)
{
    return pageStarts(ogg).at(2);
}

// The decoders refuse a file with a lost page; a stream fails where it meets one.
TEST_F(Streams, ALostPageInTheMiddleFailsTheStreamThere)
{
    ASSERT_TRUE(writeOgg("whole.ogg", makeWind(2.0, RATE, 3), RATE, 1));
    std::string bytes = readFile("whole.ogg");
    const std::size_t middle = (soundStart(bytes) + bytes.size()) / 2;
    bytes.replace(middle, 1000, std::string(1000, '\0'));
    writeFile("holed.ogg", bytes);
    ASSERT_EQ(startSoundStream("holed.ogg", inspectSound("holed.ogg"), true, 255, 128, stream),
              StreamStart::Playing) << "the first half second is whole";
    EXPECT_EQ(feedFor(10), StreamState::Failed);
}

struct Unplayable {
    const char* name;
    std::function<std::string(const std::string& ogg)> bytes;
};

void PrintTo(const Unplayable& file, std::ostream* out)
{
    *out << file.name;
}

class StreamsRefuse : public Streams, public ::testing::WithParamInterface<Unplayable> {};

// A file that is no longer what its look found (it was changed on disk
// since the book was opened) is refused by the stream itself.
TEST_P(StreamsRefuse, WithoutTakingAVoice)
{
    writeTone("sound.ogg", 1.0);
    const SoundHeader header = inspectSound("sound.ogg");
    ASSERT_FALSE(header.problem) << phraseOf(header.problem);
    writeFile("sound.ogg", GetParam().bytes(readFile("sound.ogg")));
    EXPECT_EQ(startSoundStream("sound.ogg", header, true, 255, 128, stream),
              StreamStart::CannotDecode);
    EXPECT_EQ(stream, nullptr);
    EXPECT_EQ(soundStreamCount(), 0u);
    EXPECT_FALSE(anyVoicePlaying());
}

INSTANTIATE_TEST_SUITE_P(
    Files, StreamsRefuse,
    ::testing::Values(
        Unplayable{"NotOgg", [](const std::string&) { return std::string(5000, 'x'); }},
        Unplayable{"HeadersOnly", [](const std::string& ogg) { return ogg.substr(0, soundStart(ogg)); }},
        // Whole headers, and zeros where the sound was: a loop over it
        // would never give a frame.
        Unplayable{"ZerosWhereTheSoundWas",
                   [](const std::string& ogg) {
                       const std::size_t from = soundStart(ogg);
                       return ogg.substr(0, from) + std::string(ogg.size() - from, '\0');
                   }}),
    [](const ::testing::TestParamInfo<Unplayable>& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ on the page

class PageSounds : public Streams {
protected:
    void SetUp() override
    {
        Streams::SetUp();
        if (HasFatalFailure())
            return;
        copyCut(book, sizeof book, "books/t");
        BITMAP* bg = makeTestPicture(640, 480, 90, 140, 200);
        writeFile("books/t/pico/.keep", "");
        ASSERT_TRUE(writePng("books/t/pico/bg.png", bg));
        destroy_bitmap(bg);
        writeFile("books/t/audio/.keep", "");
        // Longer than STREAM_AFTER_SECONDS: streamed. Shorter: a sample.
        ASSERT_TRUE(writeOgg("books/t/audio/long.ogg",
                             makeTone(330, STREAM_AFTER_SECONDS + 1, RATE), RATE, 1));
        ASSERT_TRUE(writeOgg("books/t/audio/short.ogg", makeTone(330, 0.5, RATE), RATE, 1));
        writeFile("books/t/pages.dat",
                  "default_bg:bg.png;\n"
                  "page_start:;\nsound_name:long.ogg;\nsound_loop:NO;\nbut1_text:on;\npage_end:;\n"
                  "page_start:;\nsound_name:short.ogg;\nbut1_text:on;\npage_end:;\n");
    }
};

DIALOG* const firstChoice = &dialogGamePage[3];
DIALOG* const menuButton = &dialogGamePage[6];

MouseStep onPage(int index, std::function<void()> check)
{
    return when([=] { return cur_page == index && !gamedataPages.empty(); }, std::move(check));
}

TEST_F(PageSounds, ALongSoundStreamsAndAChoiceStopsIt)
{
    std::size_t streamsOnFirst = 0, decodedOnFirst = 9, streamsOnSecond = 9, decodedOnSecond = 0;
    bool playingOnFirst = false, samplePlaysOnSecond = false;
    std::vector<MouseStep> script;
    script.push_back(onPage(0, [&] {
        streamsOnFirst = soundStreamCount();
        decodedOnFirst = decodedSoundCount();
        playingOnFirst = pageSoundPlaying();
    }));
    script.push_back(idle(10));
    append(script, clickOn(firstChoice));
    script.push_back(onPage(1, [&] {
        streamsOnSecond = soundStreamCount();
        decodedOnSecond = decodedSoundCount();
        samplePlaysOnSecond = onlyVoiceSample() == gamedataPages[1]->getSound();
    }));
    append(script, clickOn(menuButton));
    playMouse(script);
    EXPECT_EQ(gamePage(), 0);
    EXPECT_EQ(streamsOnFirst, 1u);
    EXPECT_EQ(decodedOnFirst, 0u) << "the long sound was decoded whole";
    EXPECT_TRUE(playingOnFirst);
    EXPECT_EQ(streamsOnSecond, 0u) << "the choice did not stop the stream";
    EXPECT_EQ(decodedOnSecond, 1u) << "the short sound is not a sample";
    EXPECT_TRUE(samplePlaysOnSecond);
}

TEST_F(PageSounds, MenuStopsTheStreamAtOnce)
{
    std::vector<MouseStep> script{idle(10)};
    append(script, clickOn(menuButton));
    playMouse(script);
    EXPECT_EQ(gamePage(), 0);
    EXPECT_EQ(soundStreamCount(), 0u);
    EXPECT_FALSE(anyVoicePlaying());
}

// The about box runs a loop of its own, which does not feed the stream:
// the stream waits meanwhile instead of playing its buffer over and over.
TEST_F(PageSounds, TheStreamWaitsWhileTheAboutBoxIsOpen)
{
    int voice = -1, atOpening = -1, later = -1, afterwards = -1;
    std::vector<MouseStep> script{idle(10), then([] { pressKey(KEY_I, 'i'); })};
    script.push_back(when([] { return alertShowing(ABOUT_VERSION_LINE); }, [&] {
        voice = onlyVoice();
        atOpening = voice >= 0 ? voice_get_position(voice) : -1;
    }));
    script.push_back(then([] { rest(300); }));
    script.push_back(then([&] {
        later = voice >= 0 ? voice_get_position(voice) : -1;
        pressKey(KEY_C, 'c');
    }));
    script.push_back(when([] { return active_dialog == dialogGamePage; }, nullptr));
    script.push_back(idle(10));
    script.push_back(then([] { rest(300); }));
    script.push_back(then([&] { afterwards = voice >= 0 ? voice_get_position(voice) : -1; }));
    script.push_back(then([] { pressKey(KEY_ESC, 27); }));
    playMouse(script);
    EXPECT_EQ(gamePage(), 0);
    ASSERT_GE(voice, 0) << "no stream played";
    EXPECT_EQ(later, atOpening) << "the stream played on under the about box";
    EXPECT_NE(afterwards, later) << "the stream did not play on after it";
}

} // namespace
