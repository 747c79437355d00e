// Sound files in two steps: a cheap look, which opens the file safely and
// reads what its header states (format, channels, rate, length) to apply
// the limits without decoding the sound, and the decoding after it. A
// caller may look at every sound at once and decode each later; a sound
// that passed the look can still fail to decode, and says why.
//
// Ogg Vorbis, found by its contents, goes through oggvorbis.h; Ogg Opus
// (one stream of one or two channels) goes to libsndfile, and an Ogg file
// of another codec is refused. Every other file goes to libsndfile, which
// reads WAV in all its common forms (PCM of 8 to 32 bits, floating point,
// WAVE_FORMAT_EXTENSIBLE, A-law, µ-law, IMA and MS ADPCM), FLAC, AIFF, MP3
// and more, by their contents. A file that states no length (a FLAC
// written to a pipe) is decoded through once by the look, to count it.
// A plain 8- or 16-bit PCM WAV file whose chunks the library's own reader
// walks safely is decoded by that reader.
// That reader trusts the lengths the chunks state (a length past the end of
// the file has it reserve any amount of memory, a second data chunk leaks the
// first one's sample, a pad byte after an odd-length chunk throws it off), so
// every other WAV file goes to libsndfile instead.
#ifndef QUORVEL_SOUND_H
#define QUORVEL_SOUND_H

#include "media/soundframes.h"
#include "text/problem.h"

#include <allegro.h>

#include <memory>
#include <optional>
#include <string>

// The most one decoded sound may take, in bytes of 16-bit samples: about
// twelve minutes of stereo at 44100 Hz. Longer sounds are refused rather
// than held whole in memory.
const long long MAX_SOUND_BYTES = 128LL << 20;

// The rates the library's mixer is given, in Hz.
const int MIN_SOUND_RATE = 1000;
const int MAX_SOUND_RATE = 384000;

// Who decodes a sound that passed its look.
// OggChain: an Ogg Vorbis chain of streams, which libvorbisfile reads
// forward only (see oggvorbis.h).
enum class SoundDecoder { Logg, OggChain, LibraryWav, Sndfile };

// What a look at a sound file found.
struct SoundHeader {
    // Empty when it may be decoded; else what is wrong: "not found", "has 6
    // channels: ..." ...
    std::optional<Problem> problem;
    std::string format;     // "Ogg Vorbis", "WAV (Microsoft), Signed 24 bit PCM" ...
    int channels = 0;
    int rate = 0;           // frames a second
    long long frames = 0;   // the stated length
    long long dataEnd = 0;  // bytes of the file that hold the sound; the rest is not read
    SoundDecoder decoder = SoundDecoder::Sndfile;
    // Set by a quick look (SoundLook::Quick) that read only the head of the
    // file: channels and rate are known and checked, the length, the end of
    // the data and the limit on its size not yet. Such a header is looked at
    // whole (inspectSound) before anything needs its length; the decoders
    // below do so themselves when given one.
    bool lengthToCome = false;
};

// How far a look goes. Whole: everything the player checks before it plays
// a sound. Quick: the same, except for an Ogg Vorbis sound kept compressed
// in a zip archive, whose length lies in its last page, which only
// inflating the whole entry reaches: its look reads only its head and
// leaves its length to come. A book opened from a zip archive so looks at
// its sounds as fast as from a folder, and inflates each when a page needs
// it.
enum class SoundLook { Whole, Quick };

// Opens `path` as a regular file without blocking, reads what its header
// states and checks it: one or two channels, a rate from MIN_SOUND_RATE to
// MAX_SOUND_RATE, a decoded size of at most MAX_SOUND_BYTES, and some sound.
// For an Ogg file it also finds where its last page ends, reading the bytes
// after that page once; it decodes no sound, except a chain of Ogg
// streams, which states no length and is decoded through once to count it
// (see oggvorbis.h).
SoundHeader inspectSound(const char* path, SoundLook look = SoundLook::Whole);

// Decodes the sound at `path`, whose look gave `header` (looked at whole
// first when its length is to come). The problem is the
// look's when it refused the file, or says why the sound cannot be decoded.
// The caller owns the sample.
Result<SAMPLE*> decodeInspectedSound(const char* path, const SoundHeader& header);

// The sound at `path`, whose look gave `header` (no problem), read from its start a
// little at a time (see soundframes.h): Ogg Vorbis through oggvorbis.h,
// every other file through libsndfile. Null when it cannot be opened, or no
// longer holds what the look found.
std::unique_ptr<SoundFrames> openSoundFrames(const char* path, const SoundHeader& header);

// inspectSound, then decodeInspectedSound.
Result<SAMPLE*> decodeSound(const char* path);

#endif
