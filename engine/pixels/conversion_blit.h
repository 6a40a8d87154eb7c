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

// Returns 0; -1 for an empty source rectangle (nothing written); for the plain copy
// between two 1-byte formats, the largest byte copied. The rectangle must lie inside
// the source (and alpha) picture and, placed at (dest_x, dest_y), inside the destination.
int ConvertColorBlt(void* dest, int dest_pitch, const ColorFormat* dest_format, const void* src, int src_pitch,
                    const ColorFormat* src_format, const void* alpha, int alpha_pitch,
                    const ColorFormat* alpha_format, int dest_x, int dest_y, const RECT* src_rect, int mirror,
                    int key_to_alpha, std::uint32_t key, int dither, int color_off, int alpha_from_red,
                    int skip_key, int palette_remap);
