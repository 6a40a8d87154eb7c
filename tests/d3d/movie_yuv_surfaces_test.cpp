// The movie room's YUV writers on the display's own FourCC surfaces (video memory over
// GL, each FourCC taken alone through the platform's hook): a 4 x 4 frame with 2 x 2
// chroma written under a write-only lock comes back, under a read lock, in the layout's
// rows at the surface's pitch, which is wider than a row of the layout; the bytes beyond
// each row stay as they were.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/graphics/graphics.h"
#include "engine/movie/theora_movie.h"
#include "engine/movie/yuv_surface_writers.h"
#include "platform/testing/yuv_surface_testing.h"
#include "tests/d3d/d3d_draw_session.h"

namespace {

// Y(r, c) = 0x10 r + c, Cb(r, c) = 0xA0 + 2 r + c, Cr(r, c) = 0xC0 + 2 r + c.
constexpr std::uint8_t kY[16] = {0x00, 0x01, 0x02, 0x03, 0x10, 0x11, 0x12, 0x13,
                                 0x20, 0x21, 0x22, 0x23, 0x30, 0x31, 0x32, 0x33};
constexpr std::uint8_t kCb[4] = {0xA0, 0xA1, 0xA2, 0xA3};
constexpr std::uint8_t kCr[4] = {0xC0, 0xC1, 0xC2, 0xC3};

struct SurfaceCase {
    const char* name;
    std::uint32_t fourcc;
    // Each row of the layout: its offset from the surface's first byte in pitches (or, for
    // the chroma rows of YV12, at half the pitch after the Y rows) and its bytes.
    std::vector<std::vector<std::uint8_t>> rows;
};

const SurfaceCase kCases[] = {
    {"YV12",
     kFourCcYv12,
     {{0x00, 0x01, 0x02, 0x03},
      {0x10, 0x11, 0x12, 0x13},
      {0x20, 0x21, 0x22, 0x23},
      {0x30, 0x31, 0x32, 0x33},
      {0xC0, 0xC1},  // Cr at P/2
      {0xC2, 0xC3},
      {0xA0, 0xA1},  // Cb at P/2
      {0xA2, 0xA3}}},
    {"YUY2",
     kFourCcYuy2,
     {{0x00, 0xA0, 0x01, 0xC0, 0x02, 0xA1, 0x03, 0xC1},
      {0x10, 0xA0, 0x11, 0xC0, 0x12, 0xA1, 0x13, 0xC1},
      {0x20, 0xA2, 0x21, 0xC2, 0x22, 0xA3, 0x23, 0xC3},
      {0x30, 0xA2, 0x31, 0xC2, 0x32, 0xA3, 0x33, 0xC3}}},
    {"UYVY",
     kFourCcUyvy,
     {{0xA0, 0x00, 0xC0, 0x01, 0xA1, 0x02, 0xC1, 0x03},
      {0xA0, 0x10, 0xC0, 0x11, 0xA1, 0x12, 0xC1, 0x13},
      {0xA2, 0x20, 0xC2, 0x21, 0xA3, 0x22, 0xC3, 0x23},
      {0xA2, 0x30, 0xC2, 0x31, 0xA3, 0x32, 0xC3, 0x33}}},
};

class MovieYuvSurfaces : public d3d_test::D3DDrawSession {};

TEST_F(MovieYuvSurfaces, EachWriterFillsTheDisplaysSurfaceOfItsFourCc) {
    const YuvPlanes planes{kY, kCb, kCr, 4, 2, 4, 4, 2, 2};
    for (const SurfaceCase& c : kCases) {
        SCOPED_TRACE(c.name);
        AcceptYuvFourCCs only{c.fourcc};
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof(desc);
        desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
        desc.dwWidth = desc.dwHeight = 4;
        desc.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
        desc.ddpfPixelFormat.dwFlags = DDPF_FOURCC;
        desc.ddsCaps.dwCaps = DDSCAPS_VIDEOMEMORY;
        IDirectDrawSurface7* surface = nullptr;
        // The others are refused while the hook lives.
        for (const SurfaceCase& other : kCases) {
            if (other.fourcc == c.fourcc) continue;
            desc.ddpfPixelFormat.dwFourCC = other.fourcc;
            EXPECT_TRUE(FAILED(GetDirectDrawObject()->CreateSurface(&desc, &surface, nullptr))) << other.name;
        }
        desc.ddpfPixelFormat.dwFourCC = c.fourcc;
        ASSERT_EQ(GetDirectDrawObject()->CreateSurface(&desc, &surface, nullptr), DD_OK);

        DDSURFACEDESC2 locked{};
        locked.dwSize = sizeof(locked);
        ASSERT_EQ(surface->Lock(nullptr, &locked, DDLOCK_WRITEONLY, nullptr), DD_OK);
        const int pitch = locked.lPitch;
        const int row_bytes = static_cast<int>(c.rows[0].size());
        EXPECT_GT(pitch, row_bytes);
        auto* memory = static_cast<std::uint8_t*>(locked.lpSurface);
        const std::size_t total = c.fourcc == kFourCcYv12 ? static_cast<std::size_t>(pitch) * 6
                                                          : static_cast<std::size_t>(pitch) * 4;
        std::memset(memory, 0xEE, total);
        EXPECT_TRUE(WriteYuvSurfaceFrame(planes, c.fourcc, memory, pitch, 4, 4));
        ASSERT_EQ(surface->Unlock(nullptr), DD_OK);

        locked = DDSURFACEDESC2{};
        locked.dwSize = sizeof(locked);
        ASSERT_EQ(surface->Lock(nullptr, &locked, DDLOCK_READONLY, nullptr), DD_OK);
        memory = static_cast<std::uint8_t*>(locked.lpSurface);
        std::vector<std::uint8_t> want(total, 0xEE);
        for (std::size_t r = 0; r < c.rows.size(); ++r) {
            const std::size_t at = r < 4 ? r * pitch : 4 * pitch + (r - 4) * (pitch / 2);
            std::memcpy(want.data() + at, c.rows[r].data(), c.rows[r].size());
        }
        EXPECT_EQ(std::vector<std::uint8_t>(memory, memory + total), want);
        surface->Unlock(nullptr);
        surface->Release();
    }
}

}  // namespace
