// The shared rules of handle tables: building and validating handle values, choosing
// slots (rising while below the limit, then the lowest free one), check counts, and
// the end mark.
#include "engine/core/handle_table.h"

#include "engine/core/tracked_alloc.h"

std::int32_t MakeHandleValue(std::int32_t kind, std::uint32_t check, std::int32_t slot) {
    const std::uint32_t value = ((check | (static_cast<std::uint32_t>(kind) << 11)) << 16) |
                                static_cast<std::uint32_t>(slot);
    return static_cast<std::int32_t>(value);
}

std::int32_t ValidateHandleSlot(std::int32_t handle, std::int32_t kind, std::int32_t limit) {
    const auto value = static_cast<std::uint32_t>(handle);
    const std::uint32_t kind_value = static_cast<std::uint32_t>(kind) << 27;
    if (kind == kHandleKindTexturePiece || kind == kHandleKindSurfaceData) {
        // The wider mask covers the sign bit; their tables span every 16-bit slot.
        if ((value & 0xF8000000u) != kind_value) return -1;
        return static_cast<std::int32_t>(value & kHandleSlotMask);
    }
    if (handle < 0) return -1;
    if ((value & 0x78000000u) != kind_value) return -1;
    const auto slot = static_cast<std::int32_t>(value & kHandleSlotMask);
    if (slot >= limit) return -1;
    return slot;
}

bool HandleCheckMatches(std::uint32_t record_check, std::int32_t handle) {
    return (record_check << 16) == (static_cast<std::uint32_t>(handle) & kHandleCheckMask);
}

std::int32_t PickHandleSlot(const HandleTable& table, HandleSlotInUse in_use) {
    if (table.live_count >= table.limit) return -1;
    if (table.end_mark < table.limit) return table.end_mark;
    for (std::int32_t slot = 0; slot < table.limit; ++slot) {
        if (!in_use(table, slot)) return slot;
    }
    return -1;
}

std::uint32_t TakeHandleCheckCount(HandleTable& table) {
    const auto check = static_cast<std::uint32_t>(table.next_check);
    table.next_check = (table.next_check + 1) % kHandleCheckCountLimit;
    return check;
}

void NoteHandleSlotFilled(HandleTable& table, std::int32_t slot) {
    table.live_count += 1;
    if (slot >= table.end_mark) table.end_mark = slot + 1;
}

void NoteHandleSlotEmptied(HandleTable& table, std::int32_t slot, HandleSlotInUse in_use) {
    table.live_count -= 1;
    if (slot != table.end_mark - 1) return;
    if (table.live_count == 0) {
        table.end_mark = 0;
        return;
    }
    std::int32_t mark = slot;
    while (mark > 0 && !in_use(table, mark - 1)) --mark;
    table.end_mark = mark;
}

bool HandleRecordSlotInUse(const HandleTable& table, std::int32_t slot) { return table.records[slot] != nullptr; }

std::int32_t CreateHandleRecord(HandleTable& table, std::uint32_t record_size, void** record, int* full) {
    *record = nullptr;
    const std::int32_t slot = PickHandleSlot(table, HandleRecordSlotInUse);
    if (slot < 0) {
        if (full != nullptr) *full = 1;
        return -1;
    }
    if (full != nullptr) *full = 0;
    void* block = TrackedCalloc(record_size < 4 ? 4 : record_size, "", 0);
    if (block == nullptr) return -1;
    const std::uint32_t check = TakeHandleCheckCount(table);
    *static_cast<std::uint32_t*>(block) = check;
    table.records[slot] = block;
    NoteHandleSlotFilled(table, slot);
    *record = block;
    return MakeHandleValue(table.kind, check, slot);
}

void* LookupHandleRecord(const HandleTable& table, std::int32_t handle) {
    const std::int32_t slot = ValidateHandleSlot(handle, table.kind, table.limit);
    if (slot < 0) return nullptr;
    void* record = table.records[slot];
    if (record == nullptr) return nullptr;
    if (!HandleCheckMatches(*static_cast<const std::uint32_t*>(record), handle)) return nullptr;
    return record;
}

int FreeHandleRecord(HandleTable& table, std::int32_t handle) {
    void* record = LookupHandleRecord(table, handle);
    if (record == nullptr) return -1;
    const std::int32_t slot = static_cast<std::int32_t>(static_cast<std::uint32_t>(handle) & kHandleSlotMask);
    table.records[slot] = nullptr;
    TrackedFree(record);
    NoteHandleSlotEmptied(table, slot, HandleRecordSlotInUse);
    return 0;
}
