// Small services of the graphics core: accessors of the new-graph settings and of a few
// draw settings, the texture-format slot of a graph, DirectDraw pixel formats to colour
// formats and back, the unused bits of an image rectangle, the vertical-blank choice of
// the flip and the 64-bit count of presented frames.
#pragma once

#include <cstdint>

#include "engine/graphics/color_format.h"
#include "platform/ddraw.h"

int SetNewGraphBitDepth(int depth);
int GetNewGraphBitDepth();
int SetNewGraphDrawable(int flag);
int SetNewGraphAlphaTest(int flag);
int GetNewGraphAlphaTest();
int SetNewGraphAlphaChannel(int flag);
int GetNewGraphAlphaChannel();
int GetNewGraphSystemMemory();
int SetNewGraphUnmanagedTexture(int flag);
int GetNewGraphUnmanagedTexture();
int GetDrawTarget();
int ReadDrawArea(RECT* area);
int SetDrawTargetScreenRect(const RECT* rect);
int GetDrawFilterMode();
int SetFlipVSyncWait(int flag);
int GetFlipVSyncWait();
int ResetFlipCount();
int CountFlip();
std::uint64_t GetFlipCount();

// The nine creation bytes of a graph: texture, alpha channel, drawable, system memory,
// unmanaged texture, alpha test, bit depth, mode byte, palette.
int GetTextureFormatIndex(const std::uint8_t* creation_bytes);
int PixelFormatToColorFormat(const DDPIXELFORMAT* pixel_format, ColorFormat* format);
int MakeRgbPixelFormat(DDPIXELFORMAT* pixel_format, int bit_count, std::uint32_t red_mask, std::uint32_t green_mask,
                       std::uint32_t blue_mask, std::uint32_t alpha_mask);
// The entry layer hands the record over untyped.
inline int MakeRgbPixelFormat(void* pixel_format, int bit_count, std::uint32_t red_mask, std::uint32_t green_mask,
                              std::uint32_t blue_mask, std::uint32_t alpha_mask) {
    return MakeRgbPixelFormat(static_cast<DDPIXELFORMAT*>(pixel_format), bit_count, red_mask, green_mask, blue_mask,
                              alpha_mask);
}
int OrAlphaIntoImageRect(const RECT* rect, void* pixels, int pitch, const ColorFormat* format, std::uint32_t value);
