// The software renderer's per-pixel rule set, shared by the unscaled blit, the rectangle
// fill and the lines: the packed saturating add and subtract (one pixel, and two RGB565
// pixels per word), the exact byte-saturating forms, the half blend and the channel mixes.
// Pure functions over pixel values; the division-by-255 rows come from BlendTables.
#pragma once

#include <cstdint>

// RGB565 field access: blue bits 0-4, green 5-10, red 11-15.
inline std::uint32_t Field565(std::uint32_t pixel, int channel) {
    return channel == 0 ? (pixel & 31u) : channel == 1 ? ((pixel >> 5) & 63u) : ((pixel >> 11) & 31u);
}
inline std::uint32_t Pack565(std::uint32_t blue, std::uint32_t green, std::uint32_t red) {
    return (red << 11) | (green << 5) | blue;
}
// Byte `channel` (0 blue, 1 green, 2 red) of a 32-bit pixel.
inline std::uint32_t Byte32(std::uint32_t pixel, int channel) { return (pixel >> (8 * channel)) & 0xFFu; }

// Mixing by k over n bits: d' = (d x 2^n + (t - d) x k) >> n, flooring. Never negative for
// k <= 2^n, so the result always fits the channel.
template <int N>
inline std::uint32_t MixOver(std::uint32_t d, std::uint32_t t, std::uint32_t k) {
    if constexpr (N <= 16) {
        return static_cast<std::uint32_t>(
            ((static_cast<std::int32_t>(d) << N) + (static_cast<std::int32_t>(t) - static_cast<std::int32_t>(d)) *
                                                       static_cast<std::int32_t>(k)) >> N);
    } else {
        return static_cast<std::uint32_t>(
            ((static_cast<std::int64_t>(d) << N) +
             (static_cast<std::int64_t>(t) - static_cast<std::int64_t>(d)) * static_cast<std::int64_t>(k)) >> N);
    }
}

// Packed saturating add of a 32-bit pixel: blue exact; green and red add their upper
// seven bits, their lowest bit the OR of both lowest bits and the carry from below; the
// fourth byte becomes red's carry.
inline std::uint32_t PackedAdd32(std::uint32_t d, std::uint32_t u) {
    const std::uint32_t x = (d & 0x00FEFEFFu) + (u & 0x00FEFEFFu);
    const std::uint32_t c = x & 0x01010100u;
    return (c - (c >> 8)) | ((d | u) & 0x00010100u) | x;
}
// The add without its lowest-bit term (the 32-bit value-255 form without MMX): the lowest
// bit of green and red is only the carry from below; the fourth byte is red's carry.
inline std::uint32_t PackedAdd32NoLowBit(std::uint32_t d, std::uint32_t u) {
    const std::uint32_t x = (d & 0x00FEFEFFu) + (u & 0x00FEFEFFu);
    const std::uint32_t c = x & 0x01010100u;
    return (c - (c >> 8)) | x;
}
// Packed saturating subtract of a 32-bit pixel; the fourth byte becomes 0.
inline std::uint32_t PackedSubtract32(std::uint32_t d, std::uint32_t u) {
    const std::uint32_t r = (d | 0x01010100u) - (u & 0x00FEFEFFu);
    const std::uint32_t b = r & 0x01010100u;
    return r & (b - (b >> 8));
}
// The same on an RGB565 pixel (low 16 bits of the result).
inline std::uint32_t PackedAdd565(std::uint32_t d, std::uint32_t u) {
    const std::uint32_t x = (d & 0xF7DFu) + (u & 0xF7DFu);
    const std::uint32_t c = x & 0x10820u;
    return ((c - (c >> 5)) | ((d | u) & 0x0820u) | x) & 0xFFFFu;
}
inline std::uint32_t PackedSubtract565(std::uint32_t d, std::uint32_t u) {
    const std::uint32_t r = (d | 0x10820u) - (u & 0xF7DFu);
    const std::uint32_t b = r & 0x10820u;
    return r & (b - (b >> 5)) & 0xFFFFu;
}
// The add without the lowest-bit term, one RGB565 pixel alone (value-255 form).
inline std::uint32_t PackedAdd565Alone(std::uint32_t d, std::uint32_t u) {
    const std::uint32_t x = (d & 0xF7DFu) + (u & 0xF7DFu);
    const std::uint32_t c = x & 0x10820u;
    return ((c - (c >> 5)) | x) & 0xFFFFu;
}
// Two RGB565 pixels in one word (first pixel low, second high), value-255 forms.
inline std::uint32_t PackedAdd565Pair(std::uint32_t d, std::uint32_t u) {
    const std::uint64_t sum = static_cast<std::uint64_t>(d & 0xF7DEF7DFu) + (u & 0xF7DEF7DFu);
    const std::uint32_t x = static_cast<std::uint32_t>(sum);
    const std::uint32_t carry = static_cast<std::uint32_t>(sum >> 32);
    const std::uint32_t c = x & 0x08210820u;
    return (c - ((c >> 5) | (carry << 27))) | x;
}
inline std::uint32_t PackedSubtract565Pair(std::uint32_t d, std::uint32_t u) {
    const std::uint32_t left = d | 0x08210820u;
    const std::uint32_t right = u & 0xF7DEF7DFu;
    const std::uint32_t r = left - right;
    const std::uint32_t q = r & 0x08210820u;
    const std::uint32_t top = left < right ? 0u : 0xF8000000u;
    return r & ((q - (q >> 5)) | top);
}
// Unsigned saturating byte add and subtract on all four bytes (the 32-bit value-255
// forms of the add and subtract modes when the MMX flag is set).
inline std::uint32_t SaturatingAddBytes(std::uint32_t d, std::uint32_t u) {
    std::uint32_t out = 0;
    for (int i = 0; i < 32; i += 8) {
        const std::uint32_t s = ((d >> i) & 0xFFu) + ((u >> i) & 0xFFu);
        out |= (s > 255u ? 255u : s) << i;
    }
    return out;
}
inline std::uint32_t SaturatingSubtractBytes(std::uint32_t d, std::uint32_t u) {
    std::uint32_t out = 0;
    for (int i = 0; i < 32; i += 8) {
        const std::uint32_t a = (d >> i) & 0xFFu;
        const std::uint32_t b = (u >> i) & 0xFFu;
        out |= (a > b ? a - b : 0u) << i;
    }
    return out;
}
// The half blend of the alpha mode at value 128.
inline std::uint32_t HalfBlend32(std::uint32_t d, std::uint32_t s) {
    return ((s >> 1) & 0x7F7F7Fu) + ((d >> 1) & 0x7F7F7Fu);
}
inline std::uint32_t HalfBlend565(std::uint32_t d, std::uint32_t s) {
    return ((s >> 1) & 0x7BEFu) + ((d >> 1) & 0x7BEFu);
}

// The per-pixel rule of the rectangle fill and the lines: one colour (already scaled by
// the bright colour) blended into one destination pixel. Modes that draw nothing never
// reach these; the product rows are chosen once per draw.
struct PrimitiveRuleRows {
    const std::uint32_t* product;        // P_v
    const std::int32_t* signed_product;  // S_v, addressed at d = 0
    std::uint32_t value;
};
using PrimitivePixelRule = std::uint32_t (*)(std::uint32_t d, std::uint32_t colour, const PrimitiveRuleRows& rows);
// The rule of a blend mode for kind 0 (RGB565) or 1 (XRGB8888) targets, or null when the
// mode draws nothing at that value (modes 5 to 9, above 11; 1, 2 and 3 at value 0).
PrimitivePixelRule SelectPrimitivePixelRule(int kind, int mode, int value);
