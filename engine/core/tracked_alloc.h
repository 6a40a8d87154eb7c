// The tracked allocator: every engine block carries a header in front of it that links
// it into the list of live blocks, remembers its size, serial number and source place,
// and keeps a mirror copy of its fields so damage can be detected.
#pragma once

#include <cstdint>

struct TrackedAllocHeader {
    char source_name[16];  // last 15 characters of the caller's name, NUL-terminated
    std::uint16_t serial_id;
    std::int16_t source_line;
    std::uint32_t size;  // bytes of the caller's block, header excluded
    TrackedAllocHeader* previous;  // older block (the sentinel for the oldest)
    TrackedAllocHeader* next;      // newer block, null for the newest
    // Copy of the fields above; compared by CheckAllocations.
    unsigned char mirror[40];
};

// The fields above `mirror`: what the mirror copies (16+2+2+4+8+8 bytes on 64-bit).
constexpr std::uint32_t kTrackedHeaderFieldBytes = 40;
constexpr std::uint32_t kTrackedHeaderBytes = sizeof(TrackedAllocHeader);
static_assert(kTrackedHeaderBytes == 80, "header layout");

struct AllocTrackerSwitches {
    std::int32_t log_every_call;
    std::int32_t log_totals_every_call;
    std::int32_t check_every_call;
    std::int32_t trace_size;  // negative: trace every block; otherwise blocks of exactly this size
};

void* TrackedAlloc(std::uint32_t size, const char* source_name, std::int16_t line);
void* TrackedCalloc(std::uint32_t size, const char* source_name, std::int16_t line);
void TrackedFree(void* address);
void* TrackedRealloc(void* address, std::uint32_t new_size, const char* source_name, std::int16_t line);
int CheckAllocations();
void DumpAllocations();
void LogAllocationRecord(const TrackedAllocHeader* header);
void LogAllocationTotals();

// The list of live blocks with its counters and switches.
struct AllocTracker {
    TrackedAllocHeader sentinel;
    TrackedAllocHeader* newest;
    std::uint16_t next_serial;
    std::int32_t total_bytes;
    std::int32_t live_count;
    AllocTrackerSwitches switches;
};
extern AllocTracker g_alloc_tracker;

// The switches, for the window start-up reset and tests.
AllocTrackerSwitches* GetAllocTrackerSwitches();
