// Copies out of YUV surfaces: each FourCC's picture, written through its lock, converted
// on the GPU into textures of every format and into system memory, plain, stretched and
// shrunk, from a part of the picture, by Blt and BltFast, against the movie player's
// fixed-point conversion computed here; and copies refused for a source locked, lost or
// outside, and for a depth destination.
#include <cstring>
#include <functional>
#include <vector>

#include "platform/testing/display_testing.h"
#include "platform/testing/gl_testing.h"
#include "platform/testing/yuv_surface_testing.h"
#include "tests/platform/gl/gl_fixture.h"

namespace {

constexpr DWORD kYv12 = 0x32315659;
constexpr DWORD kYuy2 = 0x32595559;
constexpr DWORD kUyvy = 0x59565955;

constexpr int kWidth = 16;
constexpr int kHeight = 8;

// The movie player's table conversion: entries in units of 1/16384, each sum divided with
// truncation and clamped to 0..255.
int Clamp(int sum) {
    const int v = sum / 16384;
    return v < 0 ? 0 : v > 255 ? 255 : v;
}
std::uint32_t Reference(int y, int cb, int cr) {
    const int luma = 19070 * (y - 16);
    const int red = Clamp(luma + 26148 * (cr - 128));
    const int green = Clamp(luma + -6406 * (cb - 128) + (1705984 - 13320 * cr));
    const int blue = Clamp(luma + 33062 * (cb - 128));
    return static_cast<std::uint32_t>(red << 16 | green << 8 | blue);
}

// The synthetic frame: ramps that cross both ends of every channel. Chroma is given per
// pixel pair and row; YV12 keeps the sample of the pair's even row (its 2 x 2 block's).
int SampleY(int x, int y) { return (x * 16 + y * 37 + 5) % 256; }
int SampleCb(int pair, int row) { return (pair * 36 + row * 23 + 11) % 256; }
int SampleCr(int pair, int row) { return (255 - pair * 29 - row * 19 + 512) % 256; }

struct Picture {
    DWORD fourcc;
    // The colour of picture pixel (x, y) as 0x00RRGGBB.
    std::uint32_t Rgb(int x, int y) const {
        const int row = fourcc == kYv12 ? y & ~1 : y;
        return Reference(SampleY(x, y), SampleCb(x / 2, row), SampleCr(x / 2, row));
    }
};

// 0x00RRGGBB as the raw pixel of a format, each channel keeping its high bits; alpha bits
// set.
std::uint32_t Packed(int format, std::uint32_t rgb) {
    const std::uint32_t r = rgb >> 16 & 0xFF, g = rgb >> 8 & 0xFF, b = rgb & 0xFF;
    switch (format) {
        case kR5G6B5: return (r >> 3) << 11 | (g >> 2) << 5 | b >> 3;
        case kX1R5G5B5: return (r >> 3) << 10 | (g >> 3) << 5 | b >> 3;
        case kA1R5G5B5: return 0x8000u | (r >> 3) << 10 | (g >> 3) << 5 | b >> 3;
        case kA4R4G4B4: return 0xF000u | (r >> 4) << 8 | (g >> 4) << 4 | b >> 4;
        case kX8R8G8B8: return rgb;
        default: return 0xFF000000u | rgb;
    }
}

class YuvBltTest : public GlFixture {
protected:
    // Mesa's GL renders on the CPU, where the display offers no YUV surfaces of its own
    // accord: these tests take all three.
    AcceptYuvFourCCs offered_{kYv12, kYuy2, kUyvy};

    // A YUV surface holding the synthetic frame, written through its lock.
    IDirectDrawSurface7* Frame(DWORD fourcc) {
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
        desc.dwWidth = kWidth;
        desc.dwHeight = kHeight;
        desc.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
        desc.ddpfPixelFormat.dwFlags = DDPF_FOURCC;
        desc.ddpfPixelFormat.dwFourCC = fourcc;
        desc.ddsCaps.dwCaps = DDSCAPS_VIDEOMEMORY;
        IDirectDrawSurface7* surface = nullptr;
        EXPECT_EQ(dd_->CreateSurface(&desc, &surface, nullptr), DD_OK);
        if (surface == nullptr) return nullptr;
        owned_.push_back(surface);
        DDSURFACEDESC2 locked{};
        locked.dwSize = sizeof locked;
        EXPECT_EQ(surface->Lock(nullptr, &locked, DDLOCK_WRITEONLY | DDLOCK_WAIT, nullptr), DD_OK);
        auto* memory = static_cast<std::uint8_t*>(locked.lpSurface);
        const LONG p = locked.lPitch;
        for (int y = 0; y < kHeight; ++y) {
            for (int pair = 0; pair < kWidth / 2; ++pair) {
                const auto y0 = static_cast<std::uint8_t>(SampleY(2 * pair, y));
                const auto y1 = static_cast<std::uint8_t>(SampleY(2 * pair + 1, y));
                const auto cb = static_cast<std::uint8_t>(SampleCb(pair, y));
                const auto cr = static_cast<std::uint8_t>(SampleCr(pair, y));
                std::uint8_t* at = memory + y * p + pair * 4;
                if (fourcc == kYuy2) {
                    at[0] = y0, at[1] = cb, at[2] = y1, at[3] = cr;
                } else if (fourcc == kUyvy) {
                    at[0] = cb, at[1] = y0, at[2] = cr, at[3] = y1;
                } else {
                    memory[y * p + 2 * pair] = y0;
                    memory[y * p + 2 * pair + 1] = y1;
                    if (y % 2 == 0) {
                        // Cr plane after the Y rows, then the Cb plane, rows of p / 2.
                        memory[kHeight * p + (y / 2) * (p / 2) + pair] = cr;
                        memory[kHeight * p + (kHeight / 2) * (p / 2) + (y / 2) * (p / 2) + pair] = cb;
                    }
                }
            }
        }
        EXPECT_EQ(surface->Unlock(nullptr), DD_OK);
        return surface;
    }

    // Whether every pixel of `pixels` (a `width`-wide surface) inside `to` is the picture's
    // pixel sampled from `from` (the nearest sample of the pixel's centre) in `format`,
    // and every pixel outside is `outside`.
    static ::testing::AssertionResult Shows(const std::vector<std::uint32_t>& pixels, int width, int format,
                                           const Picture& picture, RECT from, RECT to, std::uint32_t outside) {
        const int height = static_cast<int>(pixels.size()) / width;
        const long long sw = from.right - from.left, sh = from.bottom - from.top;
        const long long dw = to.right - to.left, dh = to.bottom - to.top;
        int wrong = 0;
        ::testing::AssertionResult result = ::testing::AssertionSuccess();
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                std::uint32_t expected = outside;
                if (x >= to.left && x < to.right && y >= to.top && y < to.bottom) {
                    const int sx = static_cast<int>(from.left + (2 * (x - to.left) + 1) * sw / (2 * dw));
                    const int sy = static_cast<int>(from.top + (2 * (y - to.top) + 1) * sh / (2 * dh));
                    expected = Packed(format, picture.Rgb(sx, sy));
                }
                const std::uint32_t actual = pixels[static_cast<std::size_t>(y) * width + x];
                if (actual != expected && ++wrong <= 4) {
                    if (wrong == 1) result = ::testing::AssertionFailure();
                    result << std::hex << "(" << std::dec << x << ", " << y << "): expected 0x" << std::hex
                           << expected << ", got 0x" << actual << "; ";
                }
            }
        }
        if (wrong > 0) result << std::dec << wrong << " pixels differ";
        return result;
    }
};

TEST_F(YuvBltTest, TheConversionHasThePlayersValuesAtTheEndsOfTheRange) {
    // Grey (Cb = Cr = 128): Y 16 is black, 126 mid grey, 235 one short of white (every
    // division truncates), 255 white; then red, green and blue, and sums past both ends.
    struct Case {
        std::uint8_t y, cb, cr;
        std::uint32_t rgb;
    };
    const Case cases[] = {
        {16, 128, 128, 0x000000}, {126, 128, 128, 0x808080}, {235, 128, 128, 0xFEFEFE}, {255, 128, 128, 0xFFFFFF},
        {81, 90, 240, 0xFE0000},  {145, 54, 34, 0x00FF00},   {41, 240, 110, 0x0000FF}, {255, 0, 255, 0xFFE113},
    };
    IDirectDrawSurface7* yuv = nullptr;
    {
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
        desc.dwWidth = 16;
        desc.dwHeight = 1;
        desc.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
        desc.ddpfPixelFormat.dwFlags = DDPF_FOURCC;
        desc.ddpfPixelFormat.dwFourCC = kYuy2;
        desc.ddsCaps.dwCaps = DDSCAPS_VIDEOMEMORY;
        ASSERT_EQ(dd_->CreateSurface(&desc, &yuv, nullptr), DD_OK);
        owned_.push_back(yuv);
    }
    DDSURFACEDESC2 locked{};
    locked.dwSize = sizeof locked;
    ASSERT_EQ(yuv->Lock(nullptr, &locked, DDLOCK_WRITEONLY, nullptr), DD_OK);
    auto* at = static_cast<std::uint8_t*>(locked.lpSurface);
    for (const Case& c : cases) {
        at[0] = c.y, at[1] = c.cb, at[2] = c.y, at[3] = c.cr;
        at += 4;
    }
    ASSERT_EQ(yuv->Unlock(nullptr), DD_OK);
    IDirectDrawSurface7* target = Surface(16, 1, kX8R8G8B8);
    ASSERT_EQ(target->Blt(nullptr, yuv, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    const std::vector<std::uint32_t> pixels = ReadAll(target);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(pixels[2 * i], cases[i].rgb) << i;
        EXPECT_EQ(pixels[2 * i + 1], cases[i].rgb) << i;
        EXPECT_EQ(Reference(cases[i].y, cases[i].cb, cases[i].cr), cases[i].rgb) << i;
    }
}

TEST_F(YuvBltTest, EachFourCCConvertsIntoTexturesOfEveryFormat) {
    for (DWORD fourcc : {kYv12, kYuy2, kUyvy}) {
        IDirectDrawSurface7* yuv = Frame(fourcc);
        ASSERT_NE(yuv, nullptr);
        for (int format = 0; format < 6; ++format) {
            SCOPED_TRACE(::testing::Message() << std::hex << fourcc << std::dec << " format " << format);
            IDirectDrawSurface7* texture = Surface(kWidth, kHeight, format);
            ASSERT_EQ(texture->Blt(nullptr, yuv, nullptr, DDBLT_WAIT, nullptr), DD_OK);
            const RECT whole{0, 0, kWidth, kHeight};
            EXPECT_TRUE(Shows(ReadAll(texture), kWidth, format, Picture{fourcc}, whole, whole, 0));
        }
    }
}

TEST_F(YuvBltTest, StretchedShrunkAndPartialCopiesSampleTheNearestPixel) {
    struct Case {
        RECT from;
        RECT to;
    };
    const Case cases[] = {
        {{0, 0, 16, 8}, {3, 1, 35, 17}},   // twice the size, placed inside the target
        {{2, 2, 14, 8}, {0, 0, 40, 18}},   // a part, stretched unevenly
        {{0, 0, 16, 8}, {5, 6, 12, 11}},   // shrunk
        {{5, 3, 11, 6}, {10, 2, 16, 5}},   // a part at its own size, odd edges
    };
    constexpr std::uint32_t kBackground = 0x123456;
    for (DWORD fourcc : {kYv12, kYuy2, kUyvy}) {
        IDirectDrawSurface7* yuv = Frame(fourcc);
        ASSERT_NE(yuv, nullptr);
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message() << std::hex << fourcc << std::dec << " to " << c.to.left << ","
                                              << c.to.top << "," << c.to.right << "," << c.to.bottom);
            IDirectDrawSurface7* texture = Surface(40, 18, kX8R8G8B8);
            Fill(texture, kBackground);
            RECT from = c.from;
            RECT to = c.to;
            ASSERT_EQ(texture->Blt(&to, yuv, &from, DDBLT_WAIT, nullptr), DD_OK);
            EXPECT_TRUE(Shows(ReadAll(texture), 40, kX8R8G8B8, Picture{fourcc}, c.from, c.to, kBackground));
        }
    }
}

TEST_F(YuvBltTest, CopiesIntoSystemMemoryConvertAlike) {
    for (DWORD fourcc : {kYv12, kYuy2, kUyvy}) {
        IDirectDrawSurface7* yuv = Frame(fourcc);
        ASSERT_NE(yuv, nullptr);
        for (int format : {kR5G6B5, kX8R8G8B8}) {
            SCOPED_TRACE(::testing::Message() << std::hex << fourcc << std::dec << " format " << format);
            IDirectDrawSurface7* memory = SystemSurface(24, 12, format);
            RECT from{2, 0, 14, 8};
            RECT to{1, 2, 19, 11};
            ASSERT_EQ(memory->Blt(&to, yuv, &from, DDBLT_WAIT, nullptr), DD_OK);
            EXPECT_TRUE(Shows(ReadAll(memory), 24, format, Picture{fourcc}, from, to, 0));
            // BltFast: the part at its own size.
            IDirectDrawSurface7* fast = SystemSurface(24, 12, format);
            RECT part{4, 1, 12, 7};
            ASSERT_EQ(fast->BltFast(3, 5, yuv, &part, DDBLTFAST_WAIT), DD_OK);
            EXPECT_TRUE(Shows(ReadAll(fast), 24, format, Picture{fourcc}, part, RECT{3, 5, 11, 11}, 0));
        }
    }
    // BltFast into a texture as well.
    IDirectDrawSurface7* yuv = Frame(kYuy2);
    IDirectDrawSurface7* texture = Surface(20, 10, kR5G6B5);
    RECT part{0, 2, 16, 8};
    ASSERT_EQ(texture->BltFast(4, 1, yuv, &part, DDBLTFAST_WAIT), DD_OK);
    EXPECT_TRUE(Shows(ReadAll(texture), 20, kR5G6B5, Picture{kYuy2}, part, RECT{4, 1, 20, 7}, 0));
}

TEST_F(YuvBltTest, CopiesFromSourcesLockedLostOrOutsideAreRefused) {
    IDirectDrawSurface7* yuv = Frame(kYv12);
    ASSERT_NE(yuv, nullptr);
    IDirectDrawSurface7* texture = Surface(kWidth, kHeight, kX8R8G8B8);
    IDirectDrawSurface7* memory = SystemSurface(kWidth, kHeight, kX8R8G8B8);
    Fill(texture, 0x0000FF);
    const std::vector<std::function<HRESULT(RECT*)>> copies = {
        [&](RECT* from) { return texture->Blt(nullptr, yuv, from, DDBLT_WAIT, nullptr); },
        [&](RECT* from) { return texture->BltFast(0, 0, yuv, from, DDBLTFAST_WAIT); },
        [&](RECT* from) { return memory->Blt(nullptr, yuv, from, DDBLT_WAIT, nullptr); },
        [&](RECT* from) { return memory->BltFast(0, 0, yuv, from, DDBLTFAST_WAIT); },
    };
    RECT outside{8, 4, 18, 8};
    for (std::size_t i = 0; i < copies.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(copies[i](&outside), DDERR_INVALIDRECT);
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof desc;
        ASSERT_EQ(yuv->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
        EXPECT_EQ(copies[i](nullptr), DDERR_SURFACEBUSY);
        ASSERT_EQ(yuv->Unlock(nullptr), DD_OK);
    }
    EXPECT_EQ(ReadAll(texture), std::vector<std::uint32_t>(kWidth * kHeight, 0x0000FFu));
    EXPECT_EQ(ReadAll(memory), std::vector<std::uint32_t>(kWidth * kHeight, 0u));
    EXPECT_EQ(DepthSurface(kWidth, kHeight)->Blt(nullptr, yuv, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDPIXELFORMAT);

    LoseAllDirectDrawSurfaces();
    ASSERT_EQ(texture->Restore(), DD_OK);
    ASSERT_EQ(memory->Restore(), DD_OK);
    for (std::size_t i = 0; i < copies.size(); ++i) EXPECT_EQ(copies[i](nullptr), DDERR_SURFACELOST) << i;
    // Restored, the picture is empty (all samples zero) until written again.
    ASSERT_EQ(yuv->Restore(), DD_OK);
    ASSERT_EQ(texture->Blt(nullptr, yuv, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(ReadAll(texture), std::vector<std::uint32_t>(kWidth * kHeight, Reference(0, 0, 0)));
}

}  // namespace
