// Fonts as seen before the font subsystem exists: every handle is invalid.
#include "engine/font/font_startup_seam.h"

int DrawStringWithDefaultFont(int, int, const char*, std::uint32_t, std::uint32_t) { return -1; }
int DeleteFontHandle(int) { return -1; }
int IsFontHandleValid(int) { return 0; }
int InitializeFontSettings() { return 0; }
int DeleteAllFontHandles() { return 0; }
int RecreateAllFonts() { return 0; }
