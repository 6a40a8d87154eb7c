// The soft-image table: tracked records of an image and its check count, looked up by
// handle, deleted singly or all at once. Relies on the shared handle-table rules; the
// check count sits after the image, so the record is validated here.
#include "engine/graphics/graphs/soft_image.h"

#include "engine/core/core.h"

void* g_soft_image_records[kSoftImageSlots] = {};
HandleTable g_soft_image_table = {kHandleKindSoftImage, kSoftImageSlots, g_soft_image_records, 0, 0, 0};

namespace {

SoftImage* FindSoftImage(std::int32_t handle) {
    const std::int32_t slot = ValidateHandleSlot(handle, kHandleKindSoftImage, kSoftImageSlots);
    if (slot < 0) return nullptr;
    auto* record = static_cast<SoftImage*>(g_soft_image_records[slot]);
    if (record == nullptr || !HandleCheckMatches(record->check, handle)) return nullptr;
    return record;
}

}  // namespace

int DeleteSoftImage(std::int32_t handle) {
    SoftImage* record = FindSoftImage(handle);
    if (record == nullptr) return -1;
    const std::int32_t slot = handle & kHandleSlotMask;
    FreeGraphImage(&record->image);
    g_soft_image_records[slot] = nullptr;
    NoteHandleSlotEmptied(g_soft_image_table, slot, HandleRecordSlotInUse);
    TrackedFree(record);
    return 0;
}

int DeleteAllSoftImages() {
    for (std::int32_t slot = 0; slot < g_soft_image_table.end_mark; ++slot) {
        const auto* record = static_cast<const SoftImage*>(g_soft_image_records[slot]);
        if (record != nullptr) DeleteSoftImage(MakeHandleValue(kHandleKindSoftImage, record->check, slot));
    }
    return 0;
}
