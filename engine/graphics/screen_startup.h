// The screen operations the rest of the engine calls: start-up and end, mode changes and
// the switch to software rendering with GDI output, the display format, the deactivation
// release, the flip and present to the window, and clearing the draw target.
#pragma once

#include "platform/window.h"

int StartScreen(HWND window);
int EndScreen();
// 0 done or nothing to do, -2 done but fell back to 640 x 480 x 16, -1 failure.
int ChangeScreenMode(int width, int height, int bits, int force, int refresh_rate);
int SetHardwareRendering(int flag);
int SetTempPrimaryMode(int flag);
int SetupScreenColorFormat();
int ReleaseDirectDrawObject();
int FlipScreen();
// `dirty_area` in client coordinates, or null for the whole screen.
int PresentToWindow(const RECT* dirty_area);
int ClearDrawTarget();
