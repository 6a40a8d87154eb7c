// The shared fixture of the 3-D stand-in's tests; the program's set-up for GL
// (tests/support/gl_test_program.h).
#include "tests/platform/gl/gl_fixture.h"

#include <cstdlib>
#include <cstring>

#include "tests/support/gl_test_program.h"

namespace {

constexpr DWORD kMasks[6][4] = {
    {0xF800, 0x07E0, 0x001F, 0},          {0x7C00, 0x03E0, 0x001F, 0},
    {0x7C00, 0x03E0, 0x001F, 0x8000},     {0x0F00, 0x00F0, 0x000F, 0xF000},
    {0xFF0000, 0xFF00, 0xFF, 0},          {0xFF0000, 0xFF00, 0xFF, 0xFF000000u},
};

int Shift(std::uint32_t mask) {
    int s = 0;
    while (mask != 0 && (mask & 1u) == 0) {
        mask >>= 1;
        ++s;
    }
    return s;
}

int Width(std::uint32_t mask) {
    int w = 0;
    for (mask >>= Shift(mask); mask != 0; mask >>= 1) ++w;
    return w;
}

}  // namespace

DDPIXELFORMAT FormatOf(int index) {
    DDPIXELFORMAT f{};
    f.dwSize = sizeof f;
    f.dwFlags = DDPF_RGB | (kMasks[index][3] != 0 ? DDPF_ALPHAPIXELS : 0u);
    f.dwRGBBitCount = index >= kX8R8G8B8 ? 32 : 16;
    f.dwRBitMask = kMasks[index][0];
    f.dwGBitMask = kMasks[index][1];
    f.dwBBitMask = kMasks[index][2];
    f.dwRGBAlphaBitMask = kMasks[index][3];
    return f;
}

std::uint32_t RawToArgb(int index, std::uint32_t raw) {
    std::uint32_t argb = 0;
    const int order[4] = {16, 8, 0, 24};
    for (int c = 0; c < 4; ++c) {
        const std::uint32_t mask = kMasks[index][c];
        std::uint32_t value = 255;
        if (mask != 0) {
            const int width = Width(mask);
            const std::uint32_t v = (raw & mask) >> Shift(mask);
            value = 0;
            int bits = 0;
            for (; bits < 8; bits += width) value = (value << width) | v;
            value >>= bits - 8;
        }
        argb |= (value & 0xFF) << order[c];
    }
    return argb;
}

std::uint32_t ArgbToRaw(int index, std::uint32_t argb) {
    const int order[4] = {16, 8, 0, 24};
    std::uint32_t raw = 0;
    for (int c = 0; c < 4; ++c) {
        const std::uint32_t mask = kMasks[index][c];
        if (mask == 0) continue;
        const std::uint32_t max = mask >> Shift(mask);
        const std::uint32_t v = (argb >> order[c]) & 0xFF;
        raw |= ((v * max + 127) / 255) << Shift(mask);
    }
    return raw;
}

::testing::AssertionResult ArgbNear(std::uint32_t expected, std::uint32_t actual, int tolerance, bool with_alpha) {
    for (int shift : {0, 8, 16, 24}) {
        if (shift == 24 && !with_alpha) continue;
        const int e = static_cast<int>((expected >> shift) & 0xFF);
        const int a = static_cast<int>((actual >> shift) & 0xFF);
        if (std::abs(e - a) > tolerance) {
            return ::testing::AssertionFailure() << std::hex << "expected 0x" << expected << ", got 0x" << actual;
        }
    }
    return ::testing::AssertionSuccess();
}

std::vector<TexturedVertex> QuadVertices(float x0, float y0, float x1, float y1, std::uint32_t diffuse, float z) {
    const TexturedVertex tl{x0, y0, z, 1.0f, diffuse, 0.0f, 0.0f};
    const TexturedVertex tr{x1, y0, z, 1.0f, diffuse, 1.0f, 0.0f};
    const TexturedVertex bl{x0, y1, z, 1.0f, diffuse, 0.0f, 1.0f};
    const TexturedVertex br{x1, y1, z, 1.0f, diffuse, 1.0f, 1.0f};
    return {tl, tr, bl, br, bl, tr};
}

void GlFixture::SetUp() {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    ASSERT_EQ(CoCreateInstance(CLSID_DirectDraw7, nullptr, CLSCTX_ALL, IID_IDirectDraw7,
                               reinterpret_cast<void**>(&dd_)),
              S_OK);
    ASSERT_EQ(dd_->Initialize(nullptr), DD_OK);
    ASSERT_EQ(dd_->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
    if (FAILED(dd_->QueryInterface(IID_IDirect3D7, reinterpret_cast<void**>(&d3d_)))) {
        d3d_ = nullptr;
        GTEST_SKIP() << "no OpenGL 3.3 core context can be made here (SDL video driver "
                     << (std::getenv("SDL_VIDEODRIVER") ? std::getenv("SDL_VIDEODRIVER") : "default")
                     << "); the 3-D stand-in is not tested";
    }
}

void GlFixture::TearDown() {
    for (auto it = owned_.rbegin(); it != owned_.rend(); ++it) (*it)->Release();
    owned_.clear();
    if (d3d_ != nullptr) d3d_->Release();
    if (dd_ != nullptr) dd_->Release();
    CoUninitialize();
}

IDirectDrawSurface7* GlFixture::Surface(int width, int height, int format_index, DWORD caps) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    desc.dwWidth = static_cast<DWORD>(width);
    desc.dwHeight = static_cast<DWORD>(height);
    desc.ddsCaps.dwCaps = caps;
    desc.ddpfPixelFormat = FormatOf(format_index);
    IDirectDrawSurface7* surface = nullptr;
    EXPECT_EQ(dd_->CreateSurface(&desc, &surface, nullptr), DD_OK);
    if (surface != nullptr) owned_.push_back(surface);
    return surface;
}

IDirectDrawSurface7* GlFixture::SystemSurface(int width, int height, int format_index) {
    return Surface(width, height, format_index, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY);
}

IDirectDrawSurface7* GlFixture::DepthSurface(int width, int height) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    desc.dwWidth = static_cast<DWORD>(width);
    desc.dwHeight = static_cast<DWORD>(height);
    desc.ddsCaps.dwCaps = DDSCAPS_ZBUFFER | DDSCAPS_VIDEOMEMORY;
    desc.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
    desc.ddpfPixelFormat.dwFlags = DDPF_ZBUFFER;
    desc.ddpfPixelFormat.dwZBufferBitDepth = 16;
    desc.ddpfPixelFormat.dwZBitMask = 0xFFFF;
    IDirectDrawSurface7* surface = nullptr;
    EXPECT_EQ(dd_->CreateSurface(&desc, &surface, nullptr), DD_OK);
    if (surface != nullptr) owned_.push_back(surface);
    return surface;
}

IDirect3DDevice7* GlFixture::Device(IDirectDrawSurface7* target) {
    IDirect3DDevice7* device = nullptr;
    EXPECT_EQ(d3d_->CreateDevice(IID_IDirect3DTnLHalDevice, target, &device), D3D_OK);
    if (device != nullptr) owned_.push_back(device);
    return device;
}

std::vector<std::uint32_t> GlFixture::Read(IDirectDrawSurface7* surface, RECT rect) {
    std::vector<std::uint32_t> pixels;
    DDSURFACEDESC2 locked{};
    locked.dwSize = sizeof locked;
    EXPECT_EQ(surface->Lock(&rect, &locked, DDLOCK_WAIT | DDLOCK_READONLY, nullptr), DD_OK);
    if (locked.lpSurface == nullptr) return pixels;
    const int bytes = static_cast<int>(locked.ddpfPixelFormat.dwRGBBitCount / 8);
    for (LONG y = 0; y < rect.bottom - rect.top; ++y) {
        const auto* row = static_cast<const std::uint8_t*>(locked.lpSurface) + y * locked.lPitch;
        for (LONG x = 0; x < rect.right - rect.left; ++x) {
            std::uint32_t value = 0;
            std::memcpy(&value, row + x * bytes, static_cast<std::size_t>(bytes));
            pixels.push_back(value);
        }
    }
    surface->Unlock(&rect);
    return pixels;
}

std::vector<std::uint32_t> GlFixture::ReadAll(IDirectDrawSurface7* surface) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    surface->GetSurfaceDesc(&desc);
    return Read(surface, RECT{0, 0, static_cast<LONG>(desc.dwWidth), static_cast<LONG>(desc.dwHeight)});
}

void GlFixture::Write(IDirectDrawSurface7* surface, RECT rect, const std::vector<std::uint32_t>& pixels) {
    DDSURFACEDESC2 locked{};
    locked.dwSize = sizeof locked;
    ASSERT_EQ(surface->Lock(&rect, &locked, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr), DD_OK);
    const int bytes = static_cast<int>(locked.ddpfPixelFormat.dwRGBBitCount / 8);
    std::size_t i = 0;
    for (LONG y = 0; y < rect.bottom - rect.top; ++y) {
        auto* row = static_cast<std::uint8_t*>(locked.lpSurface) + y * locked.lPitch;
        for (LONG x = 0; x < rect.right - rect.left; ++x) {
            std::memcpy(row + x * bytes, &pixels[i++], static_cast<std::size_t>(bytes));
        }
    }
    ASSERT_EQ(surface->Unlock(&rect), DD_OK);
}

void GlFixture::Fill(IDirectDrawSurface7* surface, std::uint32_t raw) {
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = raw;
    ASSERT_EQ(surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
}

// One 32-bit pixel of `rgb` stretched over a rectangle of the device context.
BOOL FillThrough(HDC dc, RECT rect, std::uint32_t rgb) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 1;
    info.bmiHeader.biHeight = 1;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return StretchDIBits(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, 0, 0, 1, 1, &rgb,
                         &info, DIB_RGB_COLORS, SRCCOPY) != 0;
}
