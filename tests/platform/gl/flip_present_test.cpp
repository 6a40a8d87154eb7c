// Under a private X server, a picture drawn by the device into the back buffer of a
// flipping primary reaches the real window when the chain flips, drawn there through GL
// (not read back into the window's picture): the X server's screen, read back over a
// connection of the test's own (tests/support/x_windows.h), shows it.
#include <cstdlib>
#include <functional>
#include <string>

#include "platform/gdi.h"
#include "platform/kernel.h"
#include "platform/testing/display_testing.h"
#include "platform/testing/gl_testing.h"
#include "platform/window.h"
#include "tests/platform/gl/gl_fixture.h"
#include "tests/support/environment_kept.h"
#include "tests/support/temp_dir.h"
#include "tests/support/x_server.h"
#include "tests/support/x_windows.h"

namespace {

LRESULT PlainProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

// A private X server, and SDL's x11 video driver pointed at it, for the test's life.
struct PrivateXDisplay {
    XServer server;
    const EnvironmentKept display{"DISPLAY", server.display().c_str()};
    const EnvironmentKept driver{"SDL_VIDEODRIVER", "x11"};
};

// Starts COM, registers the window class `name` (PlainProc), opens a visible pop-up window
// of it at (x, y), width x height, and makes an initialized DirectDraw object.
void OpenWindowAndDirectDraw(const char* name, int x, int y, int width, int height, HWND* window,
                             IDirectDraw7** dd) {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = name;
    ASSERT_NE(RegisterClassExA(&wc), 0);
    *window = CreateWindowExA(0, name, name, WS_POPUP | WS_VISIBLE, x, y, width, height, nullptr, nullptr, wc.hInstance,
                              nullptr);
    ASSERT_NE(*window, nullptr);
    ASSERT_EQ(CoCreateInstance(CLSID_DirectDraw7, nullptr, CLSCTX_ALL, IID_IDirectDraw7, reinterpret_cast<void**>(dd)),
              S_OK);
    ASSERT_EQ((*dd)->Initialize(nullptr), DD_OK);
}

// The 3-D object of `dd`; false when there is none, after releasing `dd`, destroying the
// window and ending COM.
bool OpenDirect3D(IDirectDraw7* dd, HWND window, IDirect3D7** d3d) {
    if (SUCCEEDED(dd->QueryInterface(IID_IDirect3D7, reinterpret_cast<void**>(d3d)))) return true;
    dd->Release();
    DestroyWindow(window);
    CoUninitialize();
    return false;
}

// The pixels of each of two colours (0x00RRGGBB) on the screen of `display`, read over a
// connection of its own; false when the screen could not be read. Given `shown`, the
// screen is read again until the counts satisfy it or 10 s have passed: the server draws
// what the window's connection sent in its own time.
bool CountColours(const std::string& display, std::uint32_t first, std::uint32_t second, long* first_count,
                  long* second_count, const std::function<bool(long, long)>& shown = nullptr) {
    XConnection x(display);
    if (x.get() == nullptr) return false;
    bool read = false;
    WaitUntil(
        [&] {
            const WindowPixels screen = GrabWindow(x.get(), DefaultRootWindow(x.get()));
            read = screen.width > 0;
            *first_count = *second_count = 0;
            for (std::uint32_t pixel : screen.pixels) {
                if (pixel == first) ++*first_count;
                if (pixel == second) ++*second_count;
            }
            return shown == nullptr || (read && shown(*first_count, *second_count));
        },
        10000);
    return read;
}

TEST(FlipPresentTest, AFlipShowsTheBackBufferInTheRealWindow) {
    if (!ProgramExists("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
    const PrivateXDisplay x11;
    ASSERT_FALSE(x11.server.display().empty()) << "Xvfb did not start";
    HWND window = nullptr;
    IDirectDraw7* dd = nullptr;
    ASSERT_NO_FATAL_FAILURE(OpenWindowAndDirectDraw("flip", 0, 0, 640, 480, &window, &dd));
    ASSERT_EQ(dd->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    ASSERT_EQ(dd->SetDisplayMode(640, 480, 32, 0, 0), DD_OK);
    IDirect3D7* d3d = nullptr;
    if (!OpenDirect3D(dd, window, &d3d)) GTEST_SKIP() << "no OpenGL 3.3 core context on the X server";
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.dwBackBufferCount = 1;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE;
    IDirectDrawSurface7* primary = nullptr;
    ASSERT_EQ(dd->CreateSurface(&desc, &primary, nullptr), DD_OK);
    DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
    IDirectDrawSurface7* back = nullptr;
    ASSERT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
    back->GetCaps(&caps);
    EXPECT_NE(caps.dwCaps & DDSCAPS_VIDEOMEMORY, 0u);
    IDirect3DDevice7* device = nullptr;
    ASSERT_EQ(d3d->CreateDevice(IID_IDirect3DTnLHalDevice, back, &device), D3D_OK);
    device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    auto left = QuadVertices(-0.5f, -0.5f, 319.5f, 479.5f, 0xFFFF0000u);
    auto right = QuadVertices(319.5f, -0.5f, 639.5f, 479.5f, 0xFF00FF00u);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, kTexturedFvf, left.data(), 6, 0), D3D_OK);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, kTexturedFvf, right.data(), 6, 0), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);

    long red = 0;
    long green = 0;
    ASSERT_TRUE(CountColours(x11.server.display(), 0xFF0000u, 0x00FF00u, &red, &green)) << "the screen was not read";
    EXPECT_EQ(red + green, 0) << "the back buffer is not on the screen before the flip";
    const std::uint64_t presents = GlWindowPresents();
    PresentCapture capture;
    ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT | DDFLIP_NOVSYNC), DD_OK);
    // GL drew the flip into the window; with the frame capture on, the frame was also read
    // back into the window's picture and recorded: the left half red, the right half green.
    EXPECT_EQ(GlWindowPresents(), presents + 1);
    const auto frames = capture.Take();
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_EQ(frames[0].width, 640);
    ASSERT_EQ(frames[0].height, 480);
    for (int y : {0, 240, 479}) {
        for (int x : {0, 319, 320, 639}) {
            EXPECT_EQ(frames[0].pixels[static_cast<std::size_t>(y) * 640 + x], x < 320 ? 0xFF0000u : 0x00FF00u)
                << x << "," << y;
        }
    }
    ASSERT_TRUE(CountColours(x11.server.display(), 0xFF0000u, 0x00FF00u, &red, &green,
                             [](long r, long g) { return r >= 320L * 480 && g >= 320L * 480; }));
    // Both halves, each at least the size they were drawn (the window may scale them up).
    EXPECT_GE(red, 320L * 480);
    EXPECT_GE(green, 320L * 480);

    device->Release();
    back->Release();
    primary->Release();
    // With the primary gone the window's picture is shown through SDL again: a GDI fill
    // reaches the screen.
    HDC dc = GetDC(window);
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    RECT all{0, 0, 640, 480};
    ASSERT_EQ(FillRect(dc, &all, blue), 1);
    DeleteObject(blue);
    ReleaseDC(window, dc);
    long blue_count = 0;
    ASSERT_TRUE(CountColours(x11.server.display(), 0x0000FFu, 0x00FF00u, &blue_count, &green,
                             [](long b, long g) { return b >= 640L * 480 && g == 0; }));
    EXPECT_GE(blue_count, 640L * 480);
    EXPECT_EQ(green, 0);
    d3d->Release();
    dd->Release();
    DestroyWindow(window);
    UnregisterClassA("flip", GetModuleHandleA(nullptr));
    CoUninitialize();
}

// A primary in a window (no exclusive mode) shows the part of the screen under the
// window's client area, through GL as well, also what GDI drew through its device context.
TEST(FlipPresentTest, AWindowedPrimaryShowsThePartUnderTheClientArea) {
    if (!ProgramExists("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
    const PrivateXDisplay x11;
    ASSERT_FALSE(x11.server.display().empty()) << "Xvfb did not start";
    HWND window = nullptr;
    IDirectDraw7* dd = nullptr;
    ASSERT_NO_FATAL_FAILURE(OpenWindowAndDirectDraw("windowed", 100, 100, 200, 100, &window, &dd));
    ASSERT_EQ(dd->SetCooperativeLevel(window, DDSCL_NORMAL), DD_OK);
    IDirect3D7* d3d = nullptr;
    if (!OpenDirect3D(dd, window, &d3d)) GTEST_SKIP() << "no OpenGL 3.3 core context on the X server";
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_VIDEOMEMORY;
    IDirectDrawSurface7* primary = nullptr;
    ASSERT_EQ(dd->CreateSurface(&desc, &primary, nullptr), DD_OK);
    DDSCAPS2 caps{};
    primary->GetCaps(&caps);
    ASSERT_NE(caps.dwCaps & DDSCAPS_VIDEOMEMORY, 0u);
    IDirectDrawClipper* clipper = nullptr;
    ASSERT_EQ(dd->CreateClipper(0, &clipper, nullptr), DD_OK);
    ASSERT_EQ(clipper->SetHWnd(0, window), DD_OK);
    ASSERT_EQ(primary->SetClipper(clipper), DD_OK);
    DDPIXELFORMAT format{};
    format.dwSize = sizeof format;
    ASSERT_EQ(primary->GetPixelFormat(&format), DD_OK);

    const std::uint64_t presents = GlWindowPresents();
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = format.dwRBitMask;
    ASSERT_EQ(primary->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
    // Screen coordinates: the left half of the client area.
    RECT left{100, 100, 200, 200};
    fx.dwFillColor = format.dwGBitMask;
    ASSERT_EQ(primary->Blt(&left, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
    EXPECT_EQ(GlWindowPresents(), presents + 2);
    long red = 0;
    long green = 0;
    ASSERT_TRUE(CountColours(x11.server.display(), 0xFF0000u, 0x00FF00u, &red, &green,
                             [](long r, long g) { return r == 100L * 100 && g == 100L * 100; }));
    EXPECT_EQ(red, 100L * 100);
    EXPECT_EQ(green, 100L * 100);

    // GDI through the primary's device context (screen coordinates) shows once the context
    // is released; a context nothing was drawn into shows nothing again.
    HDC dc = nullptr;
    ASSERT_EQ(primary->GetDC(&dc), DD_OK);
    ASSERT_EQ(primary->ReleaseDC(dc), DD_OK);
    EXPECT_EQ(GlWindowPresents(), presents + 2);
    ASSERT_EQ(primary->GetDC(&dc), DD_OK);
    ASSERT_TRUE(FillThrough(dc, RECT{200, 100, 300, 200}, 0x0000FF));
    ASSERT_EQ(primary->ReleaseDC(dc), DD_OK);
    EXPECT_EQ(GlWindowPresents(), presents + 3);
    long blue_count = 0;
    ASSERT_TRUE(CountColours(x11.server.display(), 0x0000FFu, 0x00FF00u, &blue_count, &green,
                             [](long b, long g) { return b == 100L * 100 && g == 100L * 100; }));
    EXPECT_EQ(blue_count, 100L * 100);
    EXPECT_EQ(green, 100L * 100);

    primary->Release();
    clipper->Release();
    d3d->Release();
    dd->Release();
    DestroyWindow(window);
    UnregisterClassA("windowed", GetModuleHandleA(nullptr));
    CoUninitialize();
}

}  // namespace
