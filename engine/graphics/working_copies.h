// Working copies around the software renderer: where the draw target is a DirectDraw
// surface, the renderer is handed MEMIMG views of it; in software rendering with the
// front buffer as draw target, the front image is read back from the window before a
// draw and the drawn rectangle is shown after it.
#pragma once

#include <cstdint>

#include "engine/graphics/memimg.h"
#include "engine/graphics/surface_2d.h"

struct WorkingCopyState {
    std::int32_t blit_chosen;
    MEMIMG* target;  // the working target image
    MEMIMG* source;  // the working source image, null without a source
    MEMIMG source_view;
};

WorkingCopyState* GetWorkingCopyState();
// 0, -1 when the clipped destination is empty or the surfaces cannot be reached.
int BeginWorkingCopy(const Surface2D* source, int blit_allowed, const RECT* source_rect, const RECT* destination,
                     int plain_write, std::uint32_t* colour1, std::uint32_t* colour2);
int EndWorkingCopy();
int GetFrontScreenRect(RECT* rect);
int ReadBackFrontImage();
int FlushFrontImageRect(const RECT* rect);
