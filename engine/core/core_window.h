// Core's start-up and window door: what the other rooms ask of the engine's life cycle
// and its main window. Everything here runs on the thread that owns the main window.
#pragma once

#include "platform/window.h"

// ---- life cycle ---------------------------------------------------------------------
// The fatal-error exit: logs the message, shows it and ends the process from anywhere in
// the engine.
[[noreturn]] void FatalErrorExit(const char* message);
[[noreturn]] void FatalErrorExitFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The per-frame heartbeat. 0 go on, -1 quit requested.
int ProcessWindowMessages();
// Blocks a drawing or input call while the window is inactive.
void WaitWhileInactive();

// ---- the main window ----------------------------------------------------------------
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
// Applies the window or full-screen style and geometry of the current mode.
int ApplyWindowStyleForMode();
double GetWindowScaleFactor();
// The screen area of the client in screen coordinates.
int GetScreenClientRect(RECT* rect);
