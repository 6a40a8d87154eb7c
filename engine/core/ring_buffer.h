// RingBuffer: the growable byte queue kept per network connection. Sizes come from
// peers, so every size is checked: negative sizes and sizes whose growth would not fit
// 32 bits are refused.
#pragma once

#include <cstdint>

struct RingBuffer {
    unsigned char* data;  // tracked block of `capacity` bytes, or null
    std::int32_t read;    // where the oldest held byte lies
    std::int32_t write;   // where the next byte goes
    std::int32_t held;
    std::int32_t capacity;
};

int RingBufferAppend(RingBuffer* ring, const void* source, std::int32_t n);
int RingBufferRead(RingBuffer* ring, std::int32_t n, void* destination, int peek);
int RingBufferReserve(RingBuffer* ring, std::int32_t n);
void WrapRingBufferPositions(RingBuffer* ring);
int ReleaseRingBuffer(RingBuffer* ring);
