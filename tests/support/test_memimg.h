// A MEMIMG image for tests that releases itself, with pixel access, filling and random
// contents.
#pragma once

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "engine/pixels/memimg.h"

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
