// The on-screen log as engine start-up, shutdown and the entry layer see it before it is
// built: its state record (started, font, used flag) and its start and write operations,
// which draw nothing while there is no screen.
#pragma once

#include <cstdint>

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
