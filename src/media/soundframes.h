// A sound read from its start a little at a time, for playing it while it
// is decoded (see soundstream.h), as the library's own 16-bit samples:
// unsigned words in the machine's order, two channels interleaved.
#ifndef QUORVEL_SOUNDFRAMES_H
#define QUORVEL_SOUNDFRAMES_H

#include <cstdint>

class SoundFrames {
public:
    virtual ~SoundFrames() = default;

    // Reads up to `frames` frames into `out`. Returns how many were read:
    // fewer only at the end of the sound, or where it cannot be decoded
    // any further (then failed() tells so).
    virtual int read(std::uint16_t* out, int frames) = 0;

    // True once the data could not be decoded (a lost page, damaged data),
    // as opposed to the sound having ended.
    bool failed() const { return failed_; }

protected:
    bool failed_ = false;
};

#endif
