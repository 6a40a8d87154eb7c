// The process heap over the C library's allocator. Blocks remember their size in a
// small prefix so that a resize can zero-fill exactly the bytes it adds. Tests can make
// large requests fail (platform_hooks.h).
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "platform/kernel.h"
#include "platform/platform_hooks.h"
#include "platform/posix/kernel_object.h"

namespace {

struct HeapObject : KernelObject {};

// The prefix keeps the 16-byte alignment of the C library's blocks.
struct alignas(16) BlockPrefix {
    std::size_t size;
};

HeapObject g_process_heap;
std::atomic<std::size_t> g_refused_from{static_cast<std::size_t>(-1)};

bool Refused(std::size_t bytes) { return bytes >= g_refused_from.load(std::memory_order_relaxed); }

}  // namespace

void platform_hooks::SetHeapRefusalSize(std::size_t bytes) { g_refused_from.store(bytes); }

HANDLE GetProcessHeap() { return &g_process_heap; }

void* HeapAlloc(HANDLE heap, DWORD flags, std::size_t bytes) {
    if (heap == nullptr || bytes > static_cast<std::size_t>(-1) - sizeof(BlockPrefix) || Refused(bytes)) return nullptr;
    auto* prefix = static_cast<BlockPrefix*>(std::malloc(sizeof(BlockPrefix) + bytes));
    if (prefix == nullptr) return nullptr;
    prefix->size = bytes;
    if (flags & HEAP_ZERO_MEMORY) std::memset(prefix + 1, 0, bytes);
    return prefix + 1;
}

void* HeapReAlloc(HANDLE heap, DWORD flags, void* block, std::size_t bytes) {
    if (heap == nullptr || block == nullptr || bytes > static_cast<std::size_t>(-1) - sizeof(BlockPrefix) ||
        Refused(bytes)) {
        return nullptr;
    }
    auto* old_prefix = static_cast<BlockPrefix*>(block) - 1;
    const std::size_t old_size = old_prefix->size;
    auto* prefix = static_cast<BlockPrefix*>(std::realloc(old_prefix, sizeof(BlockPrefix) + bytes));
    if (prefix == nullptr) return nullptr;
    prefix->size = bytes;
    if ((flags & HEAP_ZERO_MEMORY) && bytes > old_size) {
        std::memset(reinterpret_cast<unsigned char*>(prefix + 1) + old_size, 0, bytes - old_size);
    }
    return prefix + 1;
}

BOOL HeapFree(HANDLE heap, DWORD, void* block) {
    if (heap == nullptr) return FALSE;
    if (block != nullptr) std::free(static_cast<BlockPrefix*>(block) - 1);
    return TRUE;
}
