// Decoding of sound files: Ogg Vorbis, found by its contents, or WAV, by its
// extension, with a look at the WAV file's chunks first. The library's WAV
// reader trusts the lengths they state: a length running past the end of
// the file has it reserve any amount of memory (a negative one, read as a
// huge size), and a second data chunk leaks the first one's sample.
#ifndef QUORVEL_SOUND_H
#define QUORVEL_SOUND_H

#include <allegro.h>

// Decodes the sound at `path` (see oggvorbis.h for Ogg Vorbis). A WAV file
// is decoded only when its RIFF header is whole, every chunk it states ends
// within the file, its format chunk (if any) holds all of its fields and a
// rate from 1 to INT_MAX, and it has exactly one data chunk. Returns null
// when the file is of neither kind, fails those checks or fails to decode.
// The caller owns the sample.
SAMPLE* decodeSound(const char* path);

#endif
