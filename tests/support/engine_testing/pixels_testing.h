// Test-only entries to the pixels room: the dither setting, which nothing in the engine
// changes, a plain MEMIMG of a given kind, and a row of the signed-product table. Part of
// the engine's testing library (linked by tests only); it works through the room's
// internal headers color_format.h and blend_tables.h.
#pragma once

#include <cstdint>

#include "engine/pixels/pixels.h"

void SetDitherFlag(int flag);
// Zeroes the record, then makes a plain MEMIMG of `kind` (its own pixels, no palette, no
// alpha): 0, or -1 as CreateMemImg.
int CreateMemImgOfKind(MEMIMG* image, int width, int height, int kind);
// Entry d = 0 of signed-product row a, so a signed difference indexes it directly.
const std::int32_t* SignedProductRow(int a);
