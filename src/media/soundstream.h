// Long sounds played while they are decoded: a sound file is read a little
// ahead of its playing (sound.h: openSoundFrames) into one of the library's
// audio streams, which the caller feeds from its loop. A sound that plays
// once holds only a fraction of a second decoded; a looping one may keep
// its first lap (see STREAM_KEPT_LAP_BYTES).
#ifndef QUORVEL_SOUNDSTREAM_H
#define QUORVEL_SOUNDSTREAM_H

#include "media/sound.h"

#include <cstddef>

struct SoundStream;

// How much sound a stream holds ahead of its playing, in seconds: the
// longest the caller may go without feeding it before it runs dry.
const double STREAM_AHEAD_SECONDS = 0.5;

// A looping sound whose lap takes at most this many bytes decoded (about
// 47 s of stereo at 44100 Hz) keeps it as it is decoded the first time
// round and plays on from it: decoding the same lap again and again cost
// an idle page more than all the rest of its passes. A longer one is
// decoded anew each lap.
const std::size_t STREAM_KEPT_LAP_BYTES = 8 << 20;

enum class StreamStart {
    Playing,      // the stream plays; feed it until it has ended
    NoVoice,      // the library has no voice to play it on (the file is not read)
    CannotDecode, // the file does not open as what its look found, or gives no sound at its start
};

// Opens the sound file at `path`, whose look gave `header` (no problem), and
// starts playing it at `volume` and `pan` (the library's 0 to 255), once or
// looping without a gap, keeping a lap of at most `keptLapBytes`. Sets `stream`
// (owned by the caller until stopSoundStream) only when the result is
// Playing.
StreamStart startSoundStream(const char* path, const SoundHeader& header, bool loop, int volume,
                             int pan, SoundStream*& stream,
                             std::size_t keptLapBytes = STREAM_KEPT_LAP_BYTES);

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
