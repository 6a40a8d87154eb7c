// Colour formats: presets, building a format from masks, comparing formats, and the
// single-value conversions (channels to value, value to channels, value to value, one
// pixel to ARGB), and the DirectDraw RGB pixel-format record built from masks.
#include "engine/pixels/color_format.h"

#include <cstring>

std::int32_t g_dither_flag = 0;

namespace {

// Lowest set bit and the length of the run of set bits from there (0, 0 for no bits).
void FindMaskRun(std::uint32_t mask, std::uint8_t* shift, std::uint8_t* width) {
    if (mask == 0) {
        *shift = 0;
        *width = 0;
        return;
    }
    std::uint8_t s = 0;
    while (((mask >> s) & 1u) == 0) ++s;
    std::uint8_t w = 0;
    while (s + w < 32 && ((mask >> (s + w)) & 1u) != 0) ++w;
    *shift = s;
    *width = w;
}

// A run of `depth` ones from bit 0: all 32 bits from depth 32 up, none at depth 0 or below.
std::uint32_t DepthBits(int depth) {
    if (depth >= 32) return 0xFFFFFFFFu;
    if (depth <= 0) return 0;
    return (1u << depth) - 1u;
}

void SetTrueColorChannels(ColorFormat* f) {
    f->red_mask = 0x00FF0000u;
    f->red_shift = 16;
    f->red_width = 8;
    f->green_mask = 0x0000FF00u;
    f->green_shift = 8;
    f->green_width = 8;
    f->blue_mask = 0x000000FFu;
    f->blue_shift = 0;
    f->blue_width = 8;
    f->alpha_mask = 0;
    f->alpha_shift = 0;
    f->alpha_width = 0;
}

// An 8-bit channel value brought to `width` bits. Up to 8 bits the high bits are kept;
// wider channels are scaled so that 255 becomes the channel's largest value.
std::uint32_t NarrowFrom8(std::uint32_t c, unsigned width) {
    c &= 0xFFu;
    if (width == 0) return 0;
    if (width <= 8) return c >> (8 - width);
    const std::uint64_t top = width >= 32 ? 0xFFFFFFFFull : (1ull << width) - 1;
    return static_cast<std::uint32_t>(c * top / 255u);
}

// The channel of `value` placed so that its highest bit is bit `top_bit - 1`. Channels
// wider than 8 bits keep their 8 highest bits.
std::uint32_t PlaceHighAligned(std::uint32_t value, std::uint32_t mask, unsigned shift, unsigned width,
                               unsigned top_bit) {
    if (width == 0) return 0;
    const std::uint32_t c = (value & mask) >> shift;
    if (width <= 8) return c << (top_bit - width);
    return (c >> (width - 8)) << (top_bit - 8);
}

std::uint32_t SplitChannel(std::uint32_t value, std::uint32_t mask, unsigned shift, unsigned width) {
    if (width == 0) return 0;
    const std::uint32_t c = (value & mask) >> shift;
    if (width <= 8) return c * 255u / ((1u << width) - 1u);
    const std::uint64_t top = width >= 32 ? 0xFFFFFFFFull : (1ull << width) - 1;
    return static_cast<std::uint32_t>(c * 255ull / top);
}

std::uint32_t ResizeChannel(std::uint32_t c, unsigned from_width, unsigned to_width) {
    if (to_width > from_width) {
        const unsigned d = to_width - from_width;
        return d >= 32 ? 0 : c << d;
    }
    const unsigned d = from_width - to_width;
    return d >= 32 ? 0 : c >> d;
}

}  // namespace

int SetPalette8ColorFormat(ColorFormat* format) {
    format->bit_depth = 8;
    format->bytes_per_pixel = 1;
    SetTrueColorChannels(format);
    format->unused_mask = 0xFF000000u;
    format->format_code = 0;
    return 0;
}

int SetGrey8ColorFormat(ColorFormat* format) {
    SetPalette8ColorFormat(format);
    for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<std::uint8_t>(i);
        format->palette[i] = ColorPaletteEntry{v, v, v, 0};
    }
    return 0;
}

int SetXrgb32ColorFormat(ColorFormat* format) {
    format->bit_depth = 32;
    format->bytes_per_pixel = 4;
    SetTrueColorChannels(format);
    format->unused_mask = 0xFF000000u;
    format->unused_shift = 24;
    format->unused_width = 8;
    format->format_code = 0;
    return 0;
}

int SetArgb32ColorFormat(ColorFormat* format) {
    format->bit_depth = 32;
    format->bytes_per_pixel = 4;
    SetTrueColorChannels(format);
    format->alpha_mask = 0xFF000000u;
    format->alpha_shift = 24;
    format->alpha_width = 8;
    format->unused_mask = 0;
    format->format_code = 0;
    return 0;
}

int SetRgb24ColorFormat(ColorFormat* format) {
    format->bit_depth = 24;
    format->bytes_per_pixel = 3;
    SetTrueColorChannels(format);
    format->unused_mask = 0;
    format->format_code = 0;
    return 0;
}

int BuildColorFormat(ColorFormat* format, int bit_depth, std::uint32_t red_mask, std::uint32_t green_mask,
                     std::uint32_t blue_mask, std::uint32_t alpha_mask) {
    format->bit_depth = static_cast<std::uint16_t>(bit_depth);
    format->bytes_per_pixel = static_cast<std::uint16_t>(bit_depth / 8);
    format->format_code = 0;
    format->red_mask = red_mask;
    format->green_mask = green_mask;
    format->blue_mask = blue_mask;
    format->alpha_mask = alpha_mask;
    format->unused_mask = DepthBits(bit_depth) & ~(red_mask | green_mask | blue_mask | alpha_mask);
    FindMaskRun(red_mask, &format->red_shift, &format->red_width);
    FindMaskRun(green_mask, &format->green_shift, &format->green_width);
    FindMaskRun(blue_mask, &format->blue_shift, &format->blue_width);
    FindMaskRun(alpha_mask, &format->alpha_shift, &format->alpha_width);
    FindMaskRun(format->unused_mask, &format->unused_shift, &format->unused_width);
    return 0;
}

void UpdateUnusedBitsMask(ColorFormat* format) {
    const int used = format->red_width + format->green_width + format->blue_width + format->alpha_width;
    if (used == format->bit_depth) {
        format->unused_mask = 0;
        return;
    }
    format->unused_mask = DepthBits(format->bit_depth) &
                          ~(format->red_mask | format->green_mask | format->blue_mask | format->alpha_mask);
}

int IsSameColorFormat(const ColorFormat* a, const ColorFormat* b) {
    if (a->bit_depth == 0 && b->bit_depth == 0 && a->format_code != b->format_code) return 0;
    return a->bit_depth == b->bit_depth && a->red_mask == b->red_mask && a->green_mask == b->green_mask &&
                   a->blue_mask == b->blue_mask && a->alpha_mask == b->alpha_mask
               ? 1
               : 0;
}

std::uint32_t MakeColorValueInFormat(const ColorFormat* format, std::uint32_t red, std::uint32_t green,
                                     std::uint32_t blue, std::uint8_t alpha) {
    if (format->bytes_per_pixel == 1) {
        // Unsigned 32-bit distances, wrapping as they may; the first of equal minima wins.
        std::uint32_t best = 0xFFFFFFu;
        std::uint32_t best_index = 0;
        for (std::uint32_t i = 0; i < 256; ++i) {
            const ColorPaletteEntry& e = format->palette[i];
            const std::uint32_t dr = e.red - red;
            const std::uint32_t dg = e.green - green;
            const std::uint32_t db = e.blue - blue;
            const std::uint32_t d = dr * dr + dg * dg + db * db;
            if (d < best) {
                best = d;
                best_index = i;
            }
        }
        return best_index;
    }
    std::uint32_t value = format->unused_mask;
    value += NarrowFrom8(red, format->red_width) << format->red_shift;
    value += NarrowFrom8(green, format->green_width) << format->green_shift;
    value += NarrowFrom8(blue, format->blue_width) << format->blue_shift;
    if (format->alpha_width != 0) value += NarrowFrom8(alpha, format->alpha_width) << format->alpha_shift;
    return value;
}

int SplitColorValueInFormat(const ColorFormat* format, std::uint32_t value, std::uint32_t* red,
                            std::uint32_t* green, std::uint32_t* blue, std::uint32_t* alpha) {
    if (red != nullptr) *red = SplitChannel(value, format->red_mask, format->red_shift, format->red_width);
    if (green != nullptr) *green = SplitChannel(value, format->green_mask, format->green_shift, format->green_width);
    if (blue != nullptr) *blue = SplitChannel(value, format->blue_mask, format->blue_shift, format->blue_width);
    if (alpha != nullptr) *alpha = SplitChannel(value, format->alpha_mask, format->alpha_shift, format->alpha_width);
    return 0;
}

std::uint32_t ConvertColorValue(const ColorFormat* destination, const ColorFormat* source, std::uint32_t value) {
    const ColorFormat* d = destination;
    const ColorFormat* s = source;
    const std::uint32_t r = ResizeChannel((value & s->red_mask) >> s->red_shift, s->red_width, d->red_width);
    const std::uint32_t g = ResizeChannel((value & s->green_mask) >> s->green_shift, s->green_width, d->green_width);
    const std::uint32_t b = ResizeChannel((value & s->blue_mask) >> s->blue_shift, s->blue_width, d->blue_width);
    std::uint32_t a;
    if (s->alpha_width == 0) {
        a = d->alpha_mask >> d->alpha_shift;
    } else {
        a = ResizeChannel((value & s->alpha_mask) >> s->alpha_shift, s->alpha_width, d->alpha_width);
    }
    return r << d->red_shift | g << d->green_shift | b << d->blue_shift | a << d->alpha_shift | d->unused_mask;
}

std::uint32_t ReadPixelAsArgb(const ColorFormat* format, const void* pixel) {
    const ColorFormat& f = *format;
    const unsigned char* p = static_cast<const unsigned char*>(pixel);
    std::uint32_t v;
    switch (f.bytes_per_pixel) {
        case 1:
            return PaletteWord(f.palette[p[0]]);
        case 2:
            v = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8;
            break;
        case 3:
            v = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                static_cast<std::uint32_t>(p[2]) << 16;
            break;
        case 4:
            v = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
            break;
        default:
            return 0;
    }
    std::uint32_t result = PlaceHighAligned(v, f.red_mask, f.red_shift, f.red_width, 24) |
                           PlaceHighAligned(v, f.green_mask, f.green_shift, f.green_width, 16) |
                           PlaceHighAligned(v, f.blue_mask, f.blue_shift, f.blue_width, 8);
    if (f.alpha_width != 0) result |= PlaceHighAligned(v, f.alpha_mask, f.alpha_shift, f.alpha_width, 32);
    return result;
}

int MakeRgbPixelFormat(DDPIXELFORMAT* pixel_format, int bit_count, std::uint32_t red_mask, std::uint32_t green_mask,
                       std::uint32_t blue_mask, std::uint32_t alpha_mask) {
    std::memset(pixel_format, 0, sizeof(*pixel_format));
    pixel_format->dwSize = sizeof(*pixel_format);
    pixel_format->dwFlags = DDPF_RGB;
    pixel_format->dwRGBBitCount = static_cast<DWORD>(bit_count);
    pixel_format->dwRBitMask = red_mask;
    pixel_format->dwGBitMask = green_mask;
    pixel_format->dwBBitMask = blue_mask;
    pixel_format->dwRGBAlphaBitMask = alpha_mask;
    return 0;
}

int GetDitherFlag() { return g_dither_flag; }
