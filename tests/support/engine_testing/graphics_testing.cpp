// The graphics core's mask tables and restore count, for tests.
#include "tests/support/engine_testing/graphics_testing.h"

#include "engine/graphics/graphs/graph_restore.h"

MaskScreenState* GetMaskScreenState() { return &g_mask_screen; }
MaskSlot* GetMaskSlot(int slot) { return slot >= 0 && slot < kMaskSlots ? &g_mask_slots[slot] : nullptr; }
int GetRestoreDecodeCount() { return g_restore_decode_count; }
