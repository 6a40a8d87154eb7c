// Test-only entries to the pixels room: the dither setting, which nothing in the engine
// changes, and a plain MEMIMG of a given kind. Part of the engine's testing library
// (linked by tests only); it sets the flag through the room's internal header
// color_format.h.
#pragma once

#include "engine/pixels/pixels.h"

void SetDitherFlag(int flag);
// Zeroes the record, then makes a plain MEMIMG of `kind` (its own pixels, no palette, no
// alpha): 0, or -1 as CreateMemImg.
int CreateMemImgOfKind(MEMIMG* image, int width, int height, int kind);
