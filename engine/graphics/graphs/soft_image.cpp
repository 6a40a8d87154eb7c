// The soft-image table: tracked records of an image and its check count, looked up by
// handle, deleted singly or all at once. Relies on the shared handle-table rules; the
// check count sits after the image, so the record is validated here.
#include "engine/graphics/graphs/soft_image.h"

#include <cstring>

#include "engine/core/core.h"

namespace {

void* g_records[kSoftImageSlots] = {};
HandleTable g_table = {kHandleKindSoftImage, kSoftImageSlots, g_records, 0, 0, 0};

SoftImage* FindSoftImage(std::int32_t handle) {
    const std::int32_t slot = ValidateHandleSlot(handle, kHandleKindSoftImage, kSoftImageSlots);
    if (slot < 0) return nullptr;
    auto* record = static_cast<SoftImage*>(g_records[slot]);
    if (record == nullptr || !HandleCheckMatches(record->check, handle)) return nullptr;
    return record;
}

}  // namespace

const HandleTable* GetSoftImageTable() { return &g_table; }

std::int32_t CreateSoftImage(GraphImage* image) {
    const std::int32_t slot = PickHandleSlot(g_table, HandleRecordSlotInUse);
    if (slot < 0) return -1;
    auto* record = static_cast<SoftImage*>(TrackedCalloc(sizeof(SoftImage), __FILE__, __LINE__));
    if (record == nullptr) return -1;
    record->image = *image;
    std::memset(image, 0, sizeof *image);
    record->check = TakeHandleCheckCount(g_table);
    g_records[slot] = record;
    NoteHandleSlotFilled(g_table, slot);
    return MakeHandleValue(kHandleKindSoftImage, record->check, slot);
}

int DeleteSoftImage(std::int32_t handle) {
    SoftImage* record = FindSoftImage(handle);
    if (record == nullptr) return -1;
    const std::int32_t slot = handle & kHandleSlotMask;
    FreeGraphImage(&record->image);
    g_records[slot] = nullptr;
    NoteHandleSlotEmptied(g_table, slot, HandleRecordSlotInUse);
    TrackedFree(record);
    return 0;
}

int DeleteAllSoftImages() {
    for (std::int32_t slot = 0; slot < g_table.end_mark; ++slot) {
        const auto* record = static_cast<const SoftImage*>(g_records[slot]);
        if (record != nullptr) DeleteSoftImage(MakeHandleValue(kHandleKindSoftImage, record->check, slot));
    }
    return 0;
}
