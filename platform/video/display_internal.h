// Shared pieces of the display stand-in (platform/video/ and the SDL presenter): pixel
// layouts read from DirectDraw formats, the display-mode record, the virtual vertical
// blank, the window picture that GDI calls and the primary surface draw into, and the
// device contexts of surfaces and memory bitmaps. Only platform code includes it.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/ddraw.h"

namespace display {

// ---- pixels ---------------------------------------------------------------------------
// A view of pixels in memory: rows `pitch` bytes apart, top row first.
struct PixelView {
    std::uint8_t* pixels = nullptr;
    int pitch = 0;
    int width = 0;
    int height = 0;
    int bytes_per_pixel = 0;  // 1 (palette index), 2, 3 or 4
    std::uint32_t red_mask = 0;
    std::uint32_t green_mask = 0;
    std::uint32_t blue_mask = 0;
    const PALETTEENTRY* palette = nullptr;  // 256 entries for 1-byte pixels, or null (grey)
};
// A view of `width` x `height` pixels of 32 bits, 0x00RRGGBB, in rows of `width` x 4 bytes.
PixelView XrgbPixelView(std::uint8_t* pixels, int width, int height);

// The pixel at (x, y) as 0x00RRGGBB; narrower channels are widened by repeating their
// high bits (so 5-bit 31 becomes 255).
std::uint32_t ReadPixelRgb(const PixelView& view, int x, int y);
// 0x00RRGGBB narrowed into the view's layout (high bits kept); unused bits 0.
std::uint32_t PackPixelRgb(const PixelView& view, std::uint32_t rgb);
std::uint32_t ReadRaw(const std::uint8_t* at, int bytes_per_pixel);
void WriteRaw(std::uint8_t* at, int bytes_per_pixel, std::uint32_t value);

// Copies `source_rect` of `source` into `destination_rect` of `destination`, scaling
// nearest-neighbour (a negative size on either side mirrors) and converting through
// 0x00RRGGBB unless both layouts are the same; cut to both views. Overlap-safe.
void StretchCopy(const PixelView& destination, const RECT& destination_rect, const PixelView& source,
                 const RECT& source_rect);

// ---- display mode -----------------------------------------------------------------------
struct DisplayMode {
    int width;
    int height;
    int bits;
    int refresh;
};
// The desktop's depth and the display's one refresh rate (0 in a mode asks for the default).
constexpr int kDesktopBits = 32;
constexpr int kRefreshHz = 60;
// The desktop size when the window system reports none.
constexpr int kFallbackDesktopWidth = 1024;
constexpr int kFallbackDesktopHeight = 768;
// Whether the display can run the mode (the table of modes, 0 or 60 Hz, 8/16/32 bits,
// minus what a test refuses).
bool IsModeSupported(int width, int height, int bits, int refresh);
// The desktop mode (32 bits) or the program's mode while one is set.
DisplayMode CurrentMode();
// Records the mode and posts WM_DISPLAYCHANGE to `notify` when it changes.
void SetProgramMode(const DisplayMode& mode, HWND notify);
void RestoreDesktopMode(HWND notify);
DisplayMode DesktopMode();
// The pixel format of a depth.
DDPIXELFORMAT FormatForBits(int bits);

// The window that hears WM_DISPLAYCHANGE: the last one given a cooperative level.
void SetDisplayNotifyWindow(HWND window);
HWND DisplayNotifyWindow();

// Test switches, set through platform/display_hooks.h (platform/video/display_test_hooks.cpp)
// and the guards of platform/testing/display_testing.h.
void SetRefusedModes(const std::vector<DisplayMode>& modes, bool refuse_all_but_default);
// Test hook: 16-bit modes are X1R5G5B5 instead of R5G6B5 while on.
void SetSixteenBitAs555(bool on);
// Test hook: after `successes` more successful surface locks every lock fails with
// DDERR_SURFACEBUSY; -1 lets every lock through again.
void SetLockFailureAfter(int successes);
// For surfaces of other kinds that obey it: whether it fails a lock now, and counting a
// successful lock.
bool LockRefusedByHook();
void CountLockForHook();
// Test hook: while on, surfaces asked for in video memory or for the 3-D device are made
// and report DDSCAPS_VIDEOMEMORY.
void SetVideoMemory(bool on);
bool HasVideoMemory();

// ---- vertical blank ---------------------------------------------------------------------
constexpr std::uint64_t kFrameNanoseconds = 16666667;  // 60 Hz
constexpr std::uint64_t kBlankNanoseconds = 1400000;   // the blank opens each frame
// Time of the platform clock (the manual clock in tests) in nanoseconds. A poll of the
// raster costs a little time, so polls on the manual clock advance it by 0.1 ms.
std::uint64_t NowNanoseconds();
bool InVerticalBlank(bool poll);
// -1 during the blank, else the line being scanned.
int ScanLine(bool poll);
// Waits until the next blank begins (or ends).
void WaitForBlankBegin();
void WaitForBlankEnd();
void WaitUntil(std::uint64_t nanoseconds);

// ---- window picture (platform/sdl/window_presenter.cpp) -------------------------------
// Each window has a picture of its client area; GDI output and the primary surface draw
// into it and show it. False when the window does not exist.
bool DrawIntoWindowPicture(HWND window, const RECT& destination_rect, const PixelView& source,
                           const RECT& source_rect);
// Shows the picture in the window and records it for the frame capture.
void ShowWindowPicture(HWND window);
// Whether the tests' frame capture is on: a picture shown another way (through GL) is
// then read back into the window's picture and recorded as well.
bool IsPresentCaptureOn();
// Reads `source_rect` of the picture (client coordinates) into the view.
bool ReadWindowPicture(HWND window, const PixelView& destination, const RECT& destination_rect,
                       const RECT& source_rect);

// ---- device contexts over pixels (platform/sdl/gdi_present.cpp) -----------------------
// Something a device context draws into: a surface or a memory bitmap.
class PixelTarget {
public:
    // The pixels now (a flip may move them); false when unavailable.
    virtual bool Pixels(PixelView* view) = 0;
    // Called after GDI wrote the rectangle.
    virtual void Changed(const RECT& rect) = 0;

protected:
    ~PixelTarget() = default;
};
HDC CreatePixelTargetDC(PixelTarget* target);
void DeletePixelTargetDC(HDC dc);

// ---- object registry (for the lost-surface test hook) ----------------------------------
void MakeAllSurfacesLost();

// ---- the DirectDraw object as the 3-D stand-in's surfaces see it (platform/opengl/) ----
// The window of the object's cooperative level, and whether that level is exclusive.
HWND DirectDrawWindow(IDirectDraw7* object);
bool DirectDrawExclusive(IDirectDraw7* object);

}  // namespace display
