// The font room's door: the font and on-screen log operations that the entry layer, the
// graph manager and engine start-up and shutdown call. Until the font subsystem is built,
// font_absent.cpp answers them as "fonts not up": no font handle is valid, nothing draws.
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

// The on-screen log: its state record (started, font, used flag) and its start and write
// operations.
struct ScreenLogState {
    std::int32_t started;
    std::int32_t font_handle;
    std::int32_t font_dirty;  // set by the font deletion
    std::int32_t used;        // set by each write, cleared by the start
};

ScreenLogState* GetScreenLogState();
int StartScreenLog();
int ScreenLogWriteText(const char* text);
int IsScreenLogUsed();
