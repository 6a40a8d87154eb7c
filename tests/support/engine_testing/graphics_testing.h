// Test-only reach into the graphics core: its mask screen and mask slots, and how many
// pictures the restore walk decoded. Part of the engine's testing library (linked by tests
// only); it reads the tables through the room's internal headers masks.h and graph_restore.h.
#pragma once

#include "engine/graphics/draw/masks.h"

MaskScreenState* GetMaskScreenState();
// The slot's record, or null outside the table.
MaskSlot* GetMaskSlot(int slot);
// How many pictures RestoreGraphs decoded since start-up.
int GetRestoreDecodeCount();
