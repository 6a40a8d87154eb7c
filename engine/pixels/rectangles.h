// Rectangle clipping, normalising and sizes: plain functions over RECT.
#pragma once

#include "platform/window.h"

// Cuts `a` to `b`; the result is empty (left == right or top == bottom) when they do not
// overlap.
int ClipRectToRect(RECT* a, const RECT* b);
int NormalizeRect(RECT* rect);
int GetRectSize(const RECT* rect, int* width, int* height);
