// Colour formats: the record that describes every pixel layout the engine stores or
// converts, its five presets, building one from channel masks, and the conversions of
// single colour values. Plain functions; the only state is the engine-wide dither flag.
#pragma once

#include <cstdint>

#include "platform/ddraw.h"

// One palette entry as stored: blue, green, red, then a fourth byte (0 in engine palettes).
struct ColorPaletteEntry {
    std::uint8_t blue;
    std::uint8_t green;
    std::uint8_t red;
    std::uint8_t reserved;
};

struct ColorFormat {
    std::uint16_t bit_depth;
    std::uint16_t bytes_per_pixel;
    std::uint8_t red_width, green_width, blue_width, alpha_width;
    std::uint8_t red_shift, green_shift, blue_shift, alpha_shift;
    std::uint32_t red_mask, green_mask, blue_mask, alpha_mask;
    std::uint32_t unused_mask;  // bits of no channel; every value made in this format has them set
    ColorPaletteEntry palette[256];
    std::uint8_t unused_shift;
    std::uint8_t unused_width;
    std::uint32_t format_code;  // compared only between two formats of depth 0
};

int SetPalette8ColorFormat(ColorFormat* format);
int SetGrey8ColorFormat(ColorFormat* format);
int SetXrgb32ColorFormat(ColorFormat* format);
int SetArgb32ColorFormat(ColorFormat* format);
int SetRgb24ColorFormat(ColorFormat* format);

int BuildColorFormat(ColorFormat* format, int bit_depth, std::uint32_t red_mask, std::uint32_t green_mask,
                     std::uint32_t blue_mask, std::uint32_t alpha_mask);
void UpdateUnusedBitsMask(ColorFormat* format);
int IsSameColorFormat(const ColorFormat* a, const ColorFormat* b);

// A 1-byte format gives the index of the nearest palette entry (first of equal minima).
std::uint32_t MakeColorValueInFormat(const ColorFormat* format, std::uint32_t red, std::uint32_t green,
                                     std::uint32_t blue, std::uint8_t alpha);
int SplitColorValueInFormat(const ColorFormat* format, std::uint32_t value, std::uint32_t* red,
                            std::uint32_t* green, std::uint32_t* blue, std::uint32_t* alpha);
std::uint32_t ConvertColorValue(const ColorFormat* destination, const ColorFormat* source, std::uint32_t value);
// One pixel of the format as 0xAARRGGBB, each channel high-aligned in its byte. A palette
// format gives its palette entry as the word 0xXXRRGGBB.
std::uint32_t ReadPixelAsArgb(const ColorFormat* format, const void* pixel);
// A DirectDraw RGB pixel format with the given depth and channel masks.
int MakeRgbPixelFormat(DDPIXELFORMAT* pixel_format, int bit_count, std::uint32_t red_mask, std::uint32_t green_mask,
                       std::uint32_t blue_mask, std::uint32_t alpha_mask);
// The entry layer hands the record over untyped.
inline int MakeRgbPixelFormat(void* pixel_format, int bit_count, std::uint32_t red_mask, std::uint32_t green_mask,
                              std::uint32_t blue_mask, std::uint32_t alpha_mask) {
    return MakeRgbPixelFormat(static_cast<DDPIXELFORMAT*>(pixel_format), bit_count, red_mask, green_mask, blue_mask,
                              alpha_mask);
}
int GetDitherFlag();
// The dither setting, 0 at start; nothing in the engine changes it.
extern std::int32_t g_dither_flag;

// A palette entry read as the little-endian word 0xXXRRGGBB.
inline std::uint32_t PaletteWord(const ColorPaletteEntry& entry) {
    return static_cast<std::uint32_t>(entry.blue) | static_cast<std::uint32_t>(entry.green) << 8 |
           static_cast<std::uint32_t>(entry.red) << 16 | static_cast<std::uint32_t>(entry.reserved) << 24;
}
