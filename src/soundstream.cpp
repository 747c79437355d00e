// A stream is a reader of the sound file from its start (a loop opens it
// again at its end) and an audio stream of the library, two halves of
// STREAM_AHEAD_SECONDS each: the voice plays one half while the other is
// filled. The reader gives the library's own sample form, so a buffer is
// filled with no conversion. A loop never spins: a lap that gave no sound
// at all ends the stream. Data that cannot be decoded fails it at once.
#include "soundstream.h"

#include <allegro.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

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

// Reads up to `wanted` frames into `out`, starting the file again at its
// end when the stream loops. Returns the frames written: fewer than wanted
// only when the sound has ended or cannot be decoded further.
int decodeFrames(SoundStream* s, std::uint16_t* out, int wanted)
{
    const int channels = s->header.channels;
    int done = 0;
    while (done < wanted) {
        const int got = s->reader->read(out + done * channels, wanted - done);
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
                             int pan, SoundStream*& stream)
{
    if (!header.ok || header.channels < 1 || header.channels > 2 || header.rate <= 0)
        return StreamStart::CannotDecode;
    auto* s = new SoundStream;
    s->path = path;
    s->header = header;
    s->loop = loop;
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
