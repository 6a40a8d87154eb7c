// The rectangle fill of the software renderer: normalise, clip to the draw area, scale the
// colour by the bright colour, then one per-pixel rule of pixel_rules over the rows (mode
// 0 stores whole words). Reads the MEMIMG block and the SoftDrawState it is given; only
// the named entry FillMemImgRect builds one from the draw settings.
#include "engine/softrender/fill_rect.h"

#include <algorithm>

#include "engine/pixels/pixels.h"
#include "engine/softrender/pixel_rules.h"

std::uint32_t ScalePrimitiveColour(int kind, std::uint32_t colour, const std::uint8_t bright[4]) {
    if (bright[0] == 255 && bright[1] == 255 && bright[2] == 255) return colour;
    if (kind == kMemImgXrgb8888) {
        std::uint32_t out = colour & 0xFF000000u;
        for (int c = 0; c < 3; ++c) out |= ((Byte32(colour, c) * bright[c]) >> 8) << (8 * c);
        return out;
    }
    return Pack565((Field565(colour, 0) * bright[0]) >> 8, (Field565(colour, 1) * bright[1]) >> 8,
                   (Field565(colour, 2) * bright[2]) >> 8);
}

void FillMemImgRectWith(const SoftDrawState& state, MEMIMG* target, const RECT* rect, std::uint32_t colour) {
    if (!IsMemImgValid(target)) return;
    const MemImgPixelBlock* block = target->block;
    if (block->palette_flag || block->alpha_flag) return;
    if (block->kind != kMemImgRgb565 && block->kind != kMemImgXrgb8888) return;
    const PrimitivePixelRule rule = SelectPrimitivePixelRule(block->kind, state.blend_mode, state.blend_value);
    if (rule == nullptr) return;

    RECT area = rect != nullptr ? *rect : RECT{0, 0, target->width, target->height};
    area = RECT{std::min(area.left, area.right), std::min(area.top, area.bottom), std::max(area.left, area.right),
                std::max(area.top, area.bottom)};
    ClipRectToRect(&area, &state.draw_area);
    // The draw area belongs to the target the caller chose; never write outside the view.
    const RECT view{0, 0, target->width, target->height};
    ClipRectToRect(&area, &view);
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return;

    const std::uint32_t value = static_cast<std::uint32_t>(std::clamp(state.blend_value, 0, 255));
    const PrimitiveRuleRows rows{state.value_row, state.signed_row, value};
    const std::uint32_t scaled = ScalePrimitiveColour(block->kind, colour, state.bright);
    const bool store = SelectPrimitivePixelRule(block->kind, 0, 0) == rule;
    const int pitch = block->pitch;
    if (block->kind == kMemImgXrgb8888) {
        for (int y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(target->pixels + static_cast<std::ptrdiff_t>(pitch) *
                                                                              (area.top + y)) + area.left;
            if (store) {
                std::fill(row, row + width, scaled);
            } else {
                for (int x = 0; x < width; ++x) row[x] = rule(row[x], scaled, rows);
            }
        }
    } else {
        const auto colour16 = static_cast<std::uint16_t>(scaled);
        for (int y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<std::uint16_t*>(target->pixels + static_cast<std::ptrdiff_t>(pitch) *
                                                                              (area.top + y)) + area.left;
            if (store) {
                std::fill(row, row + width, colour16);
            } else {
                for (int x = 0; x < width; ++x) row[x] = static_cast<std::uint16_t>(rule(row[x], scaled, rows));
            }
        }
    }
}
