// The process heap: zero-filled allocation, resizing that keeps the contents and
// zero-fills only the bytes it adds, and refusals that leave the old block alone.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "platform/kernel.h"

TEST(KernelHeap, AllocateZeroedAndAligned) {
    HANDLE heap = GetProcessHeap();
    ASSERT_NE(heap, nullptr);
    EXPECT_EQ(GetProcessHeap(), heap);
    auto* block = static_cast<unsigned char*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, 100));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(block[i], 0) << i;
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % 16, 0u);
    EXPECT_TRUE(HeapFree(heap, 0, block));
    void* empty = HeapAlloc(heap, 0, 0);
    EXPECT_NE(empty, nullptr);
    HeapFree(heap, 0, empty);
    EXPECT_TRUE(HeapFree(heap, 0, nullptr));
}

TEST(KernelHeap, GrowthIsZeroFilledAndContentsKept) {
    HANDLE heap = GetProcessHeap();
    auto* block = static_cast<unsigned char*>(HeapAlloc(heap, 0, 16));
    std::memset(block, 0xAA, 16);
    // Shrink, then grow past the first size: the bytes beyond the shrunk size are new.
    block = static_cast<unsigned char*>(HeapReAlloc(heap, HEAP_ZERO_MEMORY, block, 8));
    ASSERT_NE(block, nullptr);
    block = static_cast<unsigned char*>(HeapReAlloc(heap, HEAP_ZERO_MEMORY, block, 5000));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(block[i], 0xAA) << i;
    for (int i = 8; i < 5000; ++i) ASSERT_EQ(block[i], 0) << i;
    std::memset(block, 0x11, 5000);
    block = static_cast<unsigned char*>(HeapReAlloc(heap, HEAP_ZERO_MEMORY, block, 5001));
    EXPECT_EQ(block[4999], 0x11);
    EXPECT_EQ(block[5000], 0);
    HeapFree(heap, 0, block);
}

TEST(KernelHeap, RefusalsLeaveTheOldBlockValid) {
    HANDLE heap = GetProcessHeap();
    EXPECT_EQ(HeapAlloc(nullptr, 0, 8), nullptr);
    EXPECT_EQ(HeapAlloc(heap, 0, static_cast<std::size_t>(-1)), nullptr);
    auto* block = static_cast<char*>(HeapAlloc(heap, 0, 4));
    std::memcpy(block, "keep", 4);
    EXPECT_EQ(HeapReAlloc(heap, HEAP_ZERO_MEMORY, block, static_cast<std::size_t>(-1)), nullptr);
    EXPECT_EQ(HeapReAlloc(heap, 0, nullptr, 8), nullptr);
    EXPECT_EQ(std::memcmp(block, "keep", 4), 0);
    HeapFree(heap, 0, block);
}
