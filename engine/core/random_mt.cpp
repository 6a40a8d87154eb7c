// MT19937: 624 words of state, regenerated all at once and tempered into 624 output
// words. GetRandomInt scales a 32-bit output by n + 1 in 64-bit arithmetic and keeps
// the high half.
#include "engine/core/random_mt.h"

#include "engine/core/system_report.h"

namespace {

constexpr int kStateWords = 624;
constexpr int kShift = 397;
constexpr std::uint32_t kMatrix = 0x9908B0DFu;
constexpr std::uint32_t kUpper = 0x80000000u;
constexpr std::uint32_t kLower = 0x7FFFFFFFu;

struct RandomState {
    std::uint32_t state[kStateWords];
    std::uint32_t output[kStateWords];
    std::int32_t index = kStateWords;
    std::int32_t seeded = 0;
    std::int32_t mmx = 0;  // kept for the record; both paths give the same words
};

RandomState g_random;

void Regenerate() {
    std::uint32_t* mt = g_random.state;
    for (int i = 0; i < kStateWords; ++i) {
        const std::uint32_t y = (mt[i] & kUpper) | (mt[(i + 1) % kStateWords] & kLower);
        mt[i] = mt[(i + kShift) % kStateWords] ^ (y >> 1) ^ ((y & 1u) ? kMatrix : 0u);
    }
    for (int i = 0; i < kStateWords; ++i) {
        std::uint32_t y = mt[i];
        y ^= y >> 11;
        y ^= (y << 7) & 0x9D2C5680u;
        y ^= (y << 15) & 0xEFC60000u;
        y ^= y >> 18;
        g_random.output[i] = y;
    }
    g_random.index = 0;
}

}  // namespace

void SeedRandom(std::uint32_t seed) {
    std::uint32_t s = seed;
    for (int i = 0; i < kStateWords; ++i) {
        std::uint32_t word = s & 0xFFFF0000u;
        s = s * 69069u + 1u;
        word |= s >> 16;
        s = s * 69069u + 1u;
        g_random.state[i] = word;
    }
    g_random.mmx = CheckMmxSupport();
    g_random.seeded = 1;
    Regenerate();
}

std::uint32_t NextRandom() {
    if (g_random.index >= kStateWords) {
        if (!g_random.seeded) {
            SeedRandom(4357);
        } else {
            Regenerate();
        }
    }
    return g_random.output[g_random.index++];
}

std::int32_t GetRandomInt(std::int32_t n) {
    // n + 1 in 64 bits, so n = INT32_MAX still scales over the whole range.
    const std::int64_t range = static_cast<std::int64_t>(n) + 1;
    const std::int64_t product = static_cast<std::int64_t>(NextRandom()) * range;
    return static_cast<std::int32_t>(product >> 32);
}
