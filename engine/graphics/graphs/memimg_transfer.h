// Pictures into and out of MEMIMG images through the conversion blit: a GraphImage written
// into a view (with its palette, premultiplied alpha plane and transparency run table), a
// view read back into a GraphImage, and one view copied into another.
#pragma once

#include <cstdint>

#include "engine/graphics/images/graph_image.h"
#include "engine/pixels/pixels.h"

// Run bytes: (class << 6) | (length - 1); a row ends with kRunRowEnd.
constexpr std::uint8_t kRunSkip = 0;
constexpr std::uint8_t kRunOpaque = 1;
constexpr std::uint8_t kRunPartial = 2;
constexpr std::uint8_t kRunRowEnd = 0xC0;

// The parts of the rectangles that lie outside the image or the view are left out.
void WriteGraphImageToMemImg(const GraphImage* image, const GraphImage* alpha_image, MEMIMG* dest, int src_x,
                             int src_y, int width, int height, int dest_x, int dest_y, int key_to_alpha);
void ReadMemImgToGraphImage(GraphImage* dest, const MEMIMG* src, int src_x, int src_y, int width, int height,
                            int dest_x, int dest_y, std::uint32_t transparent_color, int skip_transparent);
// 0; -1 for an empty rectangle (or invalid images); the largest value copied when both
// images have 1 byte per pixel. A null rectangle is the whole source.
int BltMemImgToMemImg(MEMIMG* dest, const MEMIMG* src, const RECT* src_rect, int dest_x, int dest_y);

// The raw value a pixel is compared with to count as transparent: the key's low byte for
// palette images, its low 16 bits for RGB565, the whole key for XRGB8888.
std::uint32_t MemImgTransparentKey(const MemImgPixelBlock* block);
// Rebuilds the run table of a whole-block view from its pixels (the table covers
// (width + 5) x height bytes).
void BuildTransparencyRunTable(const MEMIMG* image);
