// Glyph pixel kernels: a cached glyph (one bit, body/edge marks, grey levels or
// body and edge nibbles a pixel) turned into target pixels in the text and edge colours,
// for each target layout. One template per rule, one table to choose from.
#include "engine/font/glyph_pixels.h"

#include <cstring>

namespace {

struct Field {
    int shift;
    int bits;
};
constexpr Field kFields565[3] = {{11, 5}, {5, 6}, {0, 5}};
constexpr Field kFields8888[3] = {{16, 8}, {8, 8}, {0, 8}};

template <int Layout>
void Store(std::uint8_t* p, std::uint32_t value, int alpha) {
    if constexpr (Layout == kGlyphLayoutPalette8) {
        *p = static_cast<std::uint8_t>(value);
    } else if constexpr (Layout == kGlyphLayoutRgb565) {
        const auto v = static_cast<std::uint16_t>(value);
        std::memcpy(p, &v, 2);
    } else if constexpr (Layout == kGlyphLayoutRgb565Alpha) {
        const auto v = static_cast<std::uint16_t>(value);
        std::memcpy(p, &v, 2);
        p[2] = static_cast<std::uint8_t>(alpha);
    } else {
        const std::uint32_t v = alpha >= 0 ? (value & 0x00FFFFFFu) | static_cast<std::uint32_t>(alpha) << 24 : value;
        std::memcpy(p, &v, 4);
    }
}

template <int Layout>
void Clear(std::uint8_t* p) {
    constexpr int bytes = Layout == kGlyphLayoutPalette8 ? 1 : Layout == kGlyphLayoutRgb565 ? 2 : 4;
    if constexpr (Layout == kGlyphLayoutRgb565Alpha) {
        p[0] = p[1] = p[2] = 0;
    } else {
        std::memset(p, 0, bytes);
    }
}

// Plain glyphs (types 0 and 1) carry no alpha: on 32-bit pixels the value is stored as
// it is, on RGB565-with-alpha pixels they are opaque.
constexpr int kPlainAlpha(int layout) { return layout == kGlyphLayoutXrgb8888 ? -1 : 255; }

template <int Type, int Layout>
void DrawGlyphKernel(const GlyphBlit& blit) {
    for (int r = blit.r0; r < blit.r1; ++r) {
        const std::uint8_t* row = blit.cell + static_cast<std::ptrdiff_t>(r) * blit.cell_pitch;
        std::uint8_t* out = blit.pixels + (blit.origin + r * blit.step_r + blit.c0 * blit.step_c);
        for (int c = blit.c0; c < blit.c1; ++c, out += blit.step_c) {
            if constexpr (Type == 0) {
                if (row[c >> 3] >> (7 - (c & 7)) & 1) {
                    Store<Layout>(out, blit.color, kPlainAlpha(Layout));
                } else if (!blit.transparent) {
                    Clear<Layout>(out);
                }
            } else if constexpr (Type == 1) {
                const int v = row[c];
                if (v == 0) {
                    if (!blit.transparent) Clear<Layout>(out);
                } else {
                    const std::uint32_t value =
                        v == 1 ? blit.color : (Layout == kGlyphLayoutXrgb8888 ? blit.edge & 0x00FFFFFFu : blit.edge);
                    Store<Layout>(out, value, kPlainAlpha(Layout));
                }
            } else if constexpr (Type == 2) {
                const int v = row[c];
                if (v == 0) {
                    if (!blit.transparent) Clear<Layout>(out);
                } else {
                    Store<Layout>(out, blit.color, v * 16);
                }
            } else {
                const int b = row[c] & 0x0F;
                const int g = row[c] >> 4;
                if (b == 0 && g == 0) {
                    if (!blit.transparent) Clear<Layout>(out);
                } else {
                    std::uint32_t value = 0;
                    int alpha = 0;
                    MixEdgedGlyphPixel(Layout, blit.color, blit.edge, b, g, &value, &alpha);
                    Store<Layout>(out, value, alpha);
                }
            }
        }
    }
}

template <int Type>
constexpr GlyphKernel kKernelsOfType[kGlyphLayoutCount] = {
    Type <= 1 ? DrawGlyphKernel<Type, kGlyphLayoutPalette8> : nullptr,
    Type <= 1 ? DrawGlyphKernel<Type, kGlyphLayoutRgb565> : nullptr,
    DrawGlyphKernel<Type, kGlyphLayoutRgb565Alpha>,
    DrawGlyphKernel<Type, kGlyphLayoutXrgb8888>,
};

constexpr const GlyphKernel* kKernels[4] = {kKernelsOfType<0>, kKernelsOfType<1>, kKernelsOfType<2>,
                                            kKernelsOfType<3>};

}  // namespace

void MixEdgedGlyphPixel(int layout, std::uint32_t color, std::uint32_t edge, int b, int g, std::uint32_t* value,
                        int* alpha) {
    const bool wide = layout == kGlyphLayoutXrgb8888;
    if (b == 0) {
        *value = wide ? edge & 0x00FFFFFFu : edge;
        *alpha = g * 16;
        return;
    }
    if (b == 15) {
        *value = color;
        *alpha = 255;
        return;
    }
    const int a = 15 * g + b * (16 - g);
    const int t = b * 4096 / a;
    const Field* fields = wide ? kFields8888 : kFields565;
    std::uint32_t mixed = 0;
    for (int i = 0; i < 3; ++i) {
        const std::uint32_t mask = (1u << fields[i].bits) - 1u;
        const int e = static_cast<int>(edge >> fields[i].shift & mask);
        const int c = static_cast<int>(color >> fields[i].shift & mask);
        // Floor division by 256: an arithmetic shift of the signed product.
        const int channel = e + ((c - e) * t >> 8);
        mixed |= static_cast<std::uint32_t>(channel) << fields[i].shift;
    }
    *value = mixed;
    *alpha = a;
}

GlyphKernel ChooseGlyphKernel(int type, int layout) {
    if (type < 0 || type > 3 || layout < 0 || layout >= kGlyphLayoutCount) return nullptr;
    return kKernels[type][layout];
}
