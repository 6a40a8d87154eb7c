// MEMIMG images: the engine's system-memory image views over shared, reference-counted
// pixel blocks that the software renderers draw into and read from; creation, views,
// release, the raw fill, and the cached colour and pixel formats of the four kinds.
#pragma once

#include <cstdint>

#include "engine/pixels/color_format.h"
#include "platform/ddraw.h"
#include "platform/dib_convert.h"

constexpr std::uint32_t kMemImgMagic = 0x12345678u;

// Kinds of image.
constexpr int kMemImgRgb565 = 0;
constexpr int kMemImgXrgb8888 = 1;
constexpr int kMemImgChannel8 = 2;
constexpr int kMemImgChannel16 = 3;

struct MemImgPixelBlock {
    std::int32_t reference_count;
    std::int32_t width;
    std::int32_t height;
    std::int32_t pitch;
    std::int32_t log2_pitch;  // -1 when the pitch is not a power of two
    const ColorFormat* format;
    std::uint32_t transparent_color;  // raw pixel value
    std::int32_t kind;
    std::int32_t palette_flag;
    std::int32_t palette_count;
    std::int32_t alpha_flag;
    std::int32_t alpha_plane_valid;
    std::int32_t run_table_valid;
    std::int32_t caller_owns_pixels;
    std::uint8_t* palette;       // 2,048 bytes: the palette in pixel format, then a copy
    std::uint8_t* palette_copy;  // palette + 1,024
    std::uint8_t* pixel_memory;  // pitch x height bytes
    std::uint8_t* alpha_plane;   // pitch x height bytes, or null
    std::uint8_t* run_table;     // (width + 5) x height bytes, or null
};

struct MEMIMG {
    std::uint32_t magic;  // kMemImgMagic while created
    std::int32_t width;
    std::int32_t height;
    std::uint8_t* pixels;  // this view's top-left pixel
    std::uint8_t* alpha;   // this view's top-left alpha byte, or null
    MemImgPixelBlock* block;
};

// 0 or -1. Refuses a view that is already created; a creation that fails part-way frees
// what it had made and leaves the view not created. `pitch` -1 picks (bytes per pixel x
// width + 15) rounded down to 16; `pixels` non-null is caller memory, never freed here.
int CreateMemImg(MEMIMG* image, int width, int height, int pitch, std::uint32_t transparent_color, int kind,
                 int palette_flag, int alpha_flag, int make_planes, void* pixels);
int CreateMemImgDepth16(MEMIMG* image, int width, int height);
// A view of (x, y, width, height) of the source; nothing happens when that lies outside.
void CreateMemImgView(MEMIMG* view, const MEMIMG* source, int x, int y, int width, int height);
int IsMemImgValid(const MEMIMG* image);
void ReleaseMemImg(MEMIMG* image);
// Stores the low 1, 2 or 4 bytes of `value` into the rectangle (null: the whole view),
// cut to the view.
void FillMemImgRectRaw(MEMIMG* image, const RECT* rect, std::uint32_t value);
const ColorFormat* GetMemImgColorFormat(int kind, int alpha_flag, int palette_flag);
const DDPIXELFORMAT* GetMemImgPixelFormat(int kind, int alpha_flag, int palette_flag);
// Bytes per pixel of a created image's block.
int MemImgBytesPerPixel(const MEMIMG* image);

// A top-down DIB header with room for the three channel masks.
struct MemImgDibHeader {
    BITMAPINFOHEADER header;
    DWORD masks[3];
};
// The image's block as a top-down bit-field DIB as wide as its pitch, so rows line up
// with its padding.
MemImgDibHeader DescribeMemImgAsDib(const MEMIMG& image);
