#include "media/pagesound.h"

#include "media/soundstream.h"

#include <allegro.h>

namespace {

// At most one of the two is set; `streamed` is the file a stream plays.
SAMPLE* sample = nullptr;
SoundStream* stream = nullptr;
MediaFile* streamed = nullptr;

const int VOLUME = 255;
// One step right of the centre (128), where every page's sound plays.
const int PAN = 129;

} // namespace

void playPageSound(MediaFile* sound, bool loop)
{
    stopPageSound();
    if (!sound)
        return;
    if (isLongSound(sound)) {
        switch (startSoundStream(mediaPath(sound), soundHeader(sound), loop, VOLUME, PAN, stream)) {
        case StreamStart::Playing:
            streamed = sound;
            return;
        case StreamStart::NoVoice: // silent, as a sample is without a voice
            return;
        case StreamStart::CannotDecode:
            break; // decoded whole below, which ends the program naming the file
        }
    }
    sample = decodedSample(sound);
    if (sample)
        play_sample(sample, VOLUME, PAN, 1000, loop);
}

void feedPageSound()
{
    if (!stream)
        return;
    const StreamState state = feedSoundStream(stream);
    if (state == StreamState::Playing)
        return;
    MediaFile* file = streamed;
    stopPageSound();
    if (state == StreamState::Failed)
        refuseMedia(file, "cannot be decoded: its data is damaged where the sound had got to");
}

void pausePageSound()
{
    pauseSoundStream(stream, true);
}

void resumePageSound()
{
    pauseSoundStream(stream, false);
    feedPageSound();
}

void stopPageSound()
{
    if (sample)
        stop_sample(sample);
    sample = nullptr;
    stopSoundStream(stream);
    stream = nullptr;
    streamed = nullptr;
}

bool pageSoundPlaying()
{
    if (stream)
        return true;
    if (!sample)
        return false;
    for (int voice = 0; voice < 256; ++voice)
        if (voice_check(voice) == sample)
            return true;
    return false;
}
