// The YV12, YUY2 and UYVY writers for the Theora movies' YUV surface. A 4:2:0 frame is
// written as it comes from the decoder: YV12 copies the Y rows at the pitch, then the Cr
// and the Cb rows at half the pitch (the chroma starting right after the surface's Y
// rows); the packed forms give each pair of pixels of a row pair four bytes with the
// pair's chroma sample. Relies on the locked pitch holding a row of the layout.
#include "engine/movie/yuv_surface_writers.h"

#include <algorithm>
#include <cstring>

#include "engine/movie/theora_movie.h"

namespace {

void WriteYv12(const YuvPlanes& p, std::uint8_t* pixels, std::int32_t pitch, std::int32_t width,
               std::int32_t height) {
    const std::int32_t rows = std::min(p.y_height, height);
    const std::size_t bytes = static_cast<std::size_t>(std::min(p.y_width, width));
    for (std::int32_t r = 0; r < rows; ++r) {
        std::memcpy(pixels + static_cast<std::size_t>(r) * pitch, p.y + static_cast<std::size_t>(r) * p.y_stride,
                    bytes);
    }
    const std::int32_t half_pitch = pitch / 2;
    const std::int32_t c_rows = std::min(p.c_height, height / 2);
    const std::size_t c_bytes = static_cast<std::size_t>(std::min(p.c_width, width / 2));
    std::uint8_t* cr_rows = pixels + static_cast<std::size_t>(pitch) * height;
    std::uint8_t* cb_rows = cr_rows + static_cast<std::size_t>(half_pitch) * (height / 2);
    for (std::int32_t r = 0; r < c_rows; ++r) {
        std::memcpy(cr_rows + static_cast<std::size_t>(r) * half_pitch, p.cr + static_cast<std::size_t>(r) * p.c_stride,
                    c_bytes);
        std::memcpy(cb_rows + static_cast<std::size_t>(r) * half_pitch, p.cb + static_cast<std::size_t>(r) * p.c_stride,
                    c_bytes);
    }
}

// YUY2 (luma first) or UYVY: each row pair shares its chroma row, each column pair its
// chroma sample.
template <bool kLumaFirst>
void WritePacked(const YuvPlanes& p, std::uint8_t* pixels, std::int32_t pitch, std::int32_t width,
                 std::int32_t height) {
    const std::int32_t rows = std::min(p.y_height, height) & ~1;
    const std::int32_t pairs = std::min(p.y_width, width) / 2;
    for (std::int32_t r = 0; r < rows; ++r) {
        const std::uint8_t* y = p.y + static_cast<std::size_t>(r) * p.y_stride;
        const std::uint8_t* cb = p.cb + static_cast<std::size_t>(r / 2) * p.c_stride;
        const std::uint8_t* cr = p.cr + static_cast<std::size_t>(r / 2) * p.c_stride;
        std::uint8_t* out = pixels + static_cast<std::size_t>(r) * pitch;
        for (std::int32_t i = 0; i < pairs; ++i, out += 4) {
            if constexpr (kLumaFirst) {
                out[0] = y[2 * i];
                out[1] = cb[i];
                out[2] = y[2 * i + 1];
                out[3] = cr[i];
            } else {
                out[0] = cb[i];
                out[1] = y[2 * i];
                out[2] = cr[i];
                out[3] = y[2 * i + 1];
            }
        }
    }
}

}  // namespace

bool IsYuv420Frame(const YuvPlanes& planes) {
    return planes.y_width == 2 * planes.c_width && planes.y_height == 2 * planes.c_height;
}

bool WriteYuvSurfaceFrame(const YuvPlanes& planes, std::uint32_t fourcc, std::uint8_t* pixels, std::int32_t pitch,
                          std::int32_t width, std::int32_t height) {
    if (!IsYuv420Frame(planes) || pixels == nullptr || width <= 0 || height <= 0) return false;
    switch (fourcc) {
        case kFourCcYv12:
            WriteYv12(planes, pixels, pitch, width, height);
            return true;
        case kFourCcYuy2:
            WritePacked<true>(planes, pixels, pitch, width, height);
            return true;
        case kFourCcUyvy:
            WritePacked<false>(planes, pixels, pitch, width, height);
            return true;
        default:
            return false;
    }
}
