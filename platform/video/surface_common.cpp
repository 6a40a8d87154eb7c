// The part every DirectDraw surface shares: the padded row pitch and the rectangles of
// locks and copies.
#include "platform/video/surface_common.h"

#include <algorithm>

#include "platform/window.h"

namespace display {

int PaddedPitch(int width, int bytes_per_pixel) {
    const int row = width * bytes_per_pixel;
    return ((row + 31) & ~31) + 32;
}

bool RectInside(const RECT& rect, int width, int height) {
    return rect.left >= 0 && rect.top >= 0 && rect.left < rect.right && rect.top < rect.bottom &&
           rect.right <= width && rect.bottom <= height;
}

RECT Intersect(const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

bool IsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

bool ClientScreenRect(HWND window, RECT* rect) {
    RECT client;
    if (window == nullptr || !GetClientRect(window, &client)) return false;
    POINT origin{0, 0};
    if (!ClientToScreen(window, &origin)) return false;
    *rect = RECT{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
    return true;
}

}  // namespace display
