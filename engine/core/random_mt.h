// The engine's random numbers: MT19937 with the 69069-based seeding of its first
// publication. Unseeded, it seeds itself with 4357 on first use.
#pragma once

#include <cstdint>

void SeedRandom(std::uint32_t seed);
std::uint32_t NextRandom();
// Uniform in 0..n for n >= 0 (n = -1 gives 0).
std::int32_t GetRandomInt(std::int32_t n);
