// Straight lines and line lists drawn into a MEMIMG with the fill's blend rules, clipped
// to the draw area; the start point is drawn, the end point is not.
#pragma once

#include <cstdint>

#include "engine/pixels/pixels.h"
#include "engine/softrender/soft_draw_state.h"

// One item of a line list: 24 bytes. The sixth field belongs to the caller.
struct LineListItem {
    std::int32_t x1;
    std::int32_t y1;
    std::int32_t x2;
    std::int32_t y2;
    std::uint32_t colour;
    std::uint32_t caller_value;
};
static_assert(sizeof(LineListItem) == 24);

// Into kind 0 and kind 1 images, with or without alpha (the rules keep an alpha byte the
// way they keep the 32-bit fourth byte); palette images hold 1-byte pixels and are
// refused, as are the other kinds. Items of a list are drawn in list order; a count of 0
// or less draws nothing. Both read nothing but their arguments.
void DrawMemImgLineWith(const SoftDrawState& state, MEMIMG* target, int x1, int y1, int x2, int y2,
                        std::uint32_t colour);
void DrawMemImgLinesWith(const SoftDrawState& state, MEMIMG* target, const LineListItem* items, int count);
