// The font operations that the entry layer and engine shutdown call, answered as "fonts
// not up" until the font subsystem is built: no font handle is valid and nothing draws.
#pragma once

#include <cstdint>

int DrawStringWithDefaultFont(int x, int y, const char* text, std::uint32_t color, std::uint32_t edge_color);
int DeleteFontHandle(int font);
int IsFontHandleValid(int font);
// The graph manager's start resets the font settings and its end deletes every font
// handle; with no font subsystem both have nothing to do.
int InitializeFontSettings();
int DeleteAllFontHandles();
// Re-creates every live font under its own handle after graphs were marked for reload.
int RecreateAllFonts();
