// What every DirectDraw surface of the display stand-in has alike, whatever holds its
// pixels: the row pitch and the rectangle rules of locks and copies. Used by the
// system-memory surfaces (platform/video/ddraw_surface.cpp) and the video-memory ones
// (platform/opengl/gl_surface.cpp). Relies on platform/ddraw.h, and on platform/window.h
// for a window's client area on the screen.
#pragma once

#include "platform/ddraw.h"

namespace display {

// Rows are padded past the pixels, so code that assumes width x pixel size fails visibly.
int PaddedPitch(int width, int bytes_per_pixel);
bool RectInside(const RECT& rect, int width, int height);
RECT Intersect(const RECT& a, const RECT& b);
bool IsEmpty(const RECT& r);
// The client area of a window in screen coordinates.
bool ClientScreenRect(HWND window, RECT* rect);
// Whether a raw pixel value falls in a colour key's range (and is not drawn).
inline bool KeyHides(const DDCOLORKEY& key, DWORD raw) {
    return raw >= key.dwColorSpaceLowValue && raw <= key.dwColorSpaceHighValue;
}

}  // namespace display
