// Small helpers for the software renderer's tests: MEMIMG images that release
// themselves, pixel access, random filling and the draw state used by a draw.
#pragma once

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "engine/graphics/draw/draw_settings.h"
#include "engine/pixels/blend_tables.h"
#include "engine/pixels/memimg.h"
#include "engine/softrender/soft_draw_state.h"

struct TestImage {
    MEMIMG image{};
    TestImage(int width, int height, int kind, int palette = 0, int alpha = 0, int planes = 0,
              std::uint32_t key = 0) {
        std::memset(&image, 0, sizeof image);
        CreateMemImg(&image, width, height, -1, key, kind, palette, alpha, planes, nullptr);
        std::memset(image.block->pixel_memory, 0, static_cast<std::size_t>(image.block->pitch) * height);
    }
    ~TestImage() { ReleaseMemImg(&image); }
    TestImage(const TestImage&) = delete;
    TestImage& operator=(const TestImage&) = delete;
    MEMIMG* operator->() { return &image; }
    MEMIMG* get() { return &image; }
    int bytes() const { return image.block->format->bytes_per_pixel; }
    std::uint8_t* at(int x, int y) { return image.pixels + image.block->pitch * y + bytes() * x; }
    std::uint32_t get(int x, int y) {
        std::uint32_t v = 0;
        std::memcpy(&v, at(x, y), static_cast<std::size_t>(bytes()));
        return v;
    }
    void set(int x, int y, std::uint32_t v) { std::memcpy(at(x, y), &v, static_cast<std::size_t>(bytes())); }
    void fill(std::uint32_t v) {
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) set(x, y, v);
    }
    void randomise(std::mt19937& rng) {
        const std::size_t n = static_cast<std::size_t>(image.block->pitch) * image.block->height;
        for (std::size_t i = 0; i < n; ++i) image.block->pixel_memory[i] = static_cast<std::uint8_t>(rng());
    }
    // The whole pixel memory, padding included.
    std::vector<std::uint8_t> bytes_of_block() const {
        const std::uint8_t* p = image.block->pixel_memory;
        return {p, p + static_cast<std::size_t>(image.block->pitch) * image.block->height};
    }
};

inline void EnsureBlendTables() {
    static bool built = false;
    if (!built) {
        BuildBlendTables();
        built = true;
    }
}

// An explicit draw state over the global blend tables: blend mode, value, bright colour
// (blue, green, red, fourth byte), draw area and MMX flag. The draw settings are not touched.
inline SoftDrawState TestState(int mode, int value, std::uint32_t bright_bgr = 0xFFFFFF, RECT area = {0, 0, 640, 480},
                               bool mmx = true) {
    EnsureBlendTables();
    const std::uint8_t bright[4] = {static_cast<std::uint8_t>(bright_bgr), static_cast<std::uint8_t>(bright_bgr >> 8),
                                    static_cast<std::uint8_t>(bright_bgr >> 16),
                                    static_cast<std::uint8_t>(bright_bgr >> 24)};
    return MakeSoftDrawState(*GetBlendTables(), mode, value, bright, area, mmx);
}

// Blend mode, value, bright colour (blue, green, red) and the draw area for the next draw
// through a named entry point, written into the draw settings.
inline void SetDrawState(int mode, int value, std::uint32_t bright_bgr = 0xFFFFFF, RECT area = {0, 0, 640, 480}) {
    EnsureBlendTables();
    DrawSettingsBlock* s = GetDrawSettings();
    s->blend_mode = mode;
    s->blend_value = value;
    s->bright[0] = static_cast<std::uint8_t>(bright_bgr);
    s->bright[1] = static_cast<std::uint8_t>(bright_bgr >> 8);
    s->bright[2] = static_cast<std::uint8_t>(bright_bgr >> 16);
    s->bright[3] = static_cast<std::uint8_t>(bright_bgr >> 24);
    s->draw_area = area;
}
