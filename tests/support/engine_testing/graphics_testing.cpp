// The graphics core's mask tables, restore count, table counts, user readers, working
// copy and soft images, for tests.
#include "tests/support/engine_testing/graphics_testing.h"

#include <cstring>

#include "engine/core/core.h"
#include "engine/graphics/graphs/graph_restore.h"
#include "engine/graphics/graphs/soft_image.h"
#include "engine/graphics/graphs/surface_2d.h"
#include "engine/graphics/graphs/surface_data.h"

MaskScreenState* GetMaskScreenState() { return &g_mask_screen; }
MaskSlot* GetMaskSlot(int slot) { return slot >= 0 && slot < kMaskSlots ? &g_mask_slots[slot] : nullptr; }
int GetRestoreDecodeCount() { return g_restore_decode_count; }

int GetSurface2DCount() { return g_surface_2d_table.live_count; }
int GetSurface2DEndMark() { return g_surface_2d_table.end_mark; }
int GetSurfaceDataCount() { return g_surface_data_table.live_count; }

GraphImageReader* GetUserImageReaders() { return g_user_image_readers; }
int* GetUserImageReaderCount() { return &g_user_image_reader_count; }

WorkingCopyState* GetWorkingCopyState() { return &g_working_copy; }

std::int32_t CreateSoftImage(GraphImage* image) {
    const std::int32_t slot = PickHandleSlot(g_soft_image_table, HandleRecordSlotInUse);
    if (slot < 0) return -1;
    auto* record = static_cast<SoftImage*>(TrackedCalloc(sizeof(SoftImage), __FILE__, __LINE__));
    if (record == nullptr) return -1;
    record->image = *image;
    std::memset(image, 0, sizeof *image);
    record->check = TakeHandleCheckCount(g_soft_image_table);
    g_soft_image_records[slot] = record;
    NoteHandleSlotFilled(g_soft_image_table, slot);
    return MakeHandleValue(kHandleKindSoftImage, record->check, slot);
}
const HandleTable* GetSoftImageTable() { return &g_soft_image_table; }
