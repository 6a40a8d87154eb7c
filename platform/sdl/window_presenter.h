// The presenter's side of the window layer: the window code calls this before an SDL
// window goes away, so the picture, texture and renderer shown in it are released first.
// The GL presenter (platform/opengl/) borrows a window from the picture presenter here:
// one of them shows a window at a time.
#pragma once

#include "platform/window.h"

struct SDL_Window;

namespace sdl_presenter {

void ForgetWindowPicture(HWND window);

// The GL presenter takes the window: the picture stops being shown through SDL (its
// renderer and texture are released first) and the window is made able to show GL (see
// sdl_window::GlCapableSdlWindow). The SDL window to draw into, or null when the window
// is gone, this is not the video thread or no GL window can be made (the picture
// presenter then keeps the window).
SDL_Window* HandWindowToGl(HWND window);
// The picture presenter shows the window again from its next change.
void TakeWindowBackFromGl(HWND window);
// As TakeWindowBackFromGl, after GL could not draw into the window: HandWindowToGl refuses
// the window from then on, until its SDL window is made anew.
void RefuseGl(HWND window);

}  // namespace sdl_presenter
