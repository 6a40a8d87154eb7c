// Image files built byte by byte (BMP, TGA, BGRA, DDS) or with the libraries' own
// writers (PNG, JPEG), and helpers that run a reader or the whole chain over them
// through a memory stream.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/graphics/images/image_loader.h"

using Bytes = std::vector<unsigned char>;

void Put16(Bytes& b, std::uint32_t v);
void Put32(Bytes& b, std::uint32_t v);

struct BmpSpec {
    std::uint32_t header_size = 40;
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t bit_count = 24;
    std::uint32_t compression = 0;
    std::uint32_t colors_used = 0;
    std::vector<std::uint32_t> table;  // colour words 0x00RRGGBB, written blue first
    std::uint32_t masks[4] = {0, 0, 0, 0};
    Bytes pixels;
    std::int64_t offset = -1;  // -1: right after the table
};
Bytes MakeBmp(const BmpSpec& spec);

struct TgaSpec {
    int type = 2;
    int width = 1;
    int height = 1;
    int pixel_depth = 24;
    int descriptor = 0x20;
    Bytes id;
    int map_type = 0;
    int map_first = 0;
    int map_length = 0;
    int map_bits = 0;
    Bytes map;
    Bytes data;
    bool footer = false;
    int x_origin = 0;
};
Bytes MakeTga(const TgaSpec& spec);

Bytes MakeBgra(std::uint32_t depth_word, std::uint32_t width, std::uint32_t height, const Bytes& data);

struct DdsSpec {
    std::uint32_t flags = 0x1007;
    std::uint32_t width = 1;
    std::uint32_t height = 1;
    std::uint32_t pitch = 0;
    std::uint32_t pf_flags = 0x40;
    std::uint32_t four_cc = 0;
    std::uint32_t bits = 32;
    std::uint32_t masks[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};
    Bytes data;
};
Bytes MakeDds(const DdsSpec& spec);
std::uint32_t FourCcCode(const char* text);

struct PngSpec {
    int width = 1;
    int height = 1;
    int bit_depth = 8;
    int color_type = 2;  // libpng colour type numbers
    bool interlaced = false;
    std::vector<Bytes> rows;  // packed rows as the file stores them (16-bit big-endian)
    std::vector<std::uint32_t> palette;  // 0x00RRGGBB
    Bytes trns;  // raw tRNS chunk contents
    std::vector<std::pair<std::string, std::string>> text;  // tEXt chunks: keyword, text
};
Bytes MakePng(const PngSpec& spec);

struct JpegSpec {
    int width = 1;
    int height = 1;
    int components = 3;  // 1 grey, 3 RGB, 4 CMYK
    Bytes pixels;        // interleaved rows, RGB or grey or CMYK
    int quality = 100;
    bool progressive = false;
};
Bytes MakeJpeg(const JpegSpec& spec);

// Runs one reader (or, with null, the whole chain) over the bytes through a memory
// stream positioned at 0 and a zeroed record.
int ReadImageBytes(GraphImageReader reader, const Bytes& bytes, GraphImage* image);
// The byte at (x, y), byte index `b` within the pixel.
unsigned PixelByte(const GraphImage& image, int x, int y, int b);
std::uint32_t PixelValue(const GraphImage& image, int x, int y);
