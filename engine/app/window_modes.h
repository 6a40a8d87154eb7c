// Window mode and full screen: the switch between them, the styles and geometry of each,
// the window scale factor, the screen area the screen is presented into, the mouse
// position, cursor and menu visibility, and the window title.
#pragma once

#include <cstdint>

#include "platform/window.h"

struct WindowSettings;

// Style tables indexed by the window-style type 0-7.
extern const DWORD kWindowModeStyles[8];
extern const DWORD kWindowModeExStyles[8];
extern const DWORD kFullScreenStyles[8];
extern const DWORD kFullScreenExStyles[8];

// The client size of the window in window mode: the user's size when one was set, else the
// screen size times the window scale factor, with the tool bar's height added to the height
// when `with_tool_bar`.
SIZE WindowModeClientSize(const WindowSettings& settings, int screen_width, int screen_height, bool with_tool_bar);

int ChangeWindowMode(int window_mode);
// Applies the window or full-screen style and geometry of the current mode.
int ApplyWindowStyleForMode();
// The screen area of the client in screen coordinates, below the tool bar.
int GetScreenClientRect(RECT* rect);
int SetWindowModeFlag(int window_mode);
int FitWindowToScreen();
int UpdateScreenAreaFromMove(LPARAM lparam);
int GetMousePositionInClient(int* x, int* y);
int SetMouseCursorVisible(int show);
int ShouldShowMouseCursor();
int UpdateMenuVisibility(int show);
int UpdateFullScreenMenuAndCursor();
BOOL BringWindowToForeground(HWND window, int topmost);
int SetWindowTitleText(const char* text);
// Copies a Shift-JIS text into a buffer of `size` bytes, cutting before a character that
// would not fit whole.
void CopyTextBounded(char* destination, const char* source, int size);
