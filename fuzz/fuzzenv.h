// What every fuzz target needs once: the library started without a display
// in the UTF-8 text format, and a scratch working directory.
#ifndef QUORVEL_FUZZENV_H
#define QUORVEL_FUZZENV_H

#include <cstddef>
#include <cstdint>

// Starts the library and enters a fresh scratch directory, on the first
// call only; ends the process when either cannot be done. The working
// directory changes: the fuzzer must be given absolute paths.
void startFuzzing();

// Writes `size` bytes to `path` (its folder must exist); ends the process
// when the file cannot be written, as no input can be tried then.
void writeInput(const char* path, const uint8_t* data, std::size_t size);

// Ends the process with a message when `condition` does not hold: the
// fuzzer then keeps the input that broke it.
void require(bool condition, const char* what);

#endif
