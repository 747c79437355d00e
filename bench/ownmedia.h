// The second half of quorvel-bench-book: books in which every page has its
// own pictures and its own long sound, opened and read by the real page
// screen in a window, each measurement in a child process of its own.
#ifndef QUORVEL_BENCH_OWNMEDIA_H
#define QUORVEL_BENCH_OWNMEDIA_H

#include <string>

// Writes the books, runs the measurements in children (`self` is this
// program's path) and prints the table. Needs an X display. Returns the
// program's exit status.
int runOwnMediaSeries(const std::string& self);

// The child's side: `argv` after "--child". Prints its figures as
// "name value" lines on standard output. Returns the exit status.
int runOwnMediaChild(int argc, char** argv);

#endif
