// Decoding of Ogg Vorbis files into the library's samples, checked against
// whatever a damaged or unusual file holds.
#ifndef QUORVEL_OGGVORBIS_H
#define QUORVEL_OGGVORBIS_H

#include <allegro.h>

// Decodes the whole file at `path` into a new 16-bit mono or stereo sample
// (unsigned, as the library's samples are). Returns null, and leaves nothing
// allocated, when the file cannot be opened or is not Ogg Vorbis, has more
// than two channels, changes its channel count or rate from one link to the
// next, breaks off with a decoding error, or holds no sound at all. A gap in
// the stream (a lost page) is skipped. The caller owns the sample.
SAMPLE* loadOggVorbis(const char* path);

#endif
