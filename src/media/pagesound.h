// The sound of the page on screen, one at a time: a short sound plays as a
// sample from the media store, a long one as a stream (soundstream.h) that
// the page screen feeds on every pass of its loop.
#ifndef QUORVEL_PAGESOUND_H
#define QUORVEL_PAGESOUND_H

#include "media/media.h"
#include "text/problem.h"

#include <optional>

// Stops what plays, then starts `sound` (null: nothing) once or looping.
// A sound that cannot be decoded stays silent, and its problem comes back.
std::optional<Problem> playPageSound(MediaFile* sound, bool loop);

// Keeps a streamed sound fed; call it on every pass while the page shows.
// A stream that has played to its end is freed here; one whose data cannot
// be decoded further is stopped, and its problem comes back.
std::optional<Problem> feedPageSound();

// A streamed sound waits, and then plays on, while something that runs a
// loop of its own (the about box) is shown over the page. A sample plays
// on. Resuming feeds the stream at once, with feedPageSound's problem.
void pausePageSound();
std::optional<Problem> resumePageSound();

// Stops the page's sound at once. Nothing happens when none plays.
void stopPageSound();

// True while the page's sound plays: a stream not yet played out, or a
// sample on a voice.
bool pageSoundPlaying();

#endif
