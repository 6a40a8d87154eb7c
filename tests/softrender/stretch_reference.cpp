// The reference scaled blit: no accumulators and no tables of source positions; each
// destination pixel is worked out on its own.
#include "stretch_reference.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "blit_reference.h"

namespace {

std::uint32_t Load(const std::uint8_t* p, int bytes) {
    std::uint32_t v = 0;
    std::memcpy(&v, p, static_cast<std::size_t>(bytes));
    return v;
}

}  // namespace

void ReferenceDrawMemImgStretch(const SoftDrawState& state, MEMIMG* dest, const MEMIMG* src, const RECT* rect,
                                int transparent, const MEMIMG* blend_image) {
    const std::int64_t left = std::min(rect->left, rect->right), right = std::max(rect->left, rect->right);
    const std::int64_t top = std::min(rect->top, rect->bottom), bottom = std::max(rect->top, rect->bottom);
    const bool mirror_x = rect->left > rect->right, mirror_y = rect->top > rect->bottom;
    if (right == left || bottom == top) return;
    if (right - left == src->width && bottom - top == src->height && !mirror_x && !mirror_y) {
        ReferenceDrawMemImg(state, dest, src, static_cast<int>(left), static_cast<int>(top), transparent, blend_image);
        return;
    }
    const MemImgPixelBlock* db = dest->block;
    const MemImgPixelBlock* sb = src->block;
    if (db->kind != sb->kind || db->palette_flag || db->alpha_flag || db->kind > 1) return;
    if (blend_image != nullptr && (blend_image->block->kind != 2 || blend_image->width < src->width ||
                                   blend_image->height < src->height)) {
        return;
    }
    int mode = state.blend_mode;
    const int v = std::clamp(state.blend_value, 0, 255);
    if (mode == 1 && v == 255) mode = 0;
    if (mode < 0 || !(mode <= 4 || mode == 10 || mode == 11)) return;
    if (mode >= 1 && mode <= 3 && v == 0) return;
    const std::int64_t step_x = (right - left) * 65536 / src->width;
    const std::int64_t step_y = (bottom - top) * 65536 / src->height;
    if (step_x == 0 || step_y == 0) return;

    const int K = db->kind;
    const bool palette = sb->palette_flag != 0;
    const bool alpha_source = !palette && sb->alpha_flag != 0;
    const int dbytes = K == 0 ? 2 : 4;
    const int sbytes = palette ? 1 : alpha_source ? 4 : dbytes;
    const bool white = state.bright[0] == 255 && state.bright[1] == 255 && state.bright[2] == 255;
    const bool subtract_bytes = mode == 3 && v == 255 && white && blend_image == nullptr && !alpha_source &&
                                K == 1 && state.mmx;
    const std::int64_t area_left = std::max<std::int64_t>(state.draw_area.left, 0);
    const std::int64_t area_top = std::max<std::int64_t>(state.draw_area.top, 0);
    const std::int64_t area_right = std::min<std::int64_t>(state.draw_area.right, dest->width);
    const std::int64_t area_bottom = std::min<std::int64_t>(state.draw_area.bottom, dest->height);
    for (std::int64_t y = std::max(top, area_top); y < std::min(bottom, area_bottom); ++y) {
        std::int64_t sy = (y - top) * 65536 / step_y;
        if (mirror_y) sy = src->height - 1 - sy;
        for (std::int64_t x = std::max(left, area_left); x < std::min(right, area_right); ++x) {
            std::int64_t sx = (x - left) * 65536 / step_x;
            if (mirror_x) sx = src->width - 1 - sx;
            const std::uint32_t raw = Load(src->pixels + sb->pitch * sy + sbytes * sx, sbytes);
            const std::uint32_t colour = palette ? Load(sb->palette + raw * dbytes, dbytes)
                                         : K == 0 ? (raw & 0xFFFF)
                                                  : raw;
            const std::int64_t a = alpha_source ? (K == 0 ? (raw >> 16) & 0xFF : raw >> 24) : 0;
            bool factor = alpha_source;
            if (transparent != 0) {
                // The key is compared at its full width.
                if (alpha_source ? a == 0 : raw == sb->transparent_color) continue;
                factor = alpha_source && a != 255;
            }
            std::uint8_t* q = dest->pixels + db->pitch * y + dbytes * x;
            const std::uint32_t d = Load(q, dbytes);
            std::uint32_t out;
            if (subtract_bytes) {
                out = 0;
                for (int i = 0; i < 32; i += 8) {
                    out |= static_cast<std::uint32_t>(std::max(0, static_cast<int>((d >> i) & 0xFF) -
                                                                      static_cast<int>((colour >> i) & 0xFF)))
                           << i;
                }
            } else {
                const std::int64_t w =
                    blend_image != nullptr ? state.weights[blend_image->pixels[blend_image->block->pitch * sy + sx]] : 0;
                out = ReferenceBlendPixel({K, mode, v, state.bright, blend_image != nullptr, w, alpha_source, a, factor},
                                          d, colour);
            }
            std::memcpy(q, &out, static_cast<std::size_t>(dbytes));
        }
    }
}
