// The check of a picture shown from the alpha movie, for the tests (the fixtures
// themselves are shared with the benchmarks, which have no test framework).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

#include "tests/movie/movie_fixtures.h"

// Expects every pixel of the `width` x `height` picture read through `shown` (0xAARRGGBB at
// x, y) to be what the alpha movie shows in reference frame k; the first five wrong ones are
// reported with their place.
inline void ExpectAlphaMovieFrame(const ReferenceFrames& reference, int k, int width, int height,
                           const std::function<std::uint32_t(int x, int y)>& shown) {
    int wrong = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t want = AlphaMovieArgb(reference, k, x, y);
            const std::uint32_t got = shown(x, y);
            if (got != want && wrong++ < 5) {
                ADD_FAILURE() << "at " << x << "," << y << ": " << std::hex << got << " instead of " << want;
            }
        }
    }
    EXPECT_EQ(wrong, 0);
}
