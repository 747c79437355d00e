// The second half of quorvel-bench-book: books in which every page has its
// own pictures and its own long sound, opened and read by the real page
// screen in a window, each measurement in a child process of its own.
#ifndef QUORVEL_BENCH_OWNMEDIA_H
#define QUORVEL_BENCH_OWNMEDIA_H

#include <filesystem>
#include <string>

// The files of `pages` pages under `media` (its pico/ and audio/): page n
// has its own 640 x 480 background bg<n>.png, 500 x 300 illustration
// ill<n>.png and 20 s stereo 44.1 kHz Ogg Vorbis sound s<n>.ogg. False when
// one cannot be written.
bool writeOwnMedia(const std::filesystem::path& media, int pages);

// A book of `pages` pages over the media folder (its pico/ and audio/ are
// links to the media's): each page has its own background (a default_bg
// line before each page_start), illustration and sound, and its first
// choice leads on.
void writeOwnMediaBook(const std::filesystem::path& bookDir, const std::filesystem::path& media,
                       int pages);

// Writes the books, runs the measurements in children (`self` is this
// program's path) and prints the table. Needs an X display. Returns the
// program's exit status.
int runOwnMediaSeries(const std::string& self);

// The child's side: `argv` after "--child". Prints its figures as
// "name value" lines on standard output. Returns the exit status.
int runOwnMediaChild(int argc, char** argv);

#endif
