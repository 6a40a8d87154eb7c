// The one SystemBlock of the process and its start-up reset.
#include "engine/core/system_block.h"

namespace {
SystemBlock g_system_block{};
}

SystemBlock* GetSystemBlock() { return &g_system_block; }

void ResetSystemBlockForStartup() {
    g_system_block.window = WindowState{};
    g_system_block.ending = 0;
    g_system_block.window.inactive_since = 0xFFFFFFFFu;
}
