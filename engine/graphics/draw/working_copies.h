// Working copies around the software renderer: where the draw target or the source is a
// DirectDraw surface, the renderer is handed MEMIMG views of locked surface memory (or of
// a work surface holding a copy converted into a working format), or a plain DirectDraw
// blit is chosen instead; in software rendering with the front buffer as draw target, the
// front image is read back from the window before a draw and the drawn rectangle is shown
// after it.
#pragma once

#include <cstdint>

#include "engine/graphics/graphics.h"
#include "engine/graphics/graphs/surface_2d.h"
#include "engine/pixels/pixels.h"

// One locked rectangle of a surface.
struct WorkingCopyLock {
    IDirectDrawSurface7* surface;
    RECT rect;              // the locked rectangle on `surface`
    std::uint8_t* pixels;   // its first byte
    std::int32_t pitch;
    std::int32_t converted;  // `converted_rect` holds working-format pixels to be put back
    RECT converted_rect;     // relative to the locked rectangle
};

struct WorkingCopyState {
    std::int32_t blit_chosen;  // 1: the caller blits and calls no renderer
    IDirectDrawSurface7* blit_source;
    RECT blit_source_rect;  // on the source surface
    IDirectDrawSurface7* blit_destination;
    std::int32_t blit_x;  // destination point on the destination surface
    std::int32_t blit_y;

    MEMIMG* target;  // the working target image
    MEMIMG target_view;
    std::int32_t target_locked;
    WorkingCopyLock target_lock;
    std::int32_t target_through_work;
    IDirectDrawSurface7* target_surface;
    RECT target_rect;  // the clipped destination on the target surface
    std::int32_t format_converted;  // the screen pixels are not in a working format
    RECT clip;                      // the destination clipped to the draw area

    MEMIMG* source;  // the working source image, null without a source
    MEMIMG source_view;
    std::int32_t source_locked;
    WorkingCopyLock source_lock;
    std::int32_t source_through_work;
};

// The working copy under way (one at a time).
extern WorkingCopyState g_working_copy;
// 0; -1 when the clipped destination is empty or the target or source cannot be locked
// (nothing is then left locked and no working image is set).
int BeginWorkingCopy(const Surface2D* source, int blit_allowed, const RECT* source_rect, const RECT* destination,
                     int plain_write, std::uint32_t* colour1, std::uint32_t* colour2);
// The same under the given settings in place of the live ones.
int BeginWorkingCopyWith(const DrawSettingsBlock& draw_state, const Surface2D* piece, int blit_allowed,
                         const RECT* source_rect, const RECT* destination, int plain_write, std::uint32_t* colour1,
                         std::uint32_t* colour2);
int EndWorkingCopy();
int GetFrontScreenRect(RECT* rect);
int ReadBackFrontImage();
int FlushFrontImageRect(const RECT* rect);
