// Small services of the graphics core: accessors of the new-graph settings and of a few
// draw settings, the texture-format slot of a graph, DirectDraw pixel formats to colour
// formats and back, the unused bits of an image rectangle, the vertical-blank choice of
// the flip and the 64-bit count of presented frames.
// What other rooms call of it is declared in the door, engine/graphics/graphics.h.
#pragma once

#include "engine/graphics/graphics.h"

#include <cstdint>

#include "engine/pixels/pixels.h"
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
int ResetFlipCount();
int CountFlip();
std::uint64_t GetFlipCount();

// The nine creation bytes of a graph: texture, alpha channel, drawable, system memory,
// unmanaged texture, alpha test, bit depth, mode byte, palette.
int GetTextureFormatIndex(const std::uint8_t* creation_bytes);
int PixelFormatToColorFormat(const DDPIXELFORMAT* pixel_format, ColorFormat* format);
int OrAlphaIntoImageRect(const RECT* rect, void* pixels, int pitch, const ColorFormat* format, std::uint32_t value);
int GetDrawFilterMode();
