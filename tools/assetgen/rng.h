// A small seeded random generator for the art and the sounds, so that every run of the
// tool makes the same bytes. Relies on the standard library only.
#pragma once

#include <cstdint>

class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    // splitmix64: good spread, trivially reproducible.
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    double Unit() { return double(Next() >> 11) * (1.0 / 9007199254740992.0); }
    // Uniform in [-1, 1).
    double Signed() { return Unit() * 2.0 - 1.0; }
    // Uniform integer in [0, n).
    int Below(int n) { return int(Next() % uint64_t(n)); }

private:
    uint64_t state_;
};
