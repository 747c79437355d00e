// Opening and leaving a book again and again, with resident memory watched:
// what a round takes it must give back. In the sanitized build
// LeakSanitizer checks every byte at exit; in both builds resident memory
// must stay flat from round WARM_ROUNDS (when every allocator has warmed
// up) to the last. A program that links this also gets AddressSanitizer's
// quarantine kept small (see leakrounds.cpp).
#ifndef QUORVEL_LEAKROUNDS_H
#define QUORVEL_LEAKROUNDS_H

#include <functional>

// Rounds of each test, and the round after which resident memory is taken
// as the baseline.
const int ROUNDS = 15;
const int WARM_ROUNDS = 5;

// Bytes resident memory may grow by from round WARM_ROUNDS to the last. Each
// round decodes the demo's pictures and sounds anew (hundreds of kilobytes
// each), so keeping even one of them per round would pass this by far,
// while the allocator's own ups and downs, with the sound and X threads
// allocating beside the test, stay well below it. LeakSanitizer, in the
// sanitized run, counts exact bytes.
const long MAX_GROWTH = 4 << 20;

// Resident memory of this process in bytes, from /proc/self/statm; -1 when
// it cannot be read.
long residentBytes();

// Enters the demo's working directory and reads its settings, as the player
// does (a fatal test failure when its book is not books/demo).
void enterDemo();

// Runs `round` with each round's number, from 1 to ROUNDS, stopping after a
// round with a fatal failure; then expects resident memory to have grown by
// less than MAX_GROWTH from round WARM_ROUNDS to the last, and prints both
// figures.
void expectFlatMemoryOverRounds(const std::function<void(int round)>& round);

#endif
