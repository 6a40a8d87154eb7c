// The few drawing-context calls the window code makes: device contexts of the screen
// and of each window (the desktop always reports 32 bits per pixel), painting that
// validates the window, brushes and stock objects as records. FillRect paints a window's
// picture; all other pixels reach the window through the graphics layer.
#include <mutex>
#include <unordered_set>

#include "platform/sdl/window_internal.h"
#include "platform/video/display_internal.h"

struct GdiObject {
    int kind;  // 1 brush, 2 null brush
    COLORREF color;
    bool stock;
};

namespace {

// The resolution GDI reports for text and logical sizes.
constexpr int kLogicalDotsPerInch = 96;

DeviceContextObject g_screen_dc{1, nullptr};

GdiObject g_stock_brushes[6] = {
    {1, RGB(255, 255, 255), true}, {1, RGB(192, 192, 192), true}, {1, RGB(128, 128, 128), true},
    {1, RGB(64, 64, 64), true},    {1, RGB(0, 0, 0), true},       {2, 0, true},
};

std::mutex g_objects_mutex;
std::unordered_set<GdiObject*>& LiveObjects() {
    static std::unordered_set<GdiObject*> objects;
    return objects;
}

bool IsKnownDc(HDC dc) {
    if (dc == &g_screen_dc) return true;
    if (dc == nullptr || dc->kind != 2) return false;
    return sdl_window::FindWindowRecord(dc->window) != nullptr;
}

bool IsKnownObject(HGDIOBJ object) {
    for (GdiObject& stock : g_stock_brushes) {
        if (&stock == object) return true;
    }
    std::lock_guard<std::mutex> lock(g_objects_mutex);
    return LiveObjects().count(object) != 0;
}

}  // namespace

HDC GetDC(HWND window) {
    if (window == nullptr) return &g_screen_dc;
    sdl_window::WindowRecord* record = sdl_window::FindWindowRecord(window);
    return record != nullptr ? &record->dc : nullptr;
}

int ReleaseDC(HWND /*window*/, HDC dc) { return dc != nullptr ? 1 : 0; }

int GetDeviceCaps(HDC dc, int index) {
    if (dc == nullptr) return 0;
    int width = 0;
    int height = 0;
    switch (index) {
        case BITSPIXEL:
            return display::kDesktopBits;
        case PLANES:
            return 1;
        case HORZRES:
            return sdl_window::DesktopSize(&width, &height) ? width : 0;
        case VERTRES:
            return sdl_window::DesktopSize(&width, &height) ? height : 0;
        case LOGPIXELSX:
        case LOGPIXELSY:
            return kLogicalDotsPerInch;
        case VREFRESH:
            return display::kRefreshHz;
        default:
            return 0;
    }
}

HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
    sdl_window::WindowRecord* record = sdl_window::FindWindowRecord(window);
    if (record == nullptr || paint == nullptr) return nullptr;
    *paint = PAINTSTRUCT{};
    paint->hdc = &record->dc;
    paint->fErase = FALSE;
    paint->rcPaint = record->invalid ? record->invalid_rect : RECT{0, 0, 0, 0};
    record->invalid = false;
    record->invalid_rect = RECT{};
    return paint->hdc;
}

BOOL EndPaint(HWND window, const PAINTSTRUCT* paint) {
    return sdl_window::FindWindowRecord(window) != nullptr && paint != nullptr ? TRUE : FALSE;
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
    if (!IsKnownDc(dc) || rect == nullptr || !IsKnownObject(brush)) return 0;
    const auto* object = static_cast<const GdiObject*>(brush);
    // A solid brush on a window's context paints the window's picture; the null brush
    // and the screen's context paint nothing.
    if (object->kind != 1 || dc->kind != 2 || rect->right <= rect->left || rect->bottom <= rect->top) return 1;
    const COLORREF c = object->color;
    std::uint32_t pixel = ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
    display::PixelView one{};
    one.pixels = reinterpret_cast<std::uint8_t*>(&pixel);
    one.pitch = 4;
    one.width = 1;
    one.height = 1;
    one.bytes_per_pixel = 4;
    one.red_mask = 0xFF0000u;
    one.green_mask = 0xFF00u;
    one.blue_mask = 0xFFu;
    const RECT source{0, 0, 1, 1};
    if (display::DrawIntoWindowPicture(dc->window, *rect, one, source)) display::ShowWindowPicture(dc->window);
    return 1;
}

HBRUSH CreateSolidBrush(COLORREF color) {
    auto* brush = new GdiObject{1, color & 0xFFFFFFu, false};
    std::lock_guard<std::mutex> lock(g_objects_mutex);
    LiveObjects().insert(brush);
    return brush;
}

HGDIOBJ GetStockObject(int index) {
    if (index < WHITE_BRUSH || index > NULL_BRUSH) return nullptr;
    return &g_stock_brushes[index];
}

BOOL DeleteObject(HGDIOBJ object) {
    if (object == nullptr) return FALSE;
    if (object->stock) return TRUE;
    {
        std::lock_guard<std::mutex> lock(g_objects_mutex);
        if (LiveObjects().erase(object) == 0) return FALSE;
    }
    delete object;
    return TRUE;
}
