// Writing a decoded 4:2:0 frame into a locked surface in one of the YUV FourCC layouts
// the renderer converts on the GPU: planar YV12 (Y, then Cr, then Cb at half pitch) and
// packed YUY2 (Y0 Cb Y1 Cr) and UYVY (Cb Y0 Cr Y1), two pixels sharing one chroma sample.
#pragma once

#include <cstdint>

// The three planes of a frame, rows `stride` bytes apart, top to bottom.
struct YuvPlanes {
    const std::uint8_t* y;
    const std::uint8_t* cb;
    const std::uint8_t* cr;
    std::int32_t y_stride, c_stride;
    std::int32_t y_width, y_height;
    std::int32_t c_width, c_height;
};

// True when the chroma planes are half the Y plane both ways.
bool IsYuv420Frame(const YuvPlanes& planes);

// Writes the frame at `pixels` (the locked surface of width x height, rows `pitch` bytes
// apart) in the layout of `fourcc`. Frames that are not 4:2:0 and FourCCs other than the
// three are not written: false, with the surface as it was. Only what lies on both the
// frame and the surface is written.
bool WriteYuvSurfaceFrame(const YuvPlanes& planes, std::uint32_t fourcc, std::uint8_t* pixels, std::int32_t pitch,
                          std::int32_t width, std::int32_t height);
