// The ring buffer: append with growth (new capacity = held + n + 1,000, the queue
// unwrapped to the start of the new block), read or peek with wrap-around. A failed
// growth keeps the old block and its bytes.
#include "engine/core/ring_buffer.h"

#include "engine/core/byte_memory.h"
#include "engine/core/text_log.h"
#include "engine/core/tracked_alloc.h"

namespace {
constexpr std::int64_t kGrowthSlack = 1000;
}

void WrapRingBufferPositions(RingBuffer* ring) {
    if (ring->read == ring->capacity) ring->read = 0;
    if (ring->write == ring->capacity) ring->write = 0;
}

int RingBufferReserve(RingBuffer* ring, std::int32_t n) {
    WrapRingBufferPositions(ring);
    if (n < 0) return -1;
    if (static_cast<std::int64_t>(ring->capacity) >= static_cast<std::int64_t>(ring->held) + n) return 0;
    const std::int64_t wanted = static_cast<std::int64_t>(ring->held) + n + kGrowthSlack;
    auto* block = wanted > INT32_MAX ? nullptr
                                     : static_cast<unsigned char*>(
                                           TrackedAlloc(static_cast<std::uint32_t>(wanted), "", 0));
    if (block == nullptr) {
        // The queued bytes stay where they are; only the growth is refused.
        WriteLogFormat("リングバッファの再確保に失敗しました(確保しようとしたサイズ %lld byte)",
                       static_cast<long long>(wanted));
        return -1;
    }
    if (ring->held > 0) {
        const std::int32_t first = ring->capacity - ring->read;
        if (ring->held > first) {
            CopyBytes(block, ring->data + ring->read, static_cast<std::uint32_t>(first));
            CopyBytes(block + first, ring->data, static_cast<std::uint32_t>(ring->held - first));
        } else {
            CopyBytes(block, ring->data + ring->read, static_cast<std::uint32_t>(ring->held));
        }
    }
    TrackedFree(ring->data);
    ring->data = block;
    ring->capacity = static_cast<std::int32_t>(wanted);
    ring->read = 0;
    ring->write = ring->held;
    return 0;
}

int RingBufferAppend(RingBuffer* ring, const void* source, std::int32_t n) {
    WrapRingBufferPositions(ring);
    if (RingBufferReserve(ring, n) == -1) {
        return WriteLogFormat("リングバッファへのデータの追加に失敗しました(追加する長さ %d byte)", n);
    }
    const auto* bytes = static_cast<const unsigned char*>(source);
    if (ring->write + n > ring->capacity) {
        const std::int32_t first = ring->capacity - ring->write;
        CopyBytes(ring->data + ring->write, bytes, static_cast<std::uint32_t>(first));
        CopyBytes(ring->data, bytes + first, static_cast<std::uint32_t>(n - first));
        ring->write = n - first;
    } else {
        CopyBytes(ring->data + ring->write, bytes, static_cast<std::uint32_t>(n));
        ring->write += n;
    }
    ring->held += n;
    return 0;
}

int RingBufferRead(RingBuffer* ring, std::int32_t n, void* destination, int peek) {
    if (n < 0 || ring->held < n) return -1;
    WrapRingBufferPositions(ring);
    auto* out = static_cast<unsigned char*>(destination);
    if (ring->read + n > ring->capacity) {
        const std::int32_t first = ring->capacity - ring->read;
        CopyBytes(out, ring->data + ring->read, static_cast<std::uint32_t>(first));
        CopyBytes(out + first, ring->data, static_cast<std::uint32_t>(n - first));
        if (!peek) ring->read = n - first;
    } else {
        CopyBytes(out, ring->data + ring->read, static_cast<std::uint32_t>(n));
        if (!peek) ring->read += n;
    }
    if (!peek) ring->held -= n;
    return 0;
}

int ReleaseRingBuffer(RingBuffer* ring) {
    if (ring->data != nullptr) TrackedFree(ring->data);
    *ring = RingBuffer{};
    return 0;
}
