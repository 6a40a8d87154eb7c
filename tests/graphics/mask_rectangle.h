// The small rectangle the mask tests allow: mask bytes of 1 over (8, 8)-(16, 12).
#pragma once

#include <cstring>

#include "engine/graphics/draw/masks.h"

namespace mask_test {

inline void AllowTheSmallRectangle(MaskScreenState* mask) {
    for (int y = 8; y < 12; ++y) std::memset(mask->bytes + y * mask->pitch + 8, 1, 8);
}

inline bool InSmallRectangle(int x, int y) { return x >= 8 && x < 16 && y >= 8 && y < 12; }

}  // namespace mask_test
