// The pictures and sounds of the open book.
//
// Every file the book names is checked once, when the book is read (the
// pages that name the same file share one entry), and decoded only when a
// page needs it: the page on screen, or a page its choices lead to, decoded
// ahead in small slices while the reader looks at the page. Decoded files
// stay while their bytes fit the memory budget; past it, the least recently
// used go first, but never one that the page on screen holds.
//
// An entry lives while some page holds it (acquire ... release); its decoded
// picture or sample belongs to the store, and a pointer to it stays valid
// until the entry is evicted or released: callers keep one only while the
// entry is on screen (setOnScreen).
//
// The store never ends the program: a file that fails its look or its
// decoding comes back as a problem (text/problem.h), and the caller decides
// (the page screen ends the player, naming the file; the checker reports it).
#ifndef QUORVEL_MEDIA_H
#define QUORVEL_MEDIA_H

#include "media/picture.h"
#include "media/sound.h"
#include "text/problem.h"

#include <allegro.h>

#include <cstddef>
#include <initializer_list>

// One checked file of the book.
struct MediaFile;

// The budget the decoded pictures and samples are kept within, in bytes.
const std::size_t DEFAULT_MEDIA_BUDGET = 40u << 20;

// A sound longer than this many seconds is played as a stream, decoded a
// little ahead of its playing; a shorter one is decoded whole into a sample.
const double STREAM_AFTER_SECONDS = 5.0;

// One more holder of the picture (or sound) at `path`: the file is checked
// on its first acquire. When the check refuses it, the value is null, nothing
// is held, and the problem says why.
Result<MediaFile*> acquirePicture(const char* path);
Result<MediaFile*> acquireSound(const char* path);
// Gives back one hold; the last one frees the entry and what it decoded.
// Null is ignored.
void releaseMedia(MediaFile* file);

// The path an entry was acquired for.
const char* mediaPath(const MediaFile* file);
// What the look at its header found (see picture.h and sound.h).
const PictureHeader& pictureHeader(const MediaFile* file);
const SoundHeader& soundHeader(const MediaFile* file);
// True for a sound long enough to be played as a stream.
bool isLongSound(const MediaFile* file);

// The decoded picture or sample, decoding it now when it is not decoded;
// counts as a use. Null, with the problem, when decoding fails. The store
// owns the result.
Result<BITMAP*> decodedPicture(MediaFile* file);
Result<SAMPLE*> decodedSample(MediaFile* file);
// True while the file is held decoded.
bool isDecoded(const MediaFile* file);

// The files of the page on screen (null ones are skipped), in place of
// those set before: they are never evicted while they are on screen. A file
// released for the last time leaves the screen with it; setOnScreen({})
// empties it.
void setOnScreen(std::initializer_list<MediaFile*> files);

// Read-ahead. queueDecodeAhead adds a file to decode ahead (a sound only
// when it is short: long ones stream); decodeAheadSlice decodes the first
// queued file that is not decoded yet, and only when it fits the budget
// beside what is held on screen and queued before it: it returns false when
// there was nothing (more) to do. A file that fails to decode ahead is not
// tried again ahead, and nobody is told: that waits until a page needs it.
// clearDecodeAhead empties the queue, as when the page on screen changes.
void queueDecodeAhead(MediaFile* file);
bool decodeAheadSlice();
void clearDecodeAhead();

// The budget; lowering it evicts at once what no longer fits.
void setMediaBudget(std::size_t bytes);
std::size_t mediaBudget();

// How files are looked at and decoded. A file is acquired when its look
// gives a header without a problem; a decoder is given that header and
// gives a problem for a file it cannot decode.
struct MediaLoaders {
    PictureHeader (*inspectPicture)(const char* path);
    Result<BITMAP*> (*decodePicture)(const char* path, const PictureHeader& header);
    SoundHeader (*inspectSound)(const char* path);
    Result<SAMPLE*> (*decodeSound)(const char* path, const SoundHeader& header);
};
void setMediaLoaders(const MediaLoaders& loaders);
// The player's: inspectPicture and inspectSound's quick look (SoundLook),
// and the decoders after them. A sound whose quick look left its length to
// come is looked at whole on the first need of its length (isLongSound,
// soundHeader, decoding, decoding ahead), and a problem found then comes
// back as its decoding's.
MediaLoaders playerMediaLoaders();

// Makes later acquires check and decode their files anew, as they are now
// on disk, instead of sharing what is held: a book read again shows its
// edited pictures. What is held stays valid until its holders let it go.
void decodeMediaAnew();

// Distinct pictures and sounds held by pages now, decoded or not.
std::size_t heldPictureCount();
std::size_t heldSoundCount();
// Of them, those decoded now, and the bytes they take.
std::size_t decodedPictureCount();
std::size_t decodedSoundCount();
std::size_t decodedMediaBytes();
// Files held on screen now (each counted once), and files queued to decode ahead.
std::size_t onScreenCount();
std::size_t queuedAheadCount();

#endif
