#include "media/pagesound.h"

#include "media/soundstream.h"

#include <allegro.h>

#include <string>

namespace {

// At most one of the two is set; `streamed` is the file a stream plays.
SAMPLE* sample = nullptr;
SoundStream* stream = nullptr;
MediaFile* streamed = nullptr;

const int VOLUME = 255;
// One step right of the centre (128), where every page's sound plays.
const int PAN = 129;

} // namespace

std::optional<Problem> playPageSound(MediaFile* sound, bool loop)
{
    stopPageSound();
    if (!sound)
        return std::nullopt;
    if (isLongSound(sound)) {
        switch (startSoundStream(mediaPath(sound), soundHeader(sound), loop, VOLUME, PAN, stream)) {
        case StreamStart::Playing:
            streamed = sound;
            return std::nullopt;
        case StreamStart::NoVoice: // silent, as a sample is without a voice
            return std::nullopt;
        case StreamStart::CannotDecode:
            break; // decoded whole below, which says why it cannot be
        }
    }
    Result<SAMPLE*> decoded = decodedSample(sound);
    sample = decoded.value;
    if (sample)
        play_sample(sample, VOLUME, PAN, 1000, loop);
    return decoded.problem;
}

std::optional<Problem> feedPageSound()
{
    if (!stream)
        return std::nullopt;
    const StreamState state = feedSoundStream(stream);
    if (state == StreamState::Playing)
        return std::nullopt;
    const std::string path = mediaPath(streamed);
    stopPageSound();
    if (state == StreamState::Failed)
        return Problem{ProblemKind::Damaged, path,
                       "cannot be decoded: its data is damaged where the sound had got to"};
    return std::nullopt;
}

void pausePageSound()
{
    pauseSoundStream(stream, true);
}

std::optional<Problem> resumePageSound()
{
    pauseSoundStream(stream, false);
    return feedPageSound();
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
