// Small queries through which the rest of the engine reads the window and library state,
// and the bookkeeping of a menu and a tool bar attached to the main window (used only
// when one has been supplied).
#pragma once

#include "platform/window.h"

int IsQuitRequested();
HWND GetMainWindowHandle();
int ReadWindowModeFlag();
int IsWindowActive();
int IsMmxUsable();
int IsWindowClosePosted();
int IsWindowRegionSet();
int IsMenuUsed();
// Each pointer may be null. After start-up the desktop values saved then, before it the
// live ones.
int GetDesktopScreenInfo(int* width, int* height, int* bits);

// Reads the live desktop size and depth.
void ReadLiveDesktopInfo(int* width, int* height, int* bits);

int EnumerateMenuItems(HMENU menu);
// 0 item read (name in the engine's name buffer), 1 separator, -1 failure.
int QueryMenuItem(HMENU menu, int position, MENUITEMINFOA* info);
// `text` must hold 128 bytes.
int GetMenuItemNameById(int id, char* text);
int FindToolBarButtonIndex(int id);
int GetToolBarHeight();
int DeleteAllToolBarButtons();
