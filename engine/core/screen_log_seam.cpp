// The on-screen log before it is built: starting it needs a screen, which does not exist
// yet, so it stays unstarted with no font; writes are dropped.
#include "engine/core/screen_log_seam.h"

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
