// The GL presenter: shows a primary surface's framebuffer in its real window through GL
// (the window borrowed from the picture presenter of platform/sdl/, one presenter per
// window at a time), and gives the window back when the primary goes.
#pragma once

#include <cstdint>

#include "platform/opengl/gl_context.h"
#include "platform/window.h"

namespace gl_backend {

// Shows `shown` of the framebuffer (rows top first) in the window and swaps: with `fit`
// the rectangle fills the client area, otherwise it lands 1:1 at `destination` (client
// coordinates); the client area is scaled to the window's drawable keeping its proportions
// with black bars, as the picture presenter shows it. False when GL cannot show this
// window (nothing taken; the caller shows the picture instead).
bool PresentThroughGl(HWND window, GLuint framebuffer, const RECT& shown, int client_width, int client_height,
                      const RECT& destination, bool fit);
// The picture presenter shows the window again.
void GiveWindowBack(HWND window);
// How many pictures reached a window through GL (for tests).
std::uint64_t GlPresentCount();

}  // namespace gl_backend
