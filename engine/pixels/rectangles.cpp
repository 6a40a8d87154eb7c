// Rectangle routines of the pixel base: clipping in the fixed order callers rely on,
// normalising reversed corners, and the size of a rectangle.
#include "engine/pixels/rectangles.h"

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
