// What the rooms read of the main window and the machine: plain fields of the SystemBlock
// that the shell writes (the window handle, the active and close flags, the menu and
// region switches, the MMX flag, the window scale), and the desktop size and depth.
#pragma once

#include "platform/window.h"

HWND GetMainWindowHandle();
int IsWindowActive();
int IsWindowClosePosted();
int IsWindowRegionSet();
int IsMenuUsed();
int IsMmxUsable();
// Each pointer may be null. After start-up the desktop values saved then, before it the
// live ones.
int GetDesktopScreenInfo(int* width, int* height, int* bits);
// Reads the live desktop size and depth.
void ReadLiveDesktopInfo(int* width, int* height, int* bits);
// The window mode's scale (a setting of 0 or below reads as 1.0, and is stored so); 1.0 in
// full screen.
double GetWindowScaleFactor();
