// Long sounds played while they are decoded: a sound file is read a little
// ahead of its playing (sound.h: openSoundFrames) into one of the library's
// audio streams, which the caller feeds from its loop. Only a fraction of a
// second of the sound is ever held decoded.
#ifndef QUORVEL_SOUNDSTREAM_H
#define QUORVEL_SOUNDSTREAM_H

#include "sound.h"

#include <cstddef>

struct SoundStream;

// How much sound a stream holds ahead of its playing, in seconds: the
// longest the caller may go without feeding it before it runs dry.
const double STREAM_AHEAD_SECONDS = 0.5;

enum class StreamStart {
    Playing,      // the stream plays; feed it until it has ended
    NoVoice,      // the library has no voice to play it on (the file is not read)
    CannotDecode, // the file does not open as what its look found, or gives no sound at its start
};

// Opens the sound file at `path`, whose look gave `header` (ok), and starts
// playing it at `volume` and `pan` (the library's 0 to 255), once or looping
// without a gap. Sets `stream` (owned by the caller until stopSoundStream)
// only when the result is Playing.
StreamStart startSoundStream(const char* path, const SoundHeader& header, bool loop, int volume,
                             int pan, SoundStream*& stream);

enum class StreamState {
    Playing,
    Ended,  // a sound that plays once has played to its end
    Failed, // its data could not be decoded further (a lost page, damaged data)
};

// Decodes into whatever part of the stream's buffer has been played since
// the last feed, and says how the stream stands. An ended or failed stream
// must still be stopped.
StreamState feedSoundStream(SoundStream* stream);

// Holds the stream's voice where it is, or lets it play on from there: a
// stream that is not fed while, say, an alert runs its own loop would play
// its buffer over and over. Null is ignored.
void pauseSoundStream(SoundStream* stream, bool paused);

// Stops the stream at once and frees it. Null is ignored.
void stopSoundStream(SoundStream* stream);

// Streams playing now (started and not stopped).
std::size_t soundStreamCount();

#endif
