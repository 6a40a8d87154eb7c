// Handle values and handle tables. A handle is kind << 27 | check << 16 | slot; the
// check count (0-2047) must equal the one stored in the slot's record, so a handle
// whose record was deleted stops working once the slot is reused. Each kind keeps its
// own table; these helpers carry out the shared rules on any of them.
#pragma once

#include <cstdint>

enum HandleKind : std::int32_t {
    kHandleKindGraph = 1,
    kHandleKindSound = 2,
    kHandleKindMovie = 3,
    kHandleKindFont = 4,
    kHandleKindSurface2D = 5,
    kHandleKindTexturePiece = 6,
    kHandleKindSurfaceData = 7,
    kHandleKindMask = 8,
    kHandleKindNetwork = 9,
    kHandleKindKeyInput = 10,
    kHandleKindMidiMusic = 11,
    kHandleKindLight = 12,
    kHandleKindSoftImage = 14,
};

constexpr std::int32_t kHandleCheckCountLimit = 2048;
constexpr std::int32_t kHandleSlotMask = 0xFFFF;
constexpr std::uint32_t kHandleCheckMask = 0x07FF0000u;

// One kind's table. `records` points at `limit` slots owned by the subsystem: record
// pointers for most kinds, null when empty. Each record starts with its u32 check count.
struct HandleTable {
    std::int32_t kind;
    std::int32_t limit;
    void** records;
    std::int32_t live_count;
    std::int32_t end_mark;    // one past the highest slot in use, 0 when empty
    std::int32_t next_check;  // the check count the next record receives
};

// Tells whether a slot is in use; lets tables whose records are held in place (with a
// used flag) share the slot rules.
using HandleSlotInUse = bool (*)(const HandleTable& table, std::int32_t slot);

std::int32_t MakeHandleValue(std::int32_t kind, std::uint32_t check, std::int32_t slot);
// Steps that need no record: sign, kind, slot below the limit. Returns the slot or -1.
std::int32_t ValidateHandleSlot(std::int32_t handle, std::int32_t kind, std::int32_t limit);
bool HandleCheckMatches(std::uint32_t record_check, std::int32_t handle);

// Slot for a new record (-1 when the table is full), the check count it receives (the
// table's counter then moves on, wrapping after 2047), and the bookkeeping after a
// record was stored in or removed from a slot.
std::int32_t PickHandleSlot(const HandleTable& table, HandleSlotInUse in_use);
std::uint32_t TakeHandleCheckCount(HandleTable& table);
void NoteHandleSlotFilled(HandleTable& table, std::int32_t slot);
// Call after the slot was emptied.
void NoteHandleSlotEmptied(HandleTable& table, std::int32_t slot, HandleSlotInUse in_use);

// Tables of record pointers. Create allocates a zero-filled tracked record of
// `record_size` bytes (at least 4), stores its check count and returns the handle, or
// -1 when the table is full (`*full` = 1) or memory ran out (`*full` = 0); the owner
// logs and decides what follows. Free releases the record of a valid handle; release
// what the record owns first.
std::int32_t CreateHandleRecord(HandleTable& table, std::uint32_t record_size, void** record, int* full);
void* LookupHandleRecord(const HandleTable& table, std::int32_t handle);
int FreeHandleRecord(HandleTable& table, std::int32_t handle);
bool HandleRecordSlotInUse(const HandleTable& table, std::int32_t slot);
