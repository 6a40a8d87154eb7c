// Small helpers for the software renderer's tests: the blend tables built once and the
// draw state used by a draw, explicit or written into the draw settings.
#pragma once

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "engine/graphics/draw/draw_settings.h"
#include "engine/pixels/blend_tables.h"
#include "engine/pixels/memimg.h"
#include "engine/softrender/soft_draw_state.h"
#include "tests/support/test_memimg.h"

inline void EnsureBlendTables() {
    static bool built = false;
    if (!built) {
        BuildBlendTables();
        built = true;
    }
}

// An explicit draw state over the global blend tables: blend mode, value, bright colour
// (blue, green, red, fourth byte), draw area and MMX flag. The draw settings are not touched.
inline SoftDrawState TestState(int mode, int value, std::uint32_t bright_bgr = 0xFFFFFF, RECT area = {0, 0, 640, 480},
                               bool mmx = true) {
    EnsureBlendTables();
    const std::uint8_t bright[4] = {static_cast<std::uint8_t>(bright_bgr), static_cast<std::uint8_t>(bright_bgr >> 8),
                                    static_cast<std::uint8_t>(bright_bgr >> 16),
                                    static_cast<std::uint8_t>(bright_bgr >> 24)};
    return MakeSoftDrawState(*GetBlendTables(), mode, value, bright, area, mmx);
}

// Blend mode, value, bright colour (blue, green, red) and the draw area for the next draw
// through a named entry point, written into the draw settings.
inline void SetDrawState(int mode, int value, std::uint32_t bright_bgr = 0xFFFFFF, RECT area = {0, 0, 640, 480}) {
    EnsureBlendTables();
    DrawSettingsBlock* s = GetDrawSettings();
    s->blend_mode = mode;
    s->blend_value = value;
    s->bright[0] = static_cast<std::uint8_t>(bright_bgr);
    s->bright[1] = static_cast<std::uint8_t>(bright_bgr >> 8);
    s->bright[2] = static_cast<std::uint8_t>(bright_bgr >> 16);
    s->bright[3] = static_cast<std::uint8_t>(bright_bgr >> 24);
    s->draw_area = area;
}
