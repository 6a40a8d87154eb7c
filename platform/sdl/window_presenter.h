// The presenter's side of the window layer: the window code calls this before an SDL
// window goes away, so the picture, texture and renderer shown in it are released first.
#pragma once

#include "platform/window.h"

namespace sdl_presenter {

void ForgetWindowPicture(HWND window);

}  // namespace sdl_presenter
