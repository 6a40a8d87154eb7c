// Image records: the engine's plain in-memory picture (a colour format, the size, the
// row pitch and a tracked pixel block), blank-image makers, release, mirror, clear,
// single-pixel access, the bridge to a DIB header and bits, and a DIB section made from a DIB.
// What other rooms call of it is declared in the door, engine/graphics/graphics.h.
#pragma once

#include "engine/graphics/graphics.h"

#include <cstdint>

#include "engine/pixels/pixels.h"
#include "platform/dib_convert.h"
#include "platform/gdi.h"


// Blank images like CreateXrgb32GraphImage (contents undefined, pitch rounded up to a
// multiple of 4; -1 for a negative or too large size or no memory).
int CreateArgb32GraphImage(int width, int height, GraphImage* image);
int CreateRgb24GraphImage(int width, int height, GraphImage* image);
int MirrorGraphImage(GraphImage* image);
int ClearGraphImage(GraphImage* image, std::uint32_t red, std::uint32_t green, std::uint32_t blue,
                    std::uint8_t alpha);
int SetGraphImagePixel(GraphImage* image, std::uint32_t x, std::uint32_t y, std::uint32_t red, std::uint32_t green,
                       std::uint32_t blue, std::uint8_t alpha);
// The pixel at (x, y) as 0xAARRGGBB, each channel high-aligned in its byte. A palette
// image gives its palette entry as the word 0xXXRRGGBB. The point must lie in the image.
std::uint32_t GetGraphImagePixel(const GraphImage* image, int x, int y);
int GetGraphImagePixelRGBA(const GraphImage* image, std::uint32_t x, std::uint32_t y, std::uint32_t* red,
                           std::uint32_t* green, std::uint32_t* blue, std::uint32_t* alpha);

// Fills `info` (room for the header and 256 colour entries) as a top-down DIB of the
// image and hands back bits through `bits`: the image's own pixels (result = force_copy)
// or a new tracked block the caller frees (result 1); -1 when that block cannot be made.
int ConvertGraphImageToDIB(const GraphImage* image, BITMAPINFO* info, void** bits, int force_copy,
                           int force_true_color);

// The byte size of the info block ConvertGraphImageToDIB fills.
constexpr std::uint32_t kDibInfoBlockBytes = 1068;

// A DIB section holding a copy of the DIB (`source` header and table, `source_bits`),
// top-down, with every row reversed when `mirror` is not 0. Without a format the section
// is 8 bits with the source's colour table for an 8-bit source, else 24 bits. A format
// asks for its own layout (16 bits and masks, or 32 bits and masks for a source that is
// not 24 bits); a 32-bit format with a 24-bit source, and a format the section cannot
// take in the masks form, are changed to R8G8B8 in the caller's record. The source stays
// the caller's. Null, with a line in the log, when the section cannot be made.
HBITMAP CreateDIBGraph(const BITMAPINFO* source, const void* source_bits, int mirror, ColorFormat* format);
