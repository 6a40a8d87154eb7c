// Masks: the mask handle table (512 slots of kind 8), the mask screen (one byte per
// screen pixel, non-zero = drawing allowed, with a screen-sized keep image), its use and
// active flags, and the begin/end pair that brackets each draw while the mask is active.
// What other rooms call of it is declared in the door, engine/graphics/graphics.h.
#pragma once

#include "engine/graphics/graphics.h"

#include <cstdint>

#include "engine/pixels/pixels.h"
#include "platform/ddraw.h"

constexpr int kMaskSlots = 512;

struct MaskSlot {
    std::int32_t check;
    std::uint8_t* data;
    std::int32_t width;
    std::int32_t height;
    std::int32_t pitch;
    std::int32_t used;
    std::int32_t reserved;
};

struct MaskScreenState {
    std::uint8_t* bytes;
    std::int32_t pitch;
    std::int32_t request;
    std::int32_t use;
    std::int32_t active;
    std::int32_t memimg_made;
    MEMIMG memimg;
    IDirectDrawSurface7* work_surface;
    std::uint32_t key_color;
    std::int32_t work_in_video_memory;
    std::int32_t reverse;
};

int DeleteMaskHandle(int handle);
int DeleteAllMasks();
int SetupMaskScreen(int flag);
int ReleaseMaskScreen();
int RecreateMaskScreen();
int TerminateMaskScreen();
IDirectDrawSurface7* GetMaskWorkSurface();
MEMIMG* GetMaskMemImg();
int IsMaskScreenActive();
int BeginMaskedDraw(int left, int top, int right, int bottom);
int EndMaskedDraw(int left, int top, int right, int bottom);

// The mask slots and the mask screen.
extern MaskSlot g_mask_slots[kMaskSlots];
extern MaskScreenState g_mask_screen;
int MakeMaskHandleOfSlot(int slot);
