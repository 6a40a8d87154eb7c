// Working copies: the front image kept in step with the window in software rendering
// (read back before a draw on the front buffer, shown after it), and the working
// images of a draw. DirectDraw targets are not drawn on by the software renderer yet:
// without a working copy such a draw fails rather than reporting success.
#include "engine/graphics/working_copies.h"

#include <algorithm>

#include "engine/core/system_block.h"
#include "engine/core/window_modes.h"
#include "engine/core/window_state.h"
#include "engine/graphics/screen_internal.h"
#include "platform/gdi.h"

namespace {

WorkingCopyState g_working;

struct DibHeader {
    BITMAPINFOHEADER header;
    DWORD masks[3];
};

// A top-down DIB as wide as the image's pitch, so rows line up with its padding.
DibHeader DescribeImage(const MEMIMG& image) {
    const ColorFormat* format = image.block->format;
    DibHeader info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = image.block->pitch / format->bytes_per_pixel;
    info.header.biHeight = -image.height;
    info.header.biPlanes = 1;
    info.header.biBitCount = format->bit_depth;
    info.header.biCompression = BI_BITFIELDS;
    info.masks[0] = format->red_mask;
    info.masks[1] = format->green_mask;
    info.masks[2] = format->blue_mask;
    return info;
}

bool SoftwareMode() {
    const ScreenState* screen = GetScreenState();
    return screen->software_render == 1 && screen->requested_depth != 8;
}

}  // namespace

WorkingCopyState* GetWorkingCopyState() { return &g_working; }

int BeginWorkingCopy(const Surface2D*, int, const RECT*, const RECT*, int, std::uint32_t*, std::uint32_t*) {
    g_working.blit_chosen = 0;
    if (SoftwareMode()) return 0;
    // Locking DirectDraw targets for the renderer is not built; the draw fails.
    return -1;
}

int EndWorkingCopy() {
    if (IsMemImgValid(&g_working.source_view)) ReleaseMemImg(&g_working.source_view);
    g_working.target = nullptr;
    g_working.source = nullptr;
    return 0;
}

int GetFrontScreenRect(RECT* rect) {
    int width = 0;
    int height = 0;
    ReadScreenSize(&width, &height);
    *rect = RECT{0, 0, width, height};
    if (!GetScreenState()->temp_primary_mode) {
        RECT client{};
        GetScreenClientRect(&client);
        rect->left += client.left;
        rect->right += client.left;
        rect->top += client.top;
        rect->bottom += client.top;
    }
    return 0;
}

int ReadBackFrontImage() {
    ScreenState* screen = GetScreenState();
    if (!(screen->gdi_output || SoftwareMode()) || !screen->front_image_stale) return 0;
    MEMIMG& front = screen->front_image;
    if (!IsMemImgValid(&front)) return -1;
    if (screen->gdi_output) {
        HWND window = GetMainWindowHandle();
        HDC window_dc = GetDC(window);
        if (window_dc == nullptr) return -1;
        HDC memory_dc = CreateCompatibleDC(window_dc);
        HBITMAP bitmap = CreateCompatibleBitmap(window_dc, front.width, front.height);
        HBITMAP old = SelectObject(memory_dc, bitmap);
        BitBlt(memory_dc, 0, 0, front.width, front.height, window_dc, 0, 0, SRCCOPY);
        SelectObject(memory_dc, old);
        DibHeader info = DescribeImage(front);
        GetDIBits(memory_dc, bitmap, 0, static_cast<UINT>(front.height), front.pixels,
                  reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
        DeleteObject(bitmap);
        DeleteDC(memory_dc);
        ReleaseDC(window, window_dc);
        screen->front_image_stale = 0;
        return 0;
    }
    // Software rendering over DirectDraw output does not occur: software rendering is
    // only ever switched on together with GDI output.
    return -1;
}

int FlushFrontImageRect(const RECT* rect) {
    ScreenState* screen = GetScreenState();
    int width = 0;
    int height = 0;
    ReadScreenSize(&width, &height);
    if (width == 0) width = 640;
    if (height == 0) height = 480;
    RECT area{std::max<LONG>(rect->left, 0), std::max<LONG>(rect->top, 0), std::min<LONG>(rect->right, width),
              std::min<LONG>(rect->bottom, height)};
    if (area.right <= area.left || area.bottom <= area.top) return 0;
    const MEMIMG& front = screen->front_image;
    if (!IsMemImgValid(&front)) return -1;
    if (!screen->gdi_output) return -1;
    HWND window = GetMainWindowHandle();
    HDC dc = GetDC(window);
    if (dc == nullptr) return 0;
    const DibHeader info = DescribeImage(front);
    const int area_width = area.right - area.left;
    const int area_height = area.bottom - area.top;
    StretchDIBits(dc, area.left, area.top, area_width, area_height, area.left, front.height - area_height - area.top,
                  area_width, area_height, front.pixels, reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS,
                  SRCCOPY);
    ReleaseDC(window, dc);
    return 0;
}
