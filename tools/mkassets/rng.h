// A tiny seeded random number generator with results fixed by this code
// alone (not by the standard library's implementation), so that the media
// made from it are the same on every build.
#ifndef QUORVEL_RNG_H
#define QUORVEL_RNG_H

#include <cstdint>

struct Rng {
    uint64_t state;

    explicit Rng(uint64_t seed) : state(seed) {}

    // The next 32 random bits (splitmix64, upper half).
    uint32_t next()
    {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return static_cast<uint32_t>((z ^ (z >> 31)) >> 32);
    }

    // Uniform in [0, 1).
    double unit() { return next() / 4294967296.0; }

    // Uniform in [lo, hi).
    double range(double lo, double hi) { return lo + (hi - lo) * unit(); }
};

#endif
