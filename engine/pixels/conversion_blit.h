// The conversion blit: copies a rectangle between two pictures of any two colour
// formats, with an optional separate alpha picture, mirroring, colour keys, dither,
// alpha from red, colour off and palette remapping.
#pragma once

#include <cstdint>

#include "engine/pixels/color_format.h"
#include "platform/dib_convert.h"

// Dither modes.
constexpr int kDitherNone = 0;
constexpr int kDitherOrdered = 1;
constexpr int kDitherErrorCarry = 2;

// One conversion blit: the pictures (pixels, row pitch, format), where the source
// rectangle lands, and the options; whatever is left out is off (no alpha picture).
struct ColorBltRequest {
    void* dest = nullptr;
    int dest_pitch = 0;
    const ColorFormat* dest_format = nullptr;
    const void* src = nullptr;
    int src_pitch = 0;
    const ColorFormat* src_format = nullptr;
    const void* alpha = nullptr;
    int alpha_pitch = 0;
    const ColorFormat* alpha_format = nullptr;
    int dest_x = 0;
    int dest_y = 0;
    const RECT* src_rect = nullptr;
    int mirror = 0;
    int key_to_alpha = 0;
    std::uint32_t key = 0;
    int dither = kDitherNone;
    int color_off = 0;
    int alpha_from_red = 0;
    int skip_key = 0;
    int palette_remap = 0;
};

// Returns 0; -1 for an empty source rectangle (nothing written); for the plain copy
// between two 1-byte formats, the largest byte copied. The rectangle must lie inside
// the source (and alpha) picture and, placed at (dest_x, dest_y), inside the destination.
int ConvertColorBlt(const ColorBltRequest& request);
