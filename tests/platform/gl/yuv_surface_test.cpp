// YUV FourCC surfaces in video memory: which requests make one (per FourCC, by the
// renderer, refused through the test hook, odd sizes, caps it cannot have), what GetSurfaceDesc and Lock
// report, that the whole layout's memory is the lock's and keeps what was written, lock
// rectangles, and lost surfaces.
#include <cstring>
#include <vector>

#include "platform/opengl/gl_context.h"
#include "platform/opengl/renderer_on_cpu.h"
#include "platform/testing/display_testing.h"
#include "platform/testing/gl_testing.h"
#include "platform/testing/yuv_surface_testing.h"
#include "tests/platform/gl/gl_fixture.h"

namespace {

constexpr DWORD kYv12 = 0x32315659;
constexpr DWORD kYuy2 = 0x32595559;
constexpr DWORD kUyvy = 0x59565955;

// The request the movie player makes: caps, height, width and pixel format; FourCC
// format; video memory.
DDSURFACEDESC2 YuvRequest(DWORD fourcc, int width, int height, DWORD caps = DDSCAPS_VIDEOMEMORY) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
    desc.dwWidth = static_cast<DWORD>(width);
    desc.dwHeight = static_cast<DWORD>(height);
    desc.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
    desc.ddpfPixelFormat.dwFlags = DDPF_FOURCC;
    desc.ddpfPixelFormat.dwFourCC = fourcc;
    desc.ddsCaps.dwCaps = caps;
    return desc;
}

// The bytes a picture of the layout takes at pitch `pitch`.
std::size_t LayoutBytes(DWORD fourcc, int height, LONG pitch) {
    const std::size_t rows = static_cast<std::size_t>(height) * static_cast<std::size_t>(pitch);
    return fourcc == kYv12 ? rows + rows / 2 : rows;
}

class YuvSurfaceTest : public GlFixture {
protected:
    // Mesa's GL renders on the CPU, where the display offers no YUV surfaces of its own
    // accord: these tests take all three.
    AcceptYuvFourCCs offered_{kYv12, kYuy2, kUyvy};

    IDirectDrawSurface7* Yuv(DWORD fourcc, int width, int height) {
        DDSURFACEDESC2 desc = YuvRequest(fourcc, width, height);
        IDirectDrawSurface7* surface = nullptr;
        EXPECT_EQ(dd_->CreateSurface(&desc, &surface, nullptr), DD_OK);
        if (surface != nullptr) owned_.push_back(surface);
        return surface;
    }
    HRESULT TryCreate(DDSURFACEDESC2 desc) {
        IDirectDrawSurface7* surface = nullptr;
        const HRESULT result = dd_->CreateSurface(&desc, &surface, nullptr);
        if (surface != nullptr) owned_.push_back(surface);
        EXPECT_EQ(surface != nullptr, result == DD_OK);
        return result;
    }
};

TEST_F(YuvSurfaceTest, EachFourCCMakesAVideoMemorySurfaceThatDescribesItsLayout) {
    struct Case {
        DWORD fourcc;
        DWORD bits;
        int min_pitch;  // bytes of one row of the 16-pixel-wide picture
    };
    for (const Case& c : {Case{kYv12, 12, 16}, Case{kYuy2, 16, 32}, Case{kUyvy, 16, 32}}) {
        SCOPED_TRACE(c.fourcc);
        IDirectDrawSurface7* surface = Yuv(c.fourcc, 16, 8);
        ASSERT_NE(surface, nullptr);
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof desc;
        ASSERT_EQ(surface->GetSurfaceDesc(&desc), DD_OK);
        EXPECT_EQ(desc.dwFlags & (DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT),
                  DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT);
        EXPECT_EQ(desc.dwWidth, 16u);
        EXPECT_EQ(desc.dwHeight, 8u);
        EXPECT_EQ(desc.ddpfPixelFormat.dwSize, sizeof(DDPIXELFORMAT));
        EXPECT_EQ(desc.ddpfPixelFormat.dwFlags, DDPF_FOURCC);
        EXPECT_EQ(desc.ddpfPixelFormat.dwFourCC, c.fourcc);
        EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, c.bits);
        EXPECT_EQ(desc.ddpfPixelFormat.dwRBitMask | desc.ddpfPixelFormat.dwGBitMask | desc.ddpfPixelFormat.dwBBitMask,
                  0u);
        EXPECT_NE(desc.ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY, 0u);
        EXPECT_EQ(desc.ddsCaps.dwCaps & DDSCAPS_SYSTEMMEMORY, 0u);
        // Rows are padded; the pitch splits into the chroma planes' halves and 4-byte groups.
        EXPECT_GT(desc.lPitch, c.min_pitch);
        EXPECT_EQ(desc.lPitch % 4, 0);
        DDPIXELFORMAT format{};
        ASSERT_EQ(surface->GetPixelFormat(&format), DD_OK);
        EXPECT_EQ(std::memcmp(&format, &desc.ddpfPixelFormat, sizeof format), 0);
        EXPECT_EQ(surface->IsLost(), DD_OK);
    }
}

TEST_F(YuvSurfaceTest, RequestsThatCannotBeYuvSurfacesAreRefused) {
    struct Case {
        DWORD fourcc;
        int width, height;
        DWORD caps;
        HRESULT expected;
    };
    const Case cases[] = {
        {MakeFourCC('I', '4', '2', '0'), 16, 8, DDSCAPS_VIDEOMEMORY, DDERR_INVALIDPIXELFORMAT},
        {0, 16, 8, DDSCAPS_VIDEOMEMORY, DDERR_INVALIDPIXELFORMAT},
        // A half pair of pixels (and in YV12 a half pair of rows) has no layout.
        {kYv12, 15, 8, DDSCAPS_VIDEOMEMORY, DDERR_INVALIDPARAMS},
        {kYv12, 16, 7, DDSCAPS_VIDEOMEMORY, DDERR_INVALIDPARAMS},
        {kYuy2, 15, 8, DDSCAPS_VIDEOMEMORY, DDERR_INVALIDPARAMS},
        {kUyvy, 17, 8, DDSCAPS_VIDEOMEMORY, DDERR_INVALIDPARAMS},
        // Not textures, 3-D targets nor system memory.
        {kYuy2, 16, 8, DDSCAPS_TEXTURE, DDERR_INVALIDPIXELFORMAT},
        {kYv12, 16, 8, DDSCAPS_VIDEOMEMORY | DDSCAPS_3DDEVICE, DDERR_INVALIDPIXELFORMAT},
        {kUyvy, 16, 8, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY, DDERR_INVALIDPIXELFORMAT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.fourcc << std::dec << " " << c.width << "x" << c.height);
        EXPECT_EQ(TryCreate(YuvRequest(c.fourcc, c.width, c.height, c.caps)), c.expected);
    }
    // An odd height is whole rows of pixel pairs in the packed layouts.
    EXPECT_EQ(TryCreate(YuvRequest(kYuy2, 16, 7)), DD_OK);
    EXPECT_EQ(TryCreate(YuvRequest(kUyvy, 16, 7, DDSCAPS_OFFSCREENPLAIN)), DD_OK);
}

TEST_F(YuvSurfaceTest, TheHookLimitsTheFourCCsTaken) {
    {
        AcceptYuvFourCCs only({kYuy2});
        EXPECT_EQ(TryCreate(YuvRequest(kYv12, 16, 8)), DDERR_INVALIDPIXELFORMAT);
        EXPECT_EQ(TryCreate(YuvRequest(kYuy2, 16, 8)), DD_OK);
        EXPECT_EQ(TryCreate(YuvRequest(kUyvy, 16, 8)), DDERR_INVALIDPIXELFORMAT);
    }
    {
        AcceptYuvFourCCs only({kUyvy, kYv12});
        EXPECT_EQ(TryCreate(YuvRequest(kYv12, 16, 8)), DD_OK);
        EXPECT_EQ(TryCreate(YuvRequest(kYuy2, 16, 8)), DDERR_INVALIDPIXELFORMAT);
        EXPECT_EQ(TryCreate(YuvRequest(kUyvy, 16, 8)), DD_OK);
    }
    for (DWORD fourcc : {kYv12, kYuy2, kUyvy}) EXPECT_EQ(TryCreate(YuvRequest(fourcc, 16, 8)), DD_OK) << fourcc;
}

// Without a test's list, the renderer decides: none where GL renders on the CPU (a
// shader conversion there costs more than the engine's RGB path), all three on a GPU.
class YuvSurfaceOfferTest : public GlFixture {
protected:
    void TearDown() override {
        // The renderer of the live context, as it was noted when it was made.
        gl_backend::NoteContextRenderer(reinterpret_cast<const char*>(gl_backend::gl.GetString(GL_RENDERER)));
        GlFixture::TearDown();
    }
    HRESULT TryCreate(DWORD fourcc) {
        DDSURFACEDESC2 desc = YuvRequest(fourcc, 16, 8);
        IDirectDrawSurface7* surface = nullptr;
        const HRESULT result = dd_->CreateSurface(&desc, &surface, nullptr);
        if (surface != nullptr) surface->Release();
        return result;
    }
};

TEST_F(YuvSurfaceOfferTest, OnlyAGpuRendererOffersYuvSurfaces) {
    struct Case {
        const char* renderer;
        HRESULT result;
    };
    const Case cases[] = {
        {"llvmpipe (LLVM 15.0.6, 256 bits)", DDERR_INVALIDPIXELFORMAT},
        {"softpipe", DDERR_INVALIDPIXELFORMAT},
        {"AMD Radeon RX 580 Series (polaris10, LLVM 15.0.6, DRM 3.49, 6.1.0-18-amd64)", DD_OK},
    };
    for (const Case& c : cases) {
        gl_backend::NoteContextRenderer(c.renderer);
        for (DWORD fourcc : {kYv12, kYuy2, kUyvy}) EXPECT_EQ(TryCreate(fourcc), c.result) << c.renderer << " " << fourcc;
    }
    // A test's list holds whatever the renderer.
    gl_backend::NoteContextRenderer(cases[0].renderer);
    AcceptYuvFourCCs only{kUyvy};
    EXPECT_EQ(TryCreate(kUyvy), DD_OK);
    EXPECT_EQ(TryCreate(kYv12), DDERR_INVALIDPIXELFORMAT);
}

TEST_F(YuvSurfaceTest, TheLockHandsOutTheWholeLayoutAndKeepsWhatWasWritten) {
    for (DWORD fourcc : {kYv12, kYuy2, kUyvy}) {
        SCOPED_TRACE(fourcc);
        IDirectDrawSurface7* surface = Yuv(fourcc, 16, 8);
        ASSERT_NE(surface, nullptr);
        DDSURFACEDESC2 described{};
        described.dwSize = sizeof described;
        ASSERT_EQ(surface->GetSurfaceDesc(&described), DD_OK);
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof desc;
        ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WRITEONLY, nullptr), DD_OK);
        ASSERT_NE(desc.lpSurface, nullptr);
        EXPECT_NE(desc.dwFlags & DDSD_LPSURFACE, 0u);
        EXPECT_EQ(desc.lPitch, described.lPitch);
        EXPECT_EQ(desc.ddpfPixelFormat.dwFourCC, fourcc);
        // Every byte of the layout (for YV12 the two chroma planes after the Y rows) is the
        // lock's: the sanitizer sees a write past it.
        const std::size_t bytes = LayoutBytes(fourcc, 8, desc.lPitch);
        std::vector<std::uint8_t> pattern(bytes);
        for (std::size_t i = 0; i < bytes; ++i) pattern[i] = static_cast<std::uint8_t>(i * 7 + 3);
        std::memcpy(desc.lpSurface, pattern.data(), bytes);
        EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WRITEONLY, nullptr), DDERR_SURFACEBUSY);
        ASSERT_EQ(surface->Unlock(nullptr), DD_OK);
        EXPECT_EQ(surface->Unlock(nullptr), DDERR_NOTLOCKED);

        DDSURFACEDESC2 again{};
        again.dwSize = sizeof again;
        ASSERT_EQ(surface->Lock(nullptr, &again, DDLOCK_READONLY | DDLOCK_WAIT, nullptr), DD_OK);
        EXPECT_EQ(std::memcmp(again.lpSurface, pattern.data(), bytes), 0);
        // A rectangle's lock points at its first Y byte, at the same pitch.
        auto* base = static_cast<std::uint8_t*>(again.lpSurface);
        ASSERT_EQ(surface->Unlock(nullptr), DD_OK);
        RECT part{4, 2, 10, 6};
        ASSERT_EQ(surface->Lock(&part, &again, DDLOCK_WAIT, nullptr), DD_OK);
        const int bytes_per_pixel = fourcc == kYv12 ? 1 : 2;
        EXPECT_EQ(static_cast<std::uint8_t*>(again.lpSurface), base + 2 * desc.lPitch + 4 * bytes_per_pixel);
        EXPECT_EQ(again.lPitch, desc.lPitch);
        ASSERT_EQ(surface->Unlock(&part), DD_OK);
    }
}

TEST_F(YuvSurfaceTest, LockRectanglesCoverWholePixelPairs) {
    struct Case {
        DWORD fourcc;
        RECT rect;
        HRESULT expected;
    };
    const Case cases[] = {
        {kYuy2, {1, 0, 4, 2}, DDERR_INVALIDRECT}, {kYuy2, {0, 0, 3, 2}, DDERR_INVALIDRECT},
        {kYuy2, {2, 1, 4, 3}, DD_OK},             {kUyvy, {3, 0, 5, 2}, DDERR_INVALIDRECT},
        {kUyvy, {2, 3, 6, 5}, DD_OK},             {kYv12, {2, 1, 4, 3}, DDERR_INVALIDRECT},
        {kYv12, {2, 2, 4, 5}, DDERR_INVALIDRECT}, {kYv12, {2, 2, 4, 4}, DD_OK},
        {kYv12, {0, 0, 18, 4}, DDERR_INVALIDRECT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.fourcc << std::dec << " " << c.rect.left << ","
                                          << c.rect.top << "," << c.rect.right << "," << c.rect.bottom);
        IDirectDrawSurface7* surface = Yuv(c.fourcc, 16, 8);
        ASSERT_NE(surface, nullptr);
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof desc;
        RECT rect = c.rect;
        EXPECT_EQ(surface->Lock(&rect, &desc, DDLOCK_WAIT, nullptr), c.expected);
        EXPECT_EQ(desc.lpSurface != nullptr, c.expected == DD_OK);
        if (c.expected == DD_OK) {
            EXPECT_EQ(surface->Unlock(&rect), DD_OK);
        }
    }
}

TEST_F(YuvSurfaceTest, LostSurfacesRefuseLocksUntilRestoredAndComeBackEmpty) {
    IDirectDrawSurface7* surfaces[2] = {Yuv(kYv12, 16, 8), Yuv(kYuy2, 16, 8)};
    for (IDirectDrawSurface7* surface : surfaces) {
        ASSERT_NE(surface, nullptr);
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof desc;
        ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WRITEONLY, nullptr), DD_OK);
        std::memset(desc.lpSurface, 0x5A, static_cast<std::size_t>(desc.lPitch) * 8);
        ASSERT_EQ(surface->Unlock(nullptr), DD_OK);
    }
    // A display change makes every surface lost; so does a lost GL context.
    for (int way = 0; way < 2; ++way) {
        SCOPED_TRACE(way);
        if (way == 0) {
            LoseAllDirectDrawSurfaces();
        } else {
            LoseGlContext();
        }
        for (IDirectDrawSurface7* surface : surfaces) {
            EXPECT_EQ(surface->IsLost(), DDERR_SURFACELOST);
            DDSURFACEDESC2 desc{};
            desc.dwSize = sizeof desc;
            EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WRITEONLY, nullptr), DDERR_SURFACELOST);
            EXPECT_EQ(desc.lpSurface, nullptr);
            ASSERT_EQ(surface->Restore(), DD_OK);
            EXPECT_EQ(surface->IsLost(), DD_OK);
            ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_READONLY, nullptr), DD_OK);
            const auto* bytes = static_cast<const std::uint8_t*>(desc.lpSurface);
            EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + desc.lPitch * 8),
                      std::vector<std::uint8_t>(static_cast<std::size_t>(desc.lPitch) * 8, 0));
            ASSERT_EQ(surface->Unlock(nullptr), DD_OK);
        }
    }
}

TEST_F(YuvSurfaceTest, TheLockFailureHookFailsYuvLocksToo) {
    IDirectDrawSurface7* surface = Yuv(kYv12, 16, 8);
    ASSERT_NE(surface, nullptr);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    {
        FailSurfaceLocks fail(1);
        ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WRITEONLY, nullptr), DD_OK);
        ASSERT_EQ(surface->Unlock(nullptr), DD_OK);
        for (int attempt = 0; attempt < 3; ++attempt) {
            EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WRITEONLY, nullptr), DDERR_SURFACEBUSY);
            EXPECT_EQ(desc.lpSurface, nullptr);
        }
        EXPECT_EQ(surface->Unlock(nullptr), DDERR_NOTLOCKED);
    }
    ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WRITEONLY, nullptr), DD_OK);
    EXPECT_NE(desc.lpSurface, nullptr);
    EXPECT_EQ(surface->Unlock(nullptr), DD_OK);
}

TEST_F(YuvSurfaceTest, YuvSurfacesTakeNoCopiesDeviceContextsOrAttachments) {
    IDirectDrawSurface7* surface = Yuv(kYuy2, 16, 8);
    IDirectDrawSurface7* other = Yuv(kYuy2, 16, 8);
    ASSERT_NE(surface, nullptr);
    HDC dc = nullptr;
    EXPECT_EQ(surface->GetDC(&dc), DDERR_CANTCREATEDC);
    EXPECT_EQ(dc, nullptr);
    EXPECT_EQ(surface->Blt(nullptr, other, nullptr, DDBLT_WAIT, nullptr), DDERR_UNSUPPORTED);
    EXPECT_EQ(surface->BltFast(0, 0, other, nullptr, DDBLTFAST_WAIT), DDERR_UNSUPPORTED);
    EXPECT_EQ(surface->AddAttachedSurface(DepthSurface(16, 8)), DDERR_INVALIDPARAMS);
    EXPECT_EQ(surface->Flip(nullptr, DDFLIP_WAIT), DDERR_NOTFLIPPABLE);
}

}  // namespace
