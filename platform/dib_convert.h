// Device-independent bitmap layouts and the converter that turns a DIB of any common
// depth (1, 4, 8, 16, 24 or 32 bits, plain or bit fields, either row order) into a
// top-down 24-bit picture, as drawing it into a 24-bit DIB section would.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/kernel_types.h"

// A rectangle: left and top inside, right and bottom one past the last column and row.
// (Shared with other platform headers through the guard until it has a common home.)

constexpr DWORD BI_RGB = 0;
constexpr DWORD BI_RLE8 = 1;
constexpr DWORD BI_RLE4 = 2;
constexpr DWORD BI_BITFIELDS = 3;
constexpr UINT DIB_RGB_COLORS = 0;

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;  // positive: bottom-up rows; negative: top-down
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "DIB header layout");

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

// The header followed by its colour table (or, for bit fields, three DWORD masks).
// Callers allocate room for as many entries as the header says.
struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

// Bytes per row of a DIB: rows are padded to a multiple of 4 bytes. 0 when the row
// does not fit 32 bits.
std::uint32_t DibRowBytes(std::int32_t width, std::uint32_t bit_count);

// Draws the DIB `bits` (at most `bits_size` bytes are read) described by `info` into
// `destination`, a top-down picture of info's width and |height| rows of 3-byte pixels
// (blue, green, red) `destination_pitch` bytes apart. Colour tables hold biClrUsed
// entries (all 2^bits when 0); an index past the table draws black. 5- and 6-bit
// channels are widened by repeating their high bits, so full scale stays full scale.
// Returns 0, or -1 (nothing drawn) for an unsupported kind or too few bits.
int ConvertDibToRgb24(const BITMAPINFO* info, const void* bits, std::size_t bits_size, void* destination,
                      std::int32_t destination_pitch);
