// The one SystemBlock of the process.
#include "engine/core/system_block.h"

namespace {
SystemBlock g_system_block{};
}

SystemBlock* GetSystemBlock() { return &g_system_block; }
