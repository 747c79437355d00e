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
#ifndef QUORVEL_MEDIA_H
#define QUORVEL_MEDIA_H

#include "media/picture.h"
#include "media/sound.h"

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
// on its first acquire. Returns null, holding nothing, when the check
// refuses it (and tells the loaders' `refused` first: the player's ends the
// program).
MediaFile* acquirePicture(const char* path);
MediaFile* acquireSound(const char* path);
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
// counts as a use. Null when decoding fails (after telling the loaders'
// `refused`: the player's ends the program). The store owns the result.
BITMAP* decodedPicture(MediaFile* file);
SAMPLE* decodedSample(MediaFile* file);
// True while the file is held decoded.
bool isDecoded(const MediaFile* file);
// Tells the loaders' `refused` of a file a page needed and could not have
// in another way (a sound whose stream broke off), and why.
void refuseMedia(MediaFile* file, const std::string& problem);

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

// How files are looked at and decoded, and who is told of a file that fails
// its look, or fails to decode when a page needs it. A file is acquired
// when its look gives a header that is ok; a decoder is given that header
// and returns null for a file it cannot decode.
// A decoder that returns null says why in `problem`, as a phrase that
// follows the file's name ("cannot be decoded: its data is damaged (...)").
struct MediaLoaders {
    PictureHeader (*inspectPicture)(const char* path);
    BITMAP* (*decodePicture)(const char* path, const PictureHeader& header, std::string* problem);
    SoundHeader (*inspectSound)(const char* path);
    SAMPLE* (*decodeSound)(const char* path, const SoundHeader& header, std::string* problem);
    void (*refused)(const char* path, const std::string& problem); // may be null
};
void setMediaLoaders(const MediaLoaders& loaders);
// The player's: inspectPicture and inspectSound, the decoders after them,
// and cannotLoadBecause, which ends the program naming the file.
MediaLoaders playerMediaLoaders();
// The same, but telling nobody of a refused file: a tool, or a book read
// again on request, goes on without it.
MediaLoaders quietMediaLoaders();

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
