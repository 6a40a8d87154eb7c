// YCbCr to 32-bit RGB for the movie frames: the fixed-point tables (units of 1/16384)
// built once at start-up, one row converter written plainly over the tables and a
// vector form that must give the same bytes, chosen through a table by kernel kind.
#pragma once

#include <cstdint>

struct YuvToRgbTables {
    std::uint8_t clamp[1280];  // index v + 512 for v = -512..767
    std::int32_t cr_to_red[256];
    std::int32_t cb_to_green[256];
    std::int32_t cr_to_green[256];
    std::int32_t cb_to_blue[256];
    std::int32_t luma[256];
};
// The tables, filled by InitYuvToRgbTables.
extern const YuvToRgbTables& kYuvToRgbTables;

// One output row: `width` pixels (blue, green, red, 255) from a row of Y samples and the
// chroma rows; pixel i takes its chroma at ((chroma_x0 + i) >> chroma_shift).
struct YuvRowArgs {
    const std::uint8_t* y;
    const std::uint8_t* cb;
    const std::uint8_t* cr;
    std::int32_t chroma_x0;
    std::int32_t width;
    std::uint8_t* out;
};
enum YuvKernelKind : std::int32_t { kYuvKernelTable = 0, kYuvKernelVector = 1, kYuvKernelCount = 2 };
using YuvRowKernel = void (*)(const YuvToRgbTables& tables, const YuvRowArgs& args);
extern const YuvRowKernel kYuvRowKernels[kYuvKernelCount];

// Rows of a frame whose chroma is subsampled by 2 both ways, through the given kernel.
// The picture rectangle starts at (x0, y0) of the planes.
struct YuvFrameArgs {
    const std::uint8_t* y;
    std::int32_t y_stride;
    const std::uint8_t* cb;
    const std::uint8_t* cr;
    std::int32_t c_stride;
    std::int32_t x0, y0, width, height;
    std::uint8_t* out;
    std::int32_t out_pitch;
};
void ConvertYuv420Frame(const YuvFrameArgs& args, YuvKernelKind kind);

// Frames with other chroma sizes, per pixel in single precision; the chroma sample is
// taken where the pixel lies in the chroma plane (c_width / y_width across).
void ConvertYuvFrameFloat(const YuvFrameArgs& args, std::int32_t y_width, std::int32_t y_height,
                          std::int32_t c_width, std::int32_t c_height);
