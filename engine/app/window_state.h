// Small queries of the window and library state that only the shell asks (those other
// rooms ask are in engine/core/window_queries.h), and the bookkeeping of a menu and a tool
// bar attached to the main window (used only when one has been supplied).
#pragma once

#include "platform/window.h"

int IsQuitRequested();
int ReadWindowModeFlag();

int EnumerateMenuItems(HMENU menu);
// 0 item read (name in the engine's name buffer), 1 separator, -1 failure.
int QueryMenuItem(HMENU menu, int position, MENUITEMINFOA* info);
// `text` must hold 128 bytes.
int GetMenuItemNameById(int id, char* text);
int FindToolBarButtonIndex(int id);
int GetToolBarHeight();
int DeleteAllToolBarButtons();
