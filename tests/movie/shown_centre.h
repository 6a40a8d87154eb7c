// The centre pixel of the frames a movie hands its frame callback, for the tests of movies
// in other formats, whose frames are one flat colour each (MakeFfmpegFile): a callback that
// fetches each frame and keeps its centre, and the check that it is frame k's colour.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "engine/movie/movie.h"
#include "engine/movie/movie_record.h"
#include "tests/movie/movie_fixtures.h"

namespace movie_test {

struct ShownCentre {
    int frames = 0;  // frames fetched
    int red = -1, green = -1, blue = -1;
};

// What TakeFrameCentre has seen; a test sets it back as it needs.
inline ShownCentre& Shown() {
    static ShownCentre shown;
    return shown;
}

// A frame callback (SetMovieFrameCallback): fetches the frame, counts it and keeps its
// centre pixel.
inline int TakeFrameCentre(MovieRecord* record, std::intptr_t) {
    MovieFrame frame;
    if (FetchMovieFrame(record, &frame) != 1) return 0;
    ++Shown().frames;
    const std::uint8_t* centre = frame.pixels + (frame.height / 2) * frame.pitch + (frame.width / 2) * 4;
    Shown().blue = centre[0];
    Shown().green = centre[1];
    Shown().red = centre[2];
    return 0;
}

// The picture shown is frame k's (within what lossy coding moves the colour).
inline void ExpectShows(int k) {
    int r, g, b;
    FfmpegFrameColour(k, &r, &g, &b);
    EXPECT_NEAR(Shown().red, r, 8) << "frame " << k;
    EXPECT_NEAR(Shown().green, g, 8) << "frame " << k;
    EXPECT_NEAR(Shown().blue, b, 8) << "frame " << k;
}

}  // namespace movie_test
