// Rectangle routines of the pixel base: clipping in the fixed order callers rely on,
// normalising reversed corners, moving, the size of a rectangle, and the cut of a
// transfer's source rectangle to both ends.
#include "engine/pixels/rectangles.h"

#include <algorithm>
#include <cstdint>

int ClipRectToRect(RECT* a, const RECT* b) {
    if (a->right < a->left) a->right = a->left;
    if (a->bottom < a->top) a->bottom = a->top;
    if (a->bottom > b->bottom) {
        a->bottom = b->bottom;
    } else if (a->bottom < b->top) {
        a->bottom = b->top;
    }
    if (a->top > b->bottom) {
        a->top = b->bottom;
    } else if (a->top < b->top) {
        a->top = b->top;
    }
    if (a->right > b->right) {
        a->right = b->right;
    } else if (a->right < b->left) {
        a->right = b->left;
    }
    if (a->left > b->right) {
        a->left = b->right;
    } else if (a->left < b->left) {
        a->left = b->left;
    }
    return 0;
}

int NormalizeRect(RECT* rect) {
    if (rect->left > rect->right) {
        const LONG t = rect->left;
        rect->left = rect->right;
        rect->right = t;
    }
    if (rect->top > rect->bottom) {
        const LONG t = rect->top;
        rect->top = rect->bottom;
        rect->bottom = t;
    }
    return 0;
}

int GetRectSize(const RECT* rect, int* width, int* height) {
    if (width != nullptr) *width = rect->right - rect->left;
    if (height != nullptr) *height = rect->bottom - rect->top;
    return 0;
}

RECT OrderedRect(LONG x1, LONG y1, LONG x2, LONG y2) {
    RECT rect{x1, y1, x2, y2};
    NormalizeRect(&rect);
    return rect;
}

RECT MovedRect(const RECT& rect, LONG dx, LONG dy) {
    return RECT{rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
}

bool IsRectEmpty(const RECT& rect) { return rect.right <= rect.left || rect.bottom <= rect.top; }

bool ClipTransferRect(int src_width, int src_height, int dest_width, int dest_height, RECT* rect, int* dest_x,
                      int* dest_y) {
    std::int64_t l = rect->left, t = rect->top, r = rect->right, b = rect->bottom;
    std::int64_t dx = *dest_x, dy = *dest_y;
    if (l < 0) {
        dx -= l;
        l = 0;
    }
    if (t < 0) {
        dy -= t;
        t = 0;
    }
    r = std::min<std::int64_t>(r, src_width);
    b = std::min<std::int64_t>(b, src_height);
    if (dx < 0) {
        l -= dx;
        dx = 0;
    }
    if (dy < 0) {
        t -= dy;
        dy = 0;
    }
    r = std::min<std::int64_t>(r, l + (dest_width - dx));
    b = std::min<std::int64_t>(b, t + (dest_height - dy));
    if (r <= l || b <= t) return false;
    *rect = RECT{static_cast<LONG>(l), static_cast<LONG>(t), static_cast<LONG>(r), static_cast<LONG>(b)};
    *dest_x = static_cast<int>(dx);
    *dest_y = static_cast<int>(dy);
    return true;
}
