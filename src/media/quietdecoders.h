// The decoding libraries' own chatter kept off standard error: libpng's
// warnings printed by loadpng ("libpng warning: tEXt: CRC error") and
// libmpg123's notes and errors printed through libsndfile ("Note: Illegal
// Audio-MPEG-Header ..."). Standard error is where the reader and the
// author read this program's own lines (app/report): what is wrong with a
// file reaches them there as the file's problem, named, or not at all.
// Neither library lets its printing be turned off from here (loadpng makes
// its own libpng reader; libsndfile its own libmpg123 handle).
//
// While a DecoderOutputHidden lives, file descriptor 2 points to /dev/null;
// the one that goes last points it back. For the main thread, where every
// file is decoded; anything another thread prints meanwhile is lost too, so
// each one lives only around a library call. In a build with
// AddressSanitizer it hides nothing: a fault found inside a decoder must
// reach standard error with its report.
#ifndef QUORVEL_QUIETDECODERS_H
#define QUORVEL_QUIETDECODERS_H

class DecoderOutputHidden {
public:
    DecoderOutputHidden();
    ~DecoderOutputHidden();
    DecoderOutputHidden(const DecoderOutputHidden&) = delete;
    DecoderOutputHidden& operator=(const DecoderOutputHidden&) = delete;
};

#endif
