// A stream is a reader of the sound file from its start (a loop opens it
// again at its end) and an audio stream of the library, two halves of
// STREAM_AHEAD_SECONDS each: the voice plays one half while the other is
// filled. The reader gives the library's own sample form, so a buffer is
// filled with no conversion. A loop never spins: a lap that gave no sound
// at all ends the stream. Data that cannot be decoded fails it at once.
//
// A looping stream copies its first lap as it decodes it, while the copy
// stays within its limit; once that lap is whole, the reader is closed and
// every later lap is copied from memory. A lap past the limit drops the
// copy and is decoded anew each time.
#include "media/soundstream.h"

#include <allegro.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct SoundStream {
    std::string path;
    SoundHeader header;
    std::unique_ptr<SoundFrames> reader;
    bool loop = false;
    AUDIOSTREAM* audio = nullptr;
    int frames = 0;             // frames of one buffer of the audio stream
    long long lapFrames = 0;    // frames read since the file was (re)opened
    bool sourceEnded = false;
    bool failed = false;
    int silentBuffers = 0;      // whole buffers of silence given since the end
    std::size_t keptLapBytes = 0;     // the most the lap's copy may take
    bool keeping = false;             // the first lap is being copied into `lap`
    std::vector<std::uint16_t> lap;   // that copy
    bool fromLap = false;             // the lap is whole: it plays from the copy
    std::size_t lapAt = 0;            // the frame of the copy that plays next
};

namespace {

// The unsigned 16-bit word of silence.
const std::uint16_t SILENCE = 0x8000;

std::size_t streamsPlaying = 0;

bool openReader(SoundStream* s)
{
    s->reader = openSoundFrames(s->path.c_str(), s->header);
    s->lapFrames = 0;
    return s->reader != nullptr;
}

// Adds `frames` frames just decoded at `from` to the copy of the first
// lap, or drops the copy when they would take it past its limit.
void keepFrames(SoundStream* s, const std::uint16_t* from, int frames)
{
    const std::size_t words = static_cast<std::size_t>(frames) * s->header.channels;
    if ((s->lap.size() + words) * sizeof(std::uint16_t) > s->keptLapBytes) {
        s->keeping = false;
        std::vector<std::uint16_t>().swap(s->lap);
        return;
    }
    s->lap.insert(s->lap.end(), from, from + words);
}

// Copies `wanted` frames of the kept lap into `out`, round and round.
void copyFromLap(SoundStream* s, std::uint16_t* out, int wanted)
{
    const std::size_t channels = s->header.channels;
    const std::size_t lapFrames = s->lap.size() / channels;
    for (std::size_t done = 0; done < static_cast<std::size_t>(wanted);) {
        const std::size_t count = std::min(wanted - done, lapFrames - s->lapAt);
        std::copy_n(s->lap.begin() + static_cast<std::ptrdiff_t>(s->lapAt * channels),
                    count * channels, out + done * channels);
        done += count;
        s->lapAt = (s->lapAt + count) % lapFrames;
    }
}

// Reads up to `wanted` frames into `out`, starting the file again at its
// end when the stream loops (or going on from the kept lap). Returns the
// frames written: fewer than wanted only when the sound has ended or cannot
// be decoded further.
int decodeFrames(SoundStream* s, std::uint16_t* out, int wanted)
{
    const int channels = s->header.channels;
    int done = 0;
    while (done < wanted) {
        if (s->fromLap) {
            copyFromLap(s, out + done * channels, wanted - done);
            return wanted;
        }
        const int got = s->reader->read(out + done * channels, wanted - done);
        if (s->keeping)
            keepFrames(s, out + done * channels, got);
        done += got;
        s->lapFrames += got;
        if (done == wanted)
            break;
        if (s->reader->failed()) {
            s->failed = true;
            break;
        }
        // The end of the sound: again from its start, unless it plays once
        // or gave nothing this lap.
        if (!s->loop || s->lapFrames == 0)
            break;
        if (s->keeping) {
            s->fromLap = true;
            s->keeping = false;
            s->reader.reset(); // the file is read no more
            continue;
        }
        if (!openReader(s)) {
            s->failed = true;
            break;
        }
    }
    return done;
}

void fillBuffer(SoundStream* s, void* buffer)
{
    auto* out = static_cast<std::uint16_t*>(buffer);
    const int got = s->sourceEnded ? 0 : decodeFrames(s, out, s->frames);
    if (got < s->frames) {
        s->sourceEnded = true;
        std::fill(out + got * s->header.channels, out + s->frames * s->header.channels, SILENCE);
    }
    if (got == 0)
        ++s->silentBuffers;
}

void freeStream(SoundStream* s)
{
    if (s->audio) {
        stop_audio_stream(s->audio);
        --streamsPlaying;
    }
    delete s;
}

} // namespace

StreamStart startSoundStream(const char* path, const SoundHeader& header, bool loop, int volume,
                             int pan, SoundStream*& stream, std::size_t keptLapBytes)
{
    if (header.problem || header.channels < 1 || header.channels > 2 || header.rate <= 0)
        return StreamStart::CannotDecode;
    auto* s = new SoundStream;
    s->path = path;
    s->header = header;
    s->loop = loop;
    s->keptLapBytes = keptLapBytes;
    s->keeping = loop;
    s->frames = std::max(1024, static_cast<int>(header.rate * STREAM_AHEAD_SECONDS));

    s->audio = play_audio_stream(s->frames, 16, header.channels == 2, header.rate, volume, pan);
    if (!s->audio) {
        freeStream(s);
        return StreamStart::NoVoice;
    }
    ++streamsPlaying;
    // The library hands out the half the voice is about to play first: a
    // file that gives no sound there cannot be played.
    if (!openReader(s)) {
        freeStream(s);
        return StreamStart::CannotDecode;
    }
    if (void* buffer = get_audio_stream_buffer(s->audio)) {
        fillBuffer(s, buffer);
        free_audio_stream_buffer(s->audio);
    }
    if (s->silentBuffers > 0 || s->failed) {
        freeStream(s);
        return StreamStart::CannotDecode;
    }
    feedSoundStream(s);
    stream = s;
    return StreamStart::Playing;
}

StreamState feedSoundStream(SoundStream* s)
{
    while (!s->failed) {
        void* buffer = get_audio_stream_buffer(s->audio);
        if (!buffer)
            break;
        fillBuffer(s, buffer);
        free_audio_stream_buffer(s->audio);
    }
    if (s->failed)
        return StreamState::Failed;
    // Once both halves have been given silence, the last of the sound has
    // been played.
    return s->silentBuffers < 2 * s->audio->bufcount ? StreamState::Playing : StreamState::Ended;
}

void pauseSoundStream(SoundStream* s, bool paused)
{
    if (!s)
        return;
    if (paused)
        voice_stop(s->audio->voice);
    else
        voice_start(s->audio->voice);
}

void stopSoundStream(SoundStream* s)
{
    if (s)
        freeStream(s);
}

std::size_t soundStreamCount()
{
    return streamsPlaying;
}
