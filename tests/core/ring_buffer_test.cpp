// The ring buffer: growth, wrap-around, peek, and refusal of sizes a peer could send.
#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <string>
#include <vector>

#include "engine/core/ring_buffer.h"
#include "platform/testing/fake_system.h"
#include "platform/testing/manual_clock.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_log.h"

namespace {

std::vector<unsigned char> Bytes(int n, int first) {
    std::vector<unsigned char> v(static_cast<std::size_t>(n));
    std::iota(v.begin(), v.end(), static_cast<unsigned char>(first));
    return v;
}

TEST(RingBuffer, FirstAppendMakesRoomForTheDataAndAThousandBytes) {
    RingBuffer ring{};
    const auto data = Bytes(10, 0);
    ASSERT_EQ(RingBufferAppend(&ring, data.data(), 10), 0);
    EXPECT_EQ(ring.capacity, 1010);
    EXPECT_EQ(ring.held, 10);
    EXPECT_EQ(ring.write, 10);
    ReleaseRingBuffer(&ring);
    EXPECT_EQ(ring.data, nullptr);
    EXPECT_EQ(ring.capacity, 0);
}

TEST(RingBuffer, FillingTheFreeSpaceDoesNotGrowOneMoreByteUnwraps) {
    RingBuffer ring{};
    auto first = Bytes(10, 0);
    RingBufferAppend(&ring, first.data(), 10);  // capacity 1010
    unsigned char sink[1010];
    ASSERT_EQ(RingBufferRead(&ring, 6, sink, 0), 0);  // read = 6, held 4
    auto fill = Bytes(1006, 100);                      // exactly the free space; wraps
    ASSERT_EQ(RingBufferAppend(&ring, fill.data(), 1006), 0);
    EXPECT_EQ(ring.capacity, 1010);
    EXPECT_EQ(ring.held, 1010);
    EXPECT_EQ(ring.write, 6);
    // One byte more: capacity = held + n + 1000, queue moved to the block's start.
    unsigned char extra = 0xEE;
    ASSERT_EQ(RingBufferAppend(&ring, &extra, 1), 0);
    EXPECT_EQ(ring.capacity, 1010 + 1 + 1000);
    EXPECT_EQ(ring.read, 0);
    EXPECT_EQ(ring.write, 1011);
    std::vector<unsigned char> out(1011);
    ASSERT_EQ(RingBufferRead(&ring, 1011, out.data(), 0), 0);
    std::vector<unsigned char> expected(first.begin() + 6, first.end());
    expected.insert(expected.end(), fill.begin(), fill.end());
    expected.push_back(0xEE);
    EXPECT_EQ(out, expected);
    ReleaseRingBuffer(&ring);
}

TEST(RingBuffer, PeekThenReadGiveTheSameBytesAcrossTheWrap) {
    RingBuffer ring{};
    auto a = Bytes(1000, 0);
    RingBufferAppend(&ring, a.data(), 1000);  // capacity 2000
    std::vector<unsigned char> sink(1000);
    RingBufferRead(&ring, 1000, sink.data(), 0);  // read = 1000
    auto b = Bytes(1500, 7);                       // wraps past the end
    ASSERT_EQ(RingBufferAppend(&ring, b.data(), 1500), 0);
    ASSERT_EQ(ring.capacity, 2000);
    std::vector<unsigned char> peeked(1500), read(1500);
    ASSERT_EQ(RingBufferRead(&ring, 1500, peeked.data(), 1), 0);
    EXPECT_EQ(ring.held, 1500);
    EXPECT_EQ(ring.read, 1000);
    ASSERT_EQ(RingBufferRead(&ring, 1500, read.data(), 0), 0);
    EXPECT_EQ(peeked, b);
    EXPECT_EQ(read, b);
    EXPECT_EQ(ring.held, 0);
    ReleaseRingBuffer(&ring);
}

TEST(RingBuffer, ReadEndingAtTheCapacityWrapsOnTheNextOperation) {
    RingBuffer ring{};
    auto a = Bytes(1000, 0);
    RingBufferAppend(&ring, a.data(), 1000);  // capacity 2000
    std::vector<unsigned char> sink(2000);
    RingBufferRead(&ring, 1000, sink.data(), 0);
    auto b = Bytes(1000, 1);
    RingBufferAppend(&ring, b.data(), 1000);  // write = 2000
    ASSERT_EQ(RingBufferRead(&ring, 1000, sink.data(), 0), 0);
    EXPECT_EQ(ring.read, 2000);
    unsigned char c = 42;
    ASSERT_EQ(RingBufferAppend(&ring, &c, 1), 0);
    EXPECT_EQ(ring.read, 0);
    EXPECT_EQ(ring.write, 1);
    unsigned char out = 0;
    ASSERT_EQ(RingBufferRead(&ring, 1, &out, 0), 0);
    EXPECT_EQ(out, 42);
    ReleaseRingBuffer(&ring);
}

TEST(RingBuffer, ShortReadChangesNothing) {
    RingBuffer ring{};
    auto a = Bytes(5, 0);
    RingBufferAppend(&ring, a.data(), 5);
    const RingBuffer before = ring;
    unsigned char out[8];
    EXPECT_EQ(RingBufferRead(&ring, 6, out, 0), -1);
    EXPECT_EQ(RingBufferRead(&ring, -1, out, 0), -1);
    EXPECT_EQ(std::memcmp(&before, &ring, sizeof ring), 0);
    ReleaseRingBuffer(&ring);
}

// Sizes come from a peer's length prefix: refused sizes must keep what is queued.
TEST(RingBuffer, RefusedSizesKeepTheQueuedBytesAndAreLogged) {
    ScopedTempDir dir;
    ManualClock clock;
    StartTestLog();
    RingBuffer ring{};
    auto a = Bytes(10, 1);
    RingBufferAppend(&ring, a.data(), 10);
    const int capacity = ring.capacity;
    unsigned char dummy = 0;
    EXPECT_EQ(RingBufferAppend(&ring, &dummy, -5), -1);
    EXPECT_EQ(RingBufferAppend(&ring, &dummy, INT32_MAX - 100), -1);
    EXPECT_EQ(ring.held, 10);
    EXPECT_EQ(ring.capacity, capacity);
    std::vector<unsigned char> out(10);
    ASSERT_EQ(RingBufferRead(&ring, 10, out.data(), 0), 0);
    EXPECT_EQ(out, a);
    EXPECT_EQ(ReadTestLog(),
              "0:リングバッファへのデータの追加に失敗しました(追加する長さ -5 byte)\r\n"
              "0:リングバッファの再確保に失敗しました(確保しようとしたサイズ 2147484557 byte)\r\n"
              "0:リングバッファへのデータの追加に失敗しました(追加する長さ 2147483547 byte)\r\n");
    ReleaseRingBuffer(&ring);
}

// The heap refuses the larger block: the queue keeps its block, its bytes and their order
// (across the wrap), both steps log, and the next growth that the heap grants works.
TEST(RingBuffer, AFailedGrowthKeepsTheQueuedBytesInOrder) {
    ScopedTempDir dir;
    ManualClock clock;
    StartTestLog();
    RingBuffer ring{};
    const auto a = Bytes(1000, 1);
    ASSERT_EQ(RingBufferAppend(&ring, a.data(), 1000), 0);  // capacity 2000
    std::vector<unsigned char> out(1000);
    ASSERT_EQ(RingBufferRead(&ring, 600, out.data(), 0), 0);
    const auto b = Bytes(900, 7);
    ASSERT_EQ(RingBufferAppend(&ring, b.data(), 900), 0);  // wraps: 400 + 900 held
    ASSERT_EQ(ring.capacity, 2000);
    const RingBuffer before = ring;
    const auto c = Bytes(800, 3);
    {
        RefuseLargeHeapBlocks refuse(2048);
        EXPECT_EQ(RingBufferAppend(&ring, c.data(), 800), -1);
    }
    EXPECT_EQ(ring.data, before.data);
    EXPECT_EQ(ring.capacity, before.capacity);
    EXPECT_EQ(ring.held, before.held);
    EXPECT_EQ(ring.read, before.read);
    EXPECT_EQ(ring.write, before.write);
    // The allocator's dump of the live blocks (the queue's 2,000 bytes), then both refusals.
    const std::string log = ReadTestLog();
    EXPECT_NE(log.find("size:2000(1.953kb)"), std::string::npos) << log;
    const std::string refusals =
        "0:リングバッファの再確保に失敗しました(確保しようとしたサイズ 3100 byte)\r\n"
        "0:リングバッファへのデータの追加に失敗しました(追加する長さ 800 byte)\r\n";
    ASSERT_GE(log.size(), refusals.size());
    EXPECT_EQ(log.substr(log.size() - refusals.size()), refusals);
    // Granted now: the held bytes, then the new ones, in order.
    ASSERT_EQ(RingBufferAppend(&ring, c.data(), 800), 0);
    EXPECT_EQ(ring.capacity, 3100);
    std::vector<unsigned char> all(2100);
    ASSERT_EQ(RingBufferRead(&ring, 2100, all.data(), 0), 0);
    std::vector<unsigned char> want(a.begin() + 600, a.end());
    want.insert(want.end(), b.begin(), b.end());
    want.insert(want.end(), c.begin(), c.end());
    EXPECT_EQ(all, want);
    ReleaseRingBuffer(&ring);
}

}  // namespace
