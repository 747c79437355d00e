// Small real media files made in code: PNG pictures, PCM WAV and Ogg Vorbis
// sounds, and the generators that fill them. Used by quorvel-mkassets to make
// the demo's media and by the tests to make files for the loaders.
//
// Everything here works with the library started without a display
// (install_allegro(SYSTEM_NONE, ...)): only memory bitmaps are used.
// Sound samples are signed 16-bit, interleaved when there are two channels.
#ifndef QUORVEL_ASSETS_H
#define QUORVEL_ASSETS_H

#include <allegro.h>

#include <cstdint>
#include <vector>

// Saves `bmp` as a PNG file through loadpng. False when `bmp` is null or the
// file cannot be written (for example, its folder does not exist).
bool writePng(const char* path, BITMAP* bmp);

// Saves samples as a 16-bit PCM WAV file. `channels` is 1 or 2, `rate` is
// positive and the sample count is a whole number of frames; otherwise, or
// when the file cannot be written, returns false and leaves no file behind.
bool writeWav(const char* path, const std::vector<int16_t>& samples, int rate, int channels);

// Saves samples as an Ogg Vorbis file (variable bit rate, `quality` from
// -0.1 to 1.0). Same argument rules and failure behaviour as writeWav.
bool writeOgg(const char* path, const std::vector<int16_t>& samples, int rate, int channels,
              float quality = 0.2f);

// A w x h 24-bit memory bitmap filled with one colour. The caller destroys
// it with destroy_bitmap. Null when the size is not positive or memory runs out.
BITMAP* makeTestPicture(int w, int h, int r, int g, int b);

// A mono sine tone at half of full scale: round(seconds * rate) samples.
std::vector<int16_t> makeTone(double hz, double seconds, int rate);

// A struck bell: a few inharmonic overtones over `hz`, each dying away
// exponentially, the higher ones sooner. Mono, peaks near 70% of full scale,
// silent at its end.
std::vector<int16_t> makeBell(double hz, double seconds, int rate);

// Soft wind: band-passed noise whose pitch and loudness swell slowly. Mono.
// Made as one lap of a loop, so the last sample runs on into the first.
// The same seed always gives the same samples.
std::vector<int16_t> makeWind(double seconds, int rate, uint32_t seed);

// A babbling brook: a bed of bright rushing noise with many small bubbles
// popping on it. Mono, a seamless loop like makeWind, deterministic by seed.
std::vector<int16_t> makeBrook(double seconds, int rate, uint32_t seed);

#endif
