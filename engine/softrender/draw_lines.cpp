// Lines for the software renderer: trivial reject, line equations in double precision,
// clipping of both ends to the draw area, then an integer error-term walk that blends
// each pixel with the fill's per-pixel rule. Reads the SoftDrawState it is given and the
// bright scaling of fill_rect; only the named entries build a state from the draw settings.
#include "engine/softrender/draw_lines.h"

#include <algorithm>
#include <cstdlib>

#include "engine/core/core.h"
#include "engine/pixels/pixels.h"
#include "engine/softrender/fill_rect.h"
#include "engine/softrender/pixel_rules.h"

void DrawMemImgLinesWith(const SoftDrawState& state, MEMIMG* target, const LineListItem* items, int count) {
    if (items == nullptr) return;
    for (int i = 0; i < count; ++i) {
        DrawMemImgLineWith(state, target, items[i].x1, items[i].y1, items[i].x2, items[i].y2, items[i].colour);
    }
}

void DrawMemImgLineWith(const SoftDrawState& state, MEMIMG* target, int x1, int y1, int x2, int y2,
                        std::uint32_t colour) {
    if (!IsMemImgValid(target)) return;
    const MemImgPixelBlock* block = target->block;
    if (block->kind != kMemImgRgb565 && block->kind != kMemImgXrgb8888) return;
    // Pixels are stepped by the image's own pixel size (4 bytes in images with alpha, the
    // RGB565 value in the low two) and the rule reads 2 or 4 bytes of each: a pixel
    // narrower than that (the 1-byte indices of a palette image) is not drawn into.
    const int bytes = MemImgBytesPerPixel(target);
    const int rule_bytes = block->kind == kMemImgXrgb8888 ? 4 : 2;
    if (bytes < rule_bytes) return;
    const PrimitivePixelRule rule = SelectPrimitivePixelRule(block->kind, state.blend_mode, state.blend_value);
    if (rule == nullptr) return;

    RECT area = state.draw_area;
    const RECT view{0, 0, target->width, target->height};
    ClipRectToRect(&area, &view);
    const int left = area.left, top = area.top, right = area.right, bottom = area.bottom;
    if (left >= right || top >= bottom) return;
    if (std::min(x1, x2) >= right || std::max(x1, x2) < left || std::min(y1, y2) >= bottom ||
        std::max(y1, y2) < top) {
        return;
    }

    const double kx = y1 == y2 ? 0.0 : (static_cast<double>(x2) - x1) / (static_cast<double>(y2) - y1);
    const double ky = x1 == x2 ? 0.0 : (static_cast<double>(y2) - y1) / (static_cast<double>(x2) - x1);
    const double cx = x1 - kx * y1;
    const double cy = y1 - ky * x1;
    // A clipped intersection may lie far outside any int; it only ever needs to land
    // within one pixel of the area, so it is held there before it becomes an integer.
    const int xlo = left - 1, xhi = right, ylo = top - 1, yhi = bottom;

    if (x1 < left) {
        x1 = left;
        y1 = HoldDoubleToRange(ky * left + cy, ylo, yhi);
    } else if (x1 >= right) {
        x1 = right - 1;
        y1 = HoldDoubleToRange(ky * (right - 1) + cy, ylo, yhi);
    }
    if (x2 < left) {
        x2 = left - 1;
        y2 = HoldDoubleToRange(ky * (left - 1) + cy, ylo, yhi);
    } else if (x2 >= right) {
        x2 = right;
        y2 = HoldDoubleToRange(ky * right + cy, ylo, yhi);
    }
    if (y1 < top) {
        y1 = top;
        x1 = HoldDoubleToRange(kx * top + cx, xlo, xhi);
    } else if (y1 >= bottom) {
        y1 = bottom - 1;
        x1 = HoldDoubleToRange(kx * (bottom - 1) + cx, xlo, xhi);
    }
    if (y2 < top) {
        y2 = top - 1;
        x2 = HoldDoubleToRange(kx * (top - 1) + cx, xlo, xhi);
    } else if (y2 >= bottom) {
        y2 = bottom;
        x2 = HoldDoubleToRange(kx * bottom + cx, xlo, xhi);
    }
    x1 = std::clamp(x1, left, right - 1);
    y1 = std::clamp(y1, top, bottom - 1);
    x2 = std::clamp(x2, left - 1, right);
    y2 = std::clamp(y2, top - 1, bottom);

    int dx = x2 - x1, dy = y2 - y1;
    if (dx == 0 && dy == 0) return;
    const std::ptrdiff_t step_x = dx < 0 ? -bytes : bytes;
    const std::ptrdiff_t step_y = dy < 0 ? -static_cast<std::ptrdiff_t>(block->pitch) : block->pitch;
    dx = std::abs(dx);
    dy = std::abs(dy);

    const std::uint32_t value = static_cast<std::uint32_t>(std::clamp(state.blend_value, 0, 255));
    const PrimitiveRuleRows rows{state.value_row, state.signed_row, value};
    const std::uint32_t scaled = ScalePrimitiveColour(block->kind, colour, state.bright);
    std::uint8_t* p = target->pixels + static_cast<std::ptrdiff_t>(block->pitch) * y1 + bytes * x1;
    auto blend = [&](std::uint8_t* q) {
        if (rule_bytes == 4) {
            auto* px = reinterpret_cast<std::uint32_t*>(q);
            *px = rule(*px, scaled, rows);
        } else {
            auto* px = reinterpret_cast<std::uint16_t*>(q);
            *px = static_cast<std::uint16_t>(rule(*px, scaled, rows));
        }
    };
    int e = 0;
    if (dx >= dy) {
        for (int i = 0; i < dx; ++i) {
            blend(p);
            e += dy;
            p += step_x;
            if (e >= dx) {
                p += step_y;
                e -= dx;
            }
        }
    } else {
        for (int i = 0; i < dy; ++i) {
            blend(p);
            e += dx;
            p += step_y;
            if (e >= dy) {
                p += step_x;
                e -= dy;
            }
        }
    }
}
