// Decoding of Ogg Vorbis files into the library's samples through logg,
// checked first against what logg mishandles: it writes past its buffer on
// a file of more than two channels, and takes a decoding error (a lost page
// of a damaged file) for a length to copy.
#ifndef QUORVEL_OGGVORBIS_H
#define QUORVEL_OGGVORBIS_H

#include <allegro.h>

// Decodes the whole file at `path` with logg_load, after a first pass with
// libvorbisfile over the same stream. Returns null, and leaves nothing
// allocated, when the file cannot be opened or is not Ogg Vorbis, has more
// than two channels, changes its channel count or rate from one link to the
// next, has a lost page or a decoding error anywhere, or holds no sound at
// all. The caller owns the sample.
SAMPLE* loadOggVorbis(const char* path);

#endif
