// The decoded pictures and sounds of the open book. Pages that name the same
// file share one bitmap or sample: each file is decoded once however many
// pages name it, and freed when the last page holding it lets it go.
#ifndef QUORVEL_MEDIA_H
#define QUORVEL_MEDIA_H

#include <allegro.h>

#include <cstddef>

// Returns the picture decoded from `path`, decoding it on the first request
// for that path. Every successful acquire must be matched by one release.
// Returns null when the loader gives nothing (the player's loader ends the
// program instead).
BITMAP* acquirePicture(const char* path);
// Gives back one hold on `picture`; the last one destroys it. Null is ignored.
void releasePicture(BITMAP* picture);

// The same for sounds.
SAMPLE* acquireSound(const char* path);
void releaseSound(SAMPLE* sound);

// How files are decoded. The player uses loadPico and loadAudio, which end
// the program on a bad file; a tool may install loaders that return null.
struct MediaLoaders {
    BITMAP* (*picture)(const char* path);
    SAMPLE* (*sound)(const char* path);
};
void setMediaLoaders(const MediaLoaders& loaders);

// Makes later requests decode their files anew, as they are now on disk,
// instead of sharing what is held: a book read again shows its edited
// pictures. What is held stays valid until its holders let it go.
void decodeMediaAnew();

// Number of distinct pictures and sounds held now.
std::size_t heldPictureCount();
std::size_t heldSoundCount();

#endif
