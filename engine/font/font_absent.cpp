// Fonts as seen before the font subsystem exists: every handle is invalid. The on-screen
// log needs a font on a screen, so it stays unstarted with no font and drops its writes.
#include "engine/font/font.h"

int DrawStringWithDefaultFont(int, int, const char*, std::uint32_t, std::uint32_t) { return -1; }
int DeleteFontHandle(int) { return -1; }
int IsFontHandleValid(int) { return 0; }
int InitializeFontSettings() { return 0; }
int DeleteAllFontHandles() { return 0; }
int RecreateAllFonts() { return 0; }

namespace {
ScreenLogState g_screen_log = {0, -1, 1, 0};
}

ScreenLogState* GetScreenLogState() { return &g_screen_log; }

int StartScreenLog() {
    g_screen_log.used = 0;
    return -1;
}

int ScreenLogWriteText(const char*) { return -1; }
int IsScreenLogUsed() { return g_screen_log.used; }
