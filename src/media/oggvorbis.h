// Ogg Vorbis files: a cheap look (where the Ogg data ends, channels, rate
// and stated length) and the decoding after it, through logg where logg is
// safe and through libvorbisfile where it is not.
//
// logg_load writes past its buffer on a file of more than two channels and
// takes a decoding error (a lost page of a damaged file) for a length to
// copy, so the whole stream is first decoded once without keeping it.
// Bytes after the last Ogg page (padding, a tag, zeros) make libvorbisfile
// look for that page again and again from further back, in time that grows
// with the square of their number: the stream is therefore read only up to
// the end of its last page, found once by looking backward from the end of
// the file, and logg, which opens the file by its name and would see all of
// it, is used only when nothing follows that page, and only for a file on
// disk (an archive's entry has no name the library could open).
#ifndef QUORVEL_OGGVORBIS_H
#define QUORVEL_OGGVORBIS_H

#include "media/soundframes.h"
#include "text/problem.h"
#include "files/bookfile.h"

#include <allegro.h>

#include <memory>
#include <optional>

// The end of the last whole, sound (checksummed) Ogg page in `file`, found
// by looking backward from the end of the file; 0 when there is none. Reads
// the bytes after that page once, and the page itself.
long long oggDataEnd(const BookFile& file);

// What libvorbisfile states about the first `dataEnd` bytes of `file`,
// opened from `path`.
// A chain of streams (one stream after another: libvorbisfile, able to
// seek, would look for where each link ends) is read forward only, link
// after link, and its frames are counted by decoding it through, up to a
// little more than `mostBytes` of 16-bit samples: libvorbisfile loses
// memory when, looking for the links of a chain, it meets one whose
// headers it cannot read. A file of one stream is not read through.
struct OggVorbisHeader {
    bool vorbis = false;   // they are an Ogg Vorbis stream
    bool chained = false;  // a chain of streams, read forward only
    std::optional<Problem> problem; // when a chain could not be decoded through, why
    int channels = 0;
    long rate = 0;
    long long frames = 0;  // the stated length, from the last page; of a chain, counted
};
OggVorbisHeader inspectOggVorbis(const char* path, const BookFile& file, long long dataEnd,
                                 long long mostBytes);

// What the head of `file` states, read forward only as far as the
// stream's headers: whether it is Ogg Vorbis, its channels and rate; no
// length (frames 0), and nothing of the rest of the file is read.
OggVorbisHeader inspectOggVorbisHead(const BookFile& file);

// Decodes the Ogg Vorbis stream in the first `dataEnd` bytes of `file`
// (opened from `path`), whose header `header` was checked by the caller
// (one or two channels, a rate the library takes, a length it can hold).
// A problem when a page is lost, the data cannot be decoded, the channels or
// rate change from one link to the next, more sound comes out than stated,
// none at all, or memory runs short. A stream shorter than stated (a cut
// file) keeps what was decoded. The caller owns the sample.
Result<SAMPLE*> decodeOggVorbis(const char* path, const BookFile& file, long long dataEnd,
                                const OggVorbisHeader& header);

// The Ogg Vorbis stream in the first `dataEnd` bytes of the file at `path`,
// whose header `header` was checked by the caller, read from its start a
// little at a time. What decodeOggVorbis refuses fails the reading where it
// is met: a lost page, damaged data, a link of other channels or rate.
// Null when it does not open as Ogg Vorbis of those channels and rate.
std::unique_ptr<SoundFrames> openOggVorbisFrames(const char* path, long long dataEnd,
                                                 const OggVorbisHeader& header);

#endif
