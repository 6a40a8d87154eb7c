// Device contexts on video-memory surfaces: GDI reads the surface's pixels through one and
// what it draws reaches the surface once the context is released, in 16- and 32-bit
// formats; one context at a time, none on a depth surface, release errors, and a context
// whose surface was lost meanwhile writes nothing (not even into a texture of the new
// GL context).
#include <cstdint>
#include <vector>

#include "platform/gdi.h"
#include "platform/testing/gl_testing.h"
#include "tests/platform/gl/gl_fixture.h"

namespace {

class VideoSurfaceDcTest : public GlFixture {
protected:
    void TearDown() override {
        for (HDC dc : memory_dcs_) DeleteDC(dc);
        for (HBITMAP bitmap : sections_) DeleteObject(bitmap);
        GlFixture::TearDown();
    }

    // A memory device context holding a top-down 32-bit section of `width` x `height`;
    // `bits` gets its pixels (0x00RRGGBB, rows `width` apart).
    HDC Section(int width, int height, std::uint32_t** bits) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* pixels = nullptr;
        HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
        EXPECT_NE(section, nullptr);
        HDC dc = CreateCompatibleDC(nullptr);
        SelectObject(dc, section);
        sections_.push_back(section);
        memory_dcs_.push_back(dc);
        *bits = static_cast<std::uint32_t*>(pixels);
        return dc;
    }

    std::vector<HDC> memory_dcs_;
    std::vector<HBITMAP> sections_;
};

TEST_F(VideoSurfaceDcTest, GdiReadsAndDrawsThePixelsOfTheSurface) {
    // Raw pixels of pure blue, red, green and white; GDI leaves alpha bits 0, as it does
    // on a system-memory surface.
    struct Case {
        int format;
        std::uint32_t blue, red, green, white;
    };
    const Case cases[] = {
        {kR5G6B5, 0x001F, 0xF800, 0x07E0, 0xFFFF},
        {kX1R5G5B5, 0x001F, 0x7C00, 0x03E0, 0x7FFF},
        {kX8R8G8B8, 0x0000FF, 0xFF0000, 0x00FF00, 0xFFFFFF},
        {kA8R8G8B8, 0x0000FF, 0xFF0000, 0x00FF00, 0xFFFFFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        IDirectDrawSurface7* surface = Surface(8, 4, c.format);
        Fill(surface, c.blue);
        HDC dc = nullptr;
        ASSERT_EQ(surface->GetDC(&dc), DD_OK);
        ASSERT_NE(dc, nullptr);

        // The context shows the surface as it is.
        std::uint32_t* copy = nullptr;
        HDC copy_dc = Section(8, 4, &copy);
        ASSERT_TRUE(BitBlt(copy_dc, 0, 0, 8, 4, dc, 0, 0, SRCCOPY));
        EXPECT_EQ(std::vector<std::uint32_t>(copy, copy + 32), std::vector<std::uint32_t>(32, 0x0000FFu));

        // A stretched fill and a copy from a memory context.
        EXPECT_TRUE(FillThrough(dc, RECT{2, 1, 6, 3}, 0xFF0000));
        std::uint32_t* source = nullptr;
        HDC source_dc = Section(2, 1, &source);
        source[0] = 0x00FF00;
        source[1] = 0xFFFFFF;
        EXPECT_TRUE(BitBlt(dc, 6, 3, 2, 1, source_dc, 0, 0, SRCCOPY));
        EXPECT_EQ(surface->ReleaseDC(dc), DD_OK);

        std::vector<std::uint32_t> expected(32, c.blue);
        for (int y = 1; y < 3; ++y) {
            for (int x = 2; x < 6; ++x) expected[y * 8 + x] = c.red;
        }
        expected[3 * 8 + 6] = c.green;
        expected[3 * 8 + 7] = c.white;
        EXPECT_EQ(ReadAll(surface), expected);
    }
}

TEST_F(VideoSurfaceDcTest, OneContextAtATimeAndReleaseTakesOnlyIt) {
    IDirectDrawSurface7* surface = Surface(4, 4, kX8R8G8B8);
    IDirectDrawSurface7* other = Surface(4, 4, kX8R8G8B8);
    Fill(surface, 0x102030);
    EXPECT_EQ(surface->GetDC(nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(surface->ReleaseDC(nullptr), DDERR_NODC);
    HDC dc = nullptr;
    HDC other_dc = nullptr;
    ASSERT_EQ(surface->GetDC(&dc), DD_OK);
    ASSERT_EQ(other->GetDC(&other_dc), DD_OK);

    // While the context is out the surface is busy, as a locked one is.
    HDC second = reinterpret_cast<HDC>(1);
    EXPECT_EQ(surface->GetDC(&second), DDERR_SURFACEBUSY);
    EXPECT_EQ(second, nullptr);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
    EXPECT_EQ(desc.lpSurface, nullptr);
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    EXPECT_EQ(surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx), DDERR_SURFACEBUSY);

    // Another surface's context is not this one's.
    EXPECT_EQ(surface->ReleaseDC(other_dc), DDERR_NODC);
    EXPECT_EQ(other->ReleaseDC(other_dc), DD_OK);
    EXPECT_EQ(surface->ReleaseDC(dc), DD_OK);
    EXPECT_EQ(surface->ReleaseDC(dc), DDERR_NODC);
    // A context only read from leaves the surface as it was.
    EXPECT_EQ(ReadAll(surface), std::vector<std::uint32_t>(16, 0x102030u));
}

TEST_F(VideoSurfaceDcTest, ADepthSurfaceGivesNoContext) {
    IDirectDrawSurface7* depth = DepthSurface(4, 4);
    HDC dc = reinterpret_cast<HDC>(1);
    EXPECT_EQ(depth->GetDC(&dc), DDERR_CANTCREATEDC);
    EXPECT_EQ(dc, nullptr);
    EXPECT_EQ(depth->ReleaseDC(dc), DDERR_NODC);
}

TEST_F(VideoSurfaceDcTest, AContextWhoseSurfaceWasLostWritesNothing) {
    IDirectDrawSurface7* surface = Surface(4, 4, kX8R8G8B8);
    IDirectDrawSurface7* other = Surface(4, 4, kX8R8G8B8);
    HDC dc = nullptr;
    ASSERT_EQ(surface->GetDC(&dc), DD_OK);
    EXPECT_TRUE(FillThrough(dc, RECT{0, 0, 4, 4}, 0xFF0000));
    LoseGlContext();
    // GDI can no longer reach the pixels; the surface keeps its context until released.
    EXPECT_FALSE(FillThrough(dc, RECT{0, 0, 2, 2}, 0x00FF00));
    EXPECT_EQ(surface->Restore(), DDERR_SURFACEBUSY);
    // The other surface's restore makes a new GL context, whose textures may reuse the
    // lost ones' names: the drawing must land in none of them.
    ASSERT_EQ(other->Restore(), DD_OK);
    EXPECT_EQ(surface->ReleaseDC(dc), DDERR_SURFACELOST);
    EXPECT_EQ(surface->ReleaseDC(dc), DDERR_NODC);
    HDC again = reinterpret_cast<HDC>(1);
    EXPECT_EQ(surface->GetDC(&again), DDERR_SURFACELOST);
    EXPECT_EQ(again, nullptr);
    ASSERT_EQ(surface->Restore(), DD_OK);
    EXPECT_EQ(ReadAll(surface), std::vector<std::uint32_t>(16, 0u));
    EXPECT_EQ(ReadAll(other), std::vector<std::uint32_t>(16, 0u));
    // A context of the restored surface works again.
    ASSERT_EQ(surface->GetDC(&again), DD_OK);
    EXPECT_TRUE(FillThrough(again, RECT{1, 1, 2, 2}, 0x0000FF));
    EXPECT_EQ(surface->ReleaseDC(again), DD_OK);
    EXPECT_EQ(Read(surface, RECT{1, 1, 2, 2}), std::vector<std::uint32_t>{0x0000FFu});
}

}  // namespace
