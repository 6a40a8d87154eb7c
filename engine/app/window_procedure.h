// The window procedure of the engine's main window class.
#pragma once

#include "platform/window.h"

LRESULT MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
