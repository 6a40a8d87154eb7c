// Handle values and tables: validation, slot order, the end mark and the check count.
#include <gtest/gtest.h>

#include <vector>

#include "engine/core/handle_table.h"
#include "engine/core/tracked_alloc.h"

namespace {

struct TestRecord {
    std::uint32_t check;
    int payload;
};

constexpr int kLimit = 8;

class HandleTableTest : public ::testing::Test {
protected:
    void* slots_[kLimit] = {};
    HandleTable table_{kHandleKindFont, kLimit, slots_, 0, 0, 0};

    int Create() {
        void* record = nullptr;
        int full = -1;
        const int handle = CreateHandleRecord(table_, sizeof(TestRecord), &record, &full);
        return handle;
    }
    void TearDown() override {
        for (int slot = 0; slot < kLimit; ++slot) {
            if (slots_[slot] != nullptr) TrackedFree(slots_[slot]);
        }
    }
};

TEST_F(HandleTableTest, HandleLayout) {
    EXPECT_EQ(MakeHandleValue(kHandleKindGraph, 0, 0), 0x08000000);
    EXPECT_EQ(MakeHandleValue(kHandleKindSoftImage, 2047, 0xFFFF), 0x77FFFFFF);
    EXPECT_EQ(MakeHandleValue(kHandleKindFont, 5, 3), 0x20000000 | (5 << 16) | 3);
}

TEST_F(HandleTableTest, RejectsBadValuesWithoutTouchingTheTable) {
    const int good = Create();
    ASSERT_GE(good, 0);
    const int slot0_other_check = MakeHandleValue(kHandleKindFont, 1, 0);
    const int rejected[] = {
        -1,
        static_cast<int>(0x80000000u),
        good | static_cast<int>(0x80000000u),       // sign bit
        MakeHandleValue(kHandleKindGraph, 0, 0),     // another kind
        MakeHandleValue(kHandleKindFont, 0, kLimit), // slot at the limit
        MakeHandleValue(kHandleKindFont, 0, 1),      // empty slot
        slot0_other_check,                           // stale check count
    };
    for (int value : rejected) {
        EXPECT_EQ(LookupHandleRecord(table_, value), nullptr) << std::hex << value;
        EXPECT_EQ(FreeHandleRecord(table_, value), -1) << std::hex << value;
    }
    EXPECT_EQ(table_.live_count, 1);
    EXPECT_EQ(table_.end_mark, 1);
    EXPECT_NE(LookupHandleRecord(table_, good), nullptr);
}

TEST_F(HandleTableTest, WideKindsTestTheSignBitWithTheirMask) {
    EXPECT_EQ(ValidateHandleSlot(MakeHandleValue(kHandleKindTexturePiece, 0, 0xFFFF), kHandleKindTexturePiece, 65536),
              0xFFFF);
    EXPECT_EQ(ValidateHandleSlot(MakeHandleValue(kHandleKindTexturePiece, 0, 3) | static_cast<int>(0x80000000u),
                                 kHandleKindTexturePiece, 65536),
              -1);
    EXPECT_EQ(ValidateHandleSlot(MakeHandleValue(kHandleKindSurfaceData, 0, 3), kHandleKindTexturePiece, 65536), -1);
}

TEST_F(HandleTableTest, SlotsRiseUntilTheLimitThenTheLowestFreeIsReused) {
    std::vector<int> handles;
    for (int i = 0; i < 3; ++i) handles.push_back(Create());
    ASSERT_EQ(FreeHandleRecord(table_, handles[0]), 0);
    // Below the limit new slots keep rising even though slot 0 is free.
    for (int i = 3; i < kLimit; ++i) {
        const int h = Create();
        EXPECT_EQ(h & kHandleSlotMask, i);
    }
    EXPECT_EQ(table_.end_mark, kLimit);
    // At the limit the freed slot 0 is used.
    EXPECT_EQ(Create() & kHandleSlotMask, 0);
    // Full: no slot left.
    void* record = nullptr;
    int full = 0;
    EXPECT_EQ(CreateHandleRecord(table_, sizeof(TestRecord), &record, &full), -1);
    EXPECT_EQ(full, 1);
    EXPECT_EQ(record, nullptr);
}

TEST_F(HandleTableTest, EndMarkFallsPastEmptySlots) {
    std::vector<int> h;
    for (int i = 0; i < 5; ++i) h.push_back(Create());
    FreeHandleRecord(table_, h[2]);
    FreeHandleRecord(table_, h[3]);
    EXPECT_EQ(table_.end_mark, 5);
    FreeHandleRecord(table_, h[4]);
    EXPECT_EQ(table_.end_mark, 2);
    FreeHandleRecord(table_, h[0]);
    EXPECT_EQ(table_.end_mark, 2);
    FreeHandleRecord(table_, h[1]);
    EXPECT_EQ(table_.end_mark, 0);
    EXPECT_EQ(table_.live_count, 0);
}

TEST_F(HandleTableTest, StaleHandleComesBackOnlyAfterTheCheckCountWraps) {
    const int stale = Create();
    ASSERT_EQ(FreeHandleRecord(table_, stale), 0);
    // 2,047 more creations: the slot is reused with other check counts.
    for (int i = 1; i < kHandleCheckCountLimit; ++i) {
        const int h = Create();
        ASSERT_EQ(h & kHandleSlotMask, 0);
        EXPECT_EQ(LookupHandleRecord(table_, stale), nullptr);
        ASSERT_EQ(FreeHandleRecord(table_, h), 0);
    }
    // The 2,048th creation after it hands out the same value again.
    const int again = Create();
    EXPECT_EQ(again, stale);
    EXPECT_NE(LookupHandleRecord(table_, stale), nullptr);
}

}  // namespace
