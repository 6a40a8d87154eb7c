// The glyph writers of a texture glyph cache: every texel written is white, the glyph's
// coverage is its alpha (one bit for plain and edged fonts, four for anti-aliased ones);
// edged fonts stamp the edge into the right half of the staging image, anti-aliased
// edges as the union of the coverages around each body pixel. Relies on the edge stamps.
#include "engine/font/texture_glyphs.h"

#include "engine/font/font_internal.h"

namespace {

struct Texels {
    const StagingTexels& s;
    std::uint16_t* At(int x, int y) const {
        return x >= 0 && y >= 0 && x < s.width && y < s.height
                   ? s.pixels + static_cast<std::ptrdiff_t>(y) * s.width + x
                   : nullptr;
    }
    // A texel of the right half, at (x, y) of that half.
    std::uint16_t* RightAt(int x, int y) const {
        const int half = s.width / 2;
        return x >= 0 && x < half ? At(half + x, y) : nullptr;
    }
    // Coverage 1 to 16 as alpha (level - 1 in a four-bit alpha), 0 as white with alpha 0.
    std::uint16_t Level(int level) const {
        if (level <= 0) return static_cast<std::uint16_t>(s.white);
        const int shift = s.alpha_shift + s.alpha_width - 4;
        const std::uint32_t scaled = shift >= 0 ? static_cast<std::uint32_t>(level) << shift
                                                : static_cast<std::uint32_t>(level) >> -shift;
        return static_cast<std::uint16_t>((scaled - 1) | s.white);
    }
};

bool BitSet(const std::uint8_t* bits, int row_bytes, int c, int r) {
    return (bits[r * row_bytes + (c >> 3)] >> (7 - (c & 7)) & 1) != 0;
}

}  // namespace

void WriteGlyphToStaging(int type, int edge, const StagingTexels& staging, const std::uint8_t* bits, int row_bytes,
                         int width, int height) {
    const Texels t{staging};
    const std::uint16_t ink = static_cast<std::uint16_t>(staging.alpha_mask | staging.white);
    switch (type) {
    case 0:
        for (int r = 0; r < height; ++r) {
            for (int c = 0; c < width; ++c) {
                if (std::uint16_t* p = t.At(c, r)) {
                    *p = BitSet(bits, row_bytes, c, r) ? ink : static_cast<std::uint16_t>(staging.white);
                }
            }
        }
        break;
    case 2:
        for (int r = 0; r < height; ++r) {
            for (int c = 0; c < width; ++c) {
                const int v = bits[r * row_bytes + c];
                if (std::uint16_t* p = t.At(c, r)) *p = t.Level(v >= 1 && v <= 16 ? v : 0);
            }
        }
        break;
    case 1:
        for (int r = 0; r < height; ++r) {
            for (int c = 0; c < width; ++c) {
                if (!BitSet(bits, row_bytes, c, r)) continue;
                if (std::uint16_t* p = t.At(edge + c, edge + r); p != nullptr && edge + c < staging.width / 2) *p = ink;
                ForEachEdgeStampPosition(edge, edge + c, edge + r, [&](int x, int y) {
                    std::uint16_t* p = t.RightAt(x, y);
                    if (p != nullptr && (*p & staging.alpha_mask) == 0) *p = ink;
                });
            }
        }
        break;
    case 3: {
        // Levels first, as plain numbers 0 to 16; the texels afterwards.
        for (int r = 0; r < height; ++r) {
            for (int c = 0; c < width; ++c) {
                const int v = bits[r * row_bytes + c];
                if (v < 1 || v > 16) continue;
                if (std::uint16_t* p = t.At(edge + c, edge + r); p != nullptr && edge + c < staging.width / 2) {
                    *p = static_cast<std::uint16_t>(v);
                }
                ForEachEdgeStampPosition(edge, edge + c, edge + r, [&](int x, int y) {
                    if (std::uint16_t* p = t.RightAt(x, y)) {
                        *p = static_cast<std::uint16_t>((256 - (16 - *p) * (16 - v)) / 16);
                    }
                });
            }
        }
        const int box_width = width + 2 * edge;
        const int box_height = height + 2 * edge;
        const int half = staging.width / 2;
        for (int r = 0; r < box_height && r < staging.height; ++r) {
            for (int c = 0; c < box_width && c < half; ++c) {
                std::uint16_t* left = t.At(c, r);
                *left = t.Level(*left);
                std::uint16_t* right = t.At(half + c, r);
                *right = t.Level(*right);
            }
        }
        break;
    }
    default:
        break;
    }
}
