// Shared pieces of the end-to-end draw tests: a 640 x 480 reference of what the screen
// should show, test pictures with varied colours (optionally black key pixels or
// transparent holes) written as PNG files, and a shown frame compared with the reference.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "engine/include/vomur.h"
#include "platform/testing/display_testing.h"
#include "tests/graphics/image_fixtures.h"

namespace screen_reference {

constexpr std::uint32_t kBackground = 0x000000;  // the window's background colour

// The screen as 0x00RRGGBB, 640 x 480.
struct Canvas {
    std::vector<std::uint32_t> pixels = std::vector<std::uint32_t>(640 * 480, kBackground);
    std::uint32_t& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * 640 + x]; }
    void Put(int x, int y, std::uint32_t c) {
        if (x >= 0 && y >= 0 && x < 640 && y < 480) at(x, y) = c;
    }
    void Fill(int x1, int y1, int x2, int y2, std::uint32_t c) {
        for (int y = y1; y < y2; ++y) {
            for (int x = x1; x < x2; ++x) Put(x, y, c);
        }
    }
    // The one-pixel outline of the box (x1, y1)-(x2, y2), both corners inside.
    void Outline(int x1, int y1, int x2, int y2, std::uint32_t c) {
        for (int x = x1; x <= x2; ++x) {
            Put(x, y1, c);
            Put(x, y2, c);
        }
        for (int y = y1; y <= y2; ++y) {
            Put(x1, y, c);
            Put(x2, y, c);
        }
    }
};

// Pixels of a test picture as 0xAARRGGBB.
struct Picture {
    int width;
    int height;
    std::vector<std::uint32_t> argb;
    std::uint32_t Colour(int x, int y) const { return argb[static_cast<std::size_t>(y) * width + x] & 0xFFFFFF; }
    bool Opaque(int x, int y) const { return (argb[static_cast<std::size_t>(y) * width + x] >> 24) != 0; }
};

// Varied colours; with `black_keys` every third pixel is black (the default key colour),
// with `holes` some pixels have alpha 0.
inline Picture MakeTestPicture(int width, int height, bool black_keys, bool holes = false) {
    Picture p{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint32_t rgb = static_cast<std::uint32_t>((x * 37 + 11) & 0xFF) << 16 |
                                static_cast<std::uint32_t>((y * 53 + 7) & 0xFF) << 8 |
                                static_cast<std::uint32_t>((x * y + 90) & 0xFF);
            if (black_keys && (x + y * width) % 3 == 0) rgb = 0;
            const bool hole = holes && ((x + 2 * y) % 5 == 0);
            p.argb.push_back((hole ? 0u : 0xFF000000u) | rgb);
        }
    }
    return p;
}

inline void WritePng(const std::string& name, const Picture& p, bool with_alpha) {
    PngSpec spec;
    spec.width = p.width;
    spec.height = p.height;
    spec.color_type = with_alpha ? 6 : 2;
    for (int y = 0; y < p.height; ++y) {
        Bytes row;
        for (int x = 0; x < p.width; ++x) {
            const std::uint32_t c = p.argb[static_cast<std::size_t>(y) * p.width + x];
            row.push_back(static_cast<unsigned char>(c >> 16));
            row.push_back(static_cast<unsigned char>(c >> 8));
            row.push_back(static_cast<unsigned char>(c));
            if (with_alpha) row.push_back(static_cast<unsigned char>(c >> 24));
        }
        spec.rows.push_back(row);
    }
    const Bytes bytes = MakePng(spec);
    std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

// Compares a shown frame with the reference, reporting the first misses.
inline void ExpectFrame(const platform_hooks::PresentedFrame& frame, Canvas& want) {
    ASSERT_EQ(frame.width, 640);
    ASSERT_EQ(frame.height, 480);
    int misses = 0;
    for (int y = 0; y < 480 && misses < 5; ++y) {
        for (int x = 0; x < 640 && misses < 5; ++x) {
            const std::uint32_t got = frame.pixels[static_cast<std::size_t>(y) * 640 + x] & 0xFFFFFF;
            if (got != want.at(x, y)) {
                ADD_FAILURE() << "pixel " << x << "," << y << " want " << std::hex << want.at(x, y) << " got " << got;
                ++misses;
            }
        }
    }
}

// Flips and compares the one frame shown with the reference.
inline void ExpectShown(PresentCapture& capture, Canvas& want) {
    capture.Take();
    ASSERT_EQ(ApiFlipScreen(), 0);
    const auto frames = capture.Take();
    ASSERT_EQ(frames.size(), 1u);
    ExpectFrame(frames[0], want);
}

}  // namespace screen_reference
