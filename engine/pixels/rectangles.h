// Rectangle clipping, normalising, moving and sizes: plain functions over RECT.
#pragma once

#include "platform/window.h"

// Cuts `a` to `b`; the result is empty (left == right or top == bottom) when they do not
// overlap.
int ClipRectToRect(RECT* a, const RECT* b);
int NormalizeRect(RECT* rect);
int GetRectSize(const RECT* rect, int* width, int* height);
// The rectangle between two corners given in either order.
RECT OrderedRect(LONG x1, LONG y1, LONG x2, LONG y2);
// `rect` moved by (dx, dy).
RECT MovedRect(const RECT& rect, LONG dx, LONG dy);
// True when the rectangle covers no pixel (reversed counts as empty).
bool IsRectEmpty(const RECT& rect);
// Cuts the source rectangle of a transfer to a source of src_width x src_height and,
// placed at (*dest_x, *dest_y), to a destination of dest_width x dest_height, moving the
// destination point with the cut. Computed in 64 bits, so rectangles and points anywhere
// in the int range cannot overflow. False, with nothing changed, when nothing is left.
bool ClipTransferRect(int src_width, int src_height, int dest_width, int dest_height, RECT* rect, int* dest_x,
                      int* dest_y);
