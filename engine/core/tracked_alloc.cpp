// The tracked allocator over the process heap. Live blocks form one list from a
// sentinel (oldest) to the newest block; each header's fields are mirrored so that
// CheckAllocations can spot damage. A re-entrant lock guards the list, since other
// threads (movie decoding) allocate too and the log writer allocates from inside.
#include "engine/core/tracked_alloc.h"

#include <cstddef>
#include <cstdio>

#include "engine/core/byte_memory.h"
#include "engine/core/text_log.h"
#include "platform/kernel.h"

AllocTracker g_alloc_tracker{};

namespace {

INIT_ONCE g_lock_once{};
CRITICAL_SECTION g_lock{};

BOOL CreateLock(INIT_ONCE*, void*, void**) {
    InitializeCriticalSection(&g_lock);
    return TRUE;
}

class TrackerLock {
public:
    TrackerLock() {
        InitOnceExecuteOnce(&g_lock_once, CreateLock, nullptr, nullptr);
        EnterCriticalSection(&g_lock);
    }
    ~TrackerLock() { LeaveCriticalSection(&g_lock); }
};

void RewriteMirror(TrackedAllocHeader* header) {
    if (header != nullptr) CopyBytes(header->mirror, header, kTrackedHeaderFieldBytes);
}

void SetSourceName(TrackedAllocHeader* header, const char* name) {
    FillBytes(header->source_name, 0, sizeof header->source_name);
    if (name == nullptr) return;
    std::size_t length = 0;
    while (name[length] != '\0') ++length;
    const std::size_t keep = length > 15 ? 15 : length;
    CopyBytes(header->source_name, name + (length - keep), static_cast<std::uint32_t>(keep));
}

bool ShouldTrace(std::uint32_t size) {
    const AllocTrackerSwitches& s = g_alloc_tracker.switches;
    return s.trace_size < 0 || static_cast<std::uint32_t>(s.trace_size) == size || s.log_every_call == 1;
}

TrackedAllocHeader* HeaderOf(void* address) {
    return reinterpret_cast<TrackedAllocHeader*>(static_cast<unsigned char*>(address) - kTrackedHeaderBytes);
}

void* BlockOf(TrackedAllocHeader* header) { return reinterpret_cast<unsigned char*>(header) + kTrackedHeaderBytes; }

// The byte total is a 32-bit count; it wraps rather than overflow.
void AddToTotal(std::uint32_t added, std::uint32_t removed) {
    g_alloc_tracker.total_bytes =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(g_alloc_tracker.total_bytes) + added - removed);
}

}  // namespace

void LogAllocationRecord(const TrackedAllocHeader* header) {
    char line[244];
    const auto* data = reinterpret_cast<const unsigned char*>(header) + kTrackedHeaderBytes;
    const auto address = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(data));
    // The header may be the damaged one being reported: the name is read at most up to its
    // field's end, and the data only as far as both the size and its mirrored copy allow.
    int n = std::snprintf(line, sizeof line, "\tsize:%d(%.3fkb)  file:%.15s  line:%d  ID:%d  addr:%08x  data:<",
                          static_cast<int>(header->size), header->size * (1.0 / 1024.0), header->source_name,
                          static_cast<int>(static_cast<std::uint16_t>(header->source_line)),
                          static_cast<int>(header->serial_id), address);
    if (n < 0) n = 0;
    std::size_t o = static_cast<std::size_t>(n);
    std::uint32_t mirrored_size = 0;
    CopyBytes(&mirrored_size, header->mirror + offsetof(TrackedAllocHeader, size), sizeof mirrored_size);
    std::uint32_t shown = header->size < mirrored_size ? header->size : mirrored_size;
    if (shown > 16) shown = 16;
    for (std::uint32_t i = 0; i < shown; ++i) {
        line[o++] = (data[i] >= 32 && data[i] <= 127) ? static_cast<char>(data[i]) : '.';
    }
    line[o++] = '>';
    line[o++] = ' ';
    line[o++] = '[';
    static const char kHex[] = "0123456789abcdef";
    for (std::uint32_t i = 0; i < shown; ++i) {
        line[o++] = kHex[data[i] >> 4];
        line[o++] = kHex[data[i] & 15];
        line[o++] = ' ';
    }
    // The last blank (or, with no data, the "[") becomes the closing bracket.
    line[o - 1] = ']';
    line[o++] = '\n';
    line[o] = '\0';
    WriteLogText(line);
}

void LogAllocationTotals() {
    WriteLogFormat("\tTotal size:%d(%.3fkb)  Alloc num:%d", g_alloc_tracker.total_bytes,
                   g_alloc_tracker.total_bytes * (1.0 / 1024.0), g_alloc_tracker.live_count);
}

int CheckAllocations() {
    TrackerLock lock;
    for (TrackedAllocHeader* h = g_alloc_tracker.newest; h != nullptr && h != &g_alloc_tracker.sentinel; h = h->previous) {
        if (CompareMemory(h, h->mirror, kTrackedHeaderFieldBytes) != 0) {
            WriteLogText("以下のメモリ確保情報が破損しました");
            LogAllocationRecord(h);
            return -1;
        }
    }
    return 0;
}

void DumpAllocations() {
    TrackerLock lock;
    WriteLogText("\n");
    WriteLogText("Alloc memory dump\n");
    for (TrackedAllocHeader* h = g_alloc_tracker.newest; h != nullptr && h != &g_alloc_tracker.sentinel; h = h->previous) {
        LogAllocationRecord(h);
    }
    LogAllocationTotals();
    WriteLogText("\n");
}

void* TrackedAlloc(std::uint32_t size, const char* source_name, std::int16_t line) {
    TrackerLock lock;
    // The header and the block must fit the 32-bit size the heap is asked for.
    auto* header = size > 0xFFFFFFFFu - kTrackedHeaderBytes
                       ? nullptr
                       : static_cast<TrackedAllocHeader*>(
                             HeapAlloc(GetProcessHeap(), 0, static_cast<std::size_t>(size) + kTrackedHeaderBytes));
    if (header == nullptr) {
        DumpAllocations();
        CheckAllocations();
        return nullptr;
    }
    FillBytes(header, 0, kTrackedHeaderBytes);
    header->size = size;
    SetSourceName(header, source_name);
    header->source_line = line;
    header->serial_id = g_alloc_tracker.next_serial++;

    if (g_alloc_tracker.newest == nullptr) g_alloc_tracker.newest = &g_alloc_tracker.sentinel;
    TrackedAllocHeader* older = g_alloc_tracker.newest;
    older->next = header;
    header->previous = older;
    header->next = nullptr;
    g_alloc_tracker.newest = header;
    RewriteMirror(header);
    RewriteMirror(older);

    AddToTotal(size, 0);
    g_alloc_tracker.live_count += 1;

    if (ShouldTrace(size)) {
        WriteLogText("mem alloc  ");
        LogAllocationRecord(header);
    }
    if (g_alloc_tracker.switches.log_totals_every_call == 1) LogAllocationTotals();
    if (g_alloc_tracker.switches.check_every_call == 1) CheckAllocations();
    return BlockOf(header);
}

void* TrackedCalloc(std::uint32_t size, const char* source_name, std::int16_t line) {
    void* block = TrackedAlloc(size, source_name, line);
    if (block != nullptr) FillBytes(block, 0, size);
    return block;
}

void TrackedFree(void* address) {
    if (address == nullptr) return;
    TrackerLock lock;
    TrackedAllocHeader* header = HeaderOf(address);
    AddToTotal(0, header->size);
    g_alloc_tracker.live_count -= 1;
    if (g_alloc_tracker.switches.check_every_call == 1) CheckAllocations();

    TrackedAllocHeader* previous = header->previous;
    TrackedAllocHeader* next = header->next;
    if (previous != nullptr) previous->next = next;
    if (next != nullptr) next->previous = previous;
    if (g_alloc_tracker.newest == header) g_alloc_tracker.newest = previous;
    RewriteMirror(next);
    RewriteMirror(previous);

    if (ShouldTrace(header->size)) {
        WriteLogText("mem free  ");
        LogAllocationRecord(header);
    }
    if (g_alloc_tracker.switches.log_totals_every_call == 1) LogAllocationTotals();
    HeapFree(GetProcessHeap(), 0, header);
}

void* TrackedRealloc(void* address, std::uint32_t new_size, const char* source_name, std::int16_t line) {
    if (address == nullptr) return TrackedAlloc(new_size, source_name, line);
    TrackerLock lock;
    TrackedAllocHeader* old_header = HeaderOf(address);
    const bool was_newest = g_alloc_tracker.newest == old_header;
    auto* header = new_size > 0xFFFFFFFFu - kTrackedHeaderBytes
                       ? nullptr
                       : static_cast<TrackedAllocHeader*>(
                             HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, old_header,
                                         static_cast<std::size_t>(new_size) + kTrackedHeaderBytes));
    if (header == nullptr) {
        DumpAllocations();
        return nullptr;
    }
    SetSourceName(header, source_name);
    header->source_line = line;
    header->serial_id = g_alloc_tracker.next_serial++;
    if (header->previous != nullptr) header->previous->next = header;
    if (header->next != nullptr) header->next->previous = header;
    if (was_newest) g_alloc_tracker.newest = header;
    AddToTotal(new_size, header->size);
    header->size = new_size;
    RewriteMirror(header);
    RewriteMirror(header->previous);
    RewriteMirror(header->next);

    if (ShouldTrace(new_size)) {
        WriteLogText("mem realloc  ");
        LogAllocationRecord(header);
    }
    if (g_alloc_tracker.switches.log_totals_every_call == 1) LogAllocationTotals();
    if (g_alloc_tracker.switches.check_every_call == 1) CheckAllocations();
    return BlockOf(header);
}

AllocTrackerSwitches* GetAllocTrackerSwitches() { return &g_alloc_tracker.switches; }
