// Movies of formats other than Theora loaded as graphs by the tests, and the checks of a
// drawn picture of one: every frame of those files is one flat colour (FfmpegFrameColour),
// so a drawn frame is known by its colour.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <ostream>
#include <vector>

#include "tests/movie/movie_fixtures.h"

struct FlatMovieFormat {
    const char* name;
    const char* container;
    const char* codec;
    const char* file;
    int width;
    int height;
    int fps;
};
inline void PrintTo(const FlatMovieFormat& format, std::ostream* out) { *out << format.name; }

// Motion JPEG in AVI, and MPEG-4 part 2 in MP4.
inline constexpr FlatMovieFormat kFlatMovieFormats[] = {
    {"MjpegAvi", "avi", "mjpeg", "movie.avi", 32, 24, 100},
    {"Mpeg4Mp4", "mp4", "mpeg4", "movie.mp4", 320, 240, 30},
};

// How far a shown channel may be from the colour the file was made from. The file holds
// the colour as 8-bit limited-range Y, Cb, Cr, each rounded, and the conversion back to
// RGB rounds again and stretches the range by 255/219 (255/224 for the colour
// differences), which puts a channel up to 2 off for these colours (both codecs keep a
// flat picture's levels: they show the same pixels). 3 is still far from every other
// frame's colour (each frame differs from the one before by 25 or more in some channel).
constexpr int kFlatMovieTolerance = 3;

// The file of `frames` flat frames, written to the format's file name; false (and the test
// skipped) when this build of the libraries lacks the encoder.
inline bool WriteFlatMovie(const FlatMovieFormat& format, int frames) {
    const std::vector<std::uint8_t> bytes =
        MakeFfmpegFile(format.container, format.codec, format.width, format.height, frames, format.fps);
    if (bytes.empty()) return false;
    WriteFileBytes(format.file, bytes);
    return true;
}

// Whether `got` (0x00RRGGBB) is right at (x, y) of a drawn frame k of the format's file:
// frame k's colour inside width x height, black on the one-pixel border around it.
inline bool FlatMoviePixelRight(const FlatMovieFormat& format, int k, int x, int y, std::uint32_t got) {
    got &= 0xFFFFFF;
    if (x < 0 || y < 0 || x >= format.width || y >= format.height) return got == 0;
    int red, green, blue;
    FfmpegFrameColour(k, &red, &green, &blue);
    return std::abs(static_cast<int>(got >> 16) - red) <= kFlatMovieTolerance &&
           std::abs(static_cast<int>(got >> 8 & 0xFF) - green) <= kFlatMovieTolerance &&
           std::abs(static_cast<int>(got & 0xFF) - blue) <= kFlatMovieTolerance;
}

// The pixels of the rectangle and its border read through `shown` (0x00RRGGBB at x, y of
// the drawn rectangle) that are not right for frame k.
inline int CountFlatMovieFrameMisses(const FlatMovieFormat& format, int k,
                                     const std::function<std::uint32_t(int x, int y)>& shown) {
    int wrong = 0;
    for (int y = -1; y <= format.height; ++y) {
        for (int x = -1; x <= format.width; ++x) wrong += FlatMoviePixelRight(format, k, x, y, shown(x, y)) ? 0 : 1;
    }
    return wrong;
}

// Expects every pixel of the rectangle and its border read through `shown` to be right for
// frame k; the first five wrong ones are reported with their place.
inline void ExpectFlatMovieFrame(const FlatMovieFormat& format, int k,
                                 const std::function<std::uint32_t(int x, int y)>& shown) {
    int red, green, blue;
    FfmpegFrameColour(k, &red, &green, &blue);
    int wrong = 0;
    for (int y = -1; y <= format.height; ++y) {
        for (int x = -1; x <= format.width; ++x) {
            const std::uint32_t got = shown(x, y) & 0xFFFFFF;
            if (!FlatMoviePixelRight(format, k, x, y, got) && wrong++ < 5) {
                const bool inside = x >= 0 && y >= 0 && x < format.width && y < format.height;
                ADD_FAILURE() << format.name << " frame " << k << " at " << x << "," << y << ": " << std::hex << got
                              << " instead of " << (inside ? static_cast<std::uint32_t>(red << 16 | green << 8 | blue) : 0u);
            }
        }
    }
    EXPECT_EQ(wrong, 0) << format.name << " frame " << k;
}
