// Masks: handles of the mask table are checked (kind, slot, used flag, check count),
// the use switch without a request leaves the mask inactive, and with the mask screen
// requested a draw bracketed by an all-zero mask leaves the target as it was, while a
// mask that allows a rectangle lets the drawing through only there (also reversed), and
// a forbidden pixel of a graph with alpha comes back exactly.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/app/window_modes.h"
#include "engine/core/tracked_alloc.h"
#include "engine/d3d/d3d.h"
#include "engine/graphics/draw/draw_entry.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/draw/masks.h"
#include "engine/graphics/graphs/graph_handles.h"
#include "engine/graphics/graphs/surface_2d.h"
#include "engine/graphics/graphs/surface_data.h"
#include "engine/graphics/screen/screen_internal.h"
#include "engine/graphics/screen/screen_state.h"
#include "platform/testing/display_testing.h"
#include "tests/graphics/mask_rectangle.h"
#include "tests/support/engine_session.h"
#include "tests/support/engine_testing/core_testing.h"
#include "tests/support/engine_testing/graphics_testing.h"

using engine_test::EngineSession;
using mask_test::AllowTheSmallRectangle;
using mask_test::InSmallRectangle;

namespace {

std::uint32_t BackPixel(int x, int y) {
    const MEMIMG& back = GetScreenState()->back_image;
    std::uint32_t raw = 0;
    std::memcpy(&raw, back.pixels + y * back.block->pitch + x * 4, 4);
    return raw & 0xFFFFFF;
}

TEST(Masks, HandlesAreCheckedAndDeletedOnce) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    MaskSlot* slot = GetMaskSlot(3);
    slot->check = 77;
    slot->used = 1;
    slot->data = static_cast<std::uint8_t*>(TrackedAlloc(16, __FILE__, __LINE__));
    const int handle = MakeMaskHandleOfSlot(3);
    EXPECT_EQ(handle, 0x40000000 | 77 << 16 | 3);
    EXPECT_EQ(DeleteMaskHandle(handle & ~0x40000000), -1);
    EXPECT_EQ(DeleteMaskHandle(0x40000000 | 76 << 16 | 3), -1);
    EXPECT_EQ(DeleteMaskHandle(0x40000000 | 77 << 16 | 512), -1);
    EXPECT_EQ(DeleteMaskHandle(-1), -1);
    EXPECT_EQ(DeleteMaskHandle(handle), 0);
    EXPECT_EQ(slot->used, 0);
    EXPECT_EQ(DeleteMaskHandle(handle), -1);
    // What is left is deleted with the graphics.
    GetMaskSlot(9)->used = 1;
    GetMaskSlot(9)->data = static_cast<std::uint8_t*>(TrackedAlloc(16, __FILE__, __LINE__));
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(GetMaskSlot(9)->used, 0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

TEST(Masks, UseWithoutARequestLeavesTheMaskInactive) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    EXPECT_EQ(SetMaskScreenUse(1), -1);  // no mask screen yet
    ASSERT_EQ(SetupMaskScreen(1), 0);
    EXPECT_EQ(SetMaskScreenUse(1), 0);
    EXPECT_EQ(GetMaskScreenUse(), 1);
    EXPECT_EQ(IsMaskScreenActive(), 0);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

TEST(Masks, TheMaskDecidesWhereADrawLands) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    ASSERT_EQ(ApiChooseDrawTarget(kDrawTargetBack), 0);
    ASSERT_EQ(DrawRectangle(0, 0, 64, 64, MakeColorValue(0x10, 0x20, 0x30), 1), 0);
    MaskScreenState* mask = GetMaskScreenState();
    mask->request = 1;
    ASSERT_EQ(SetupMaskScreen(1), 0);
    ASSERT_EQ(SetMaskScreenUse(1), 0);
    ASSERT_EQ(IsMaskScreenActive(), 1);
    // All zero: nothing changes.
    ASSERT_EQ(DrawRectangle(0, 0, 64, 64, MakeColorValue(255, 255, 0), 1), 0);
    for (int y = 0; y < 64; y += 7) {
        for (int x = 0; x < 64; x += 7) EXPECT_EQ(BackPixel(x, y), 0x102030u) << x << "," << y;
    }
    // Allow (8, 8)-(16, 12) only.
    for (int y = 8; y < 12; ++y) std::memset(mask->bytes + y * mask->pitch + 8, 1, 8);
    ASSERT_EQ(DrawRectangle(0, 0, 64, 64, MakeColorValue(255, 255, 0), 1), 0);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            const bool allowed = x >= 8 && x < 16 && y >= 8 && y < 12;
            EXPECT_EQ(BackPixel(x, y), allowed ? 0xFFFF00u : 0x102030u) << x << "," << y;
        }
    }
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(IsMaskScreenActive(), 0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

// The key colour of the keep image is the raw value 0: a drawing of that value comes back
// from the keep image even where the mask allows drawing, while a target pixel of that
// value where the mask forbids drawing stays as it was. Reversed, the mask swaps sides.
TEST(Masks, KeyColouredPixelsAndTheReversedMask) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    ASSERT_EQ(ApiChooseDrawTarget(kDrawTargetBack), 0);
    ASSERT_EQ(DrawRectangle(0, 0, 64, 64, MakeColorValue(0x10, 0x20, 0x30), 1), 0);
    ASSERT_EQ(DrawRectangle(30, 30, 40, 40, 0, 1), 0);  // raw 0 before the mask
    MaskScreenState* mask = GetMaskScreenState();
    mask->request = 1;
    ASSERT_EQ(SetupMaskScreen(1), 0);
    ASSERT_EQ(SetMaskScreenUse(1), 0);
    AllowTheSmallRectangle(mask);
    ASSERT_EQ(DrawRectangle(0, 0, 20, 20, 0, 1), 0);
    ASSERT_EQ(DrawRectangle(25, 25, 45, 45, MakeColorValue(255, 255, 0), 1), 0);
    mask->reverse = 1;
    ASSERT_EQ(DrawRectangle(0, 0, 20, 20, MakeColorValue(0, 0, 255), 1), 0);
    for (int y = 0; y < 50; ++y) {
        for (int x = 0; x < 50; ++x) {
            std::uint32_t want = 0x102030;
            if (x < 20 && y < 20 && !InSmallRectangle(x, y)) want = 0x0000FF;
            if (x >= 30 && x < 40 && y >= 30 && y < 40) want = 0x000000;
            EXPECT_EQ(BackPixel(x, y), want) << x << "," << y;
        }
    }
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

// In software mode a graph with an alpha channel is drawn into directly; where the mask
// forbids drawing its pixels come back exactly, alpha included.
TEST(Masks, AForbiddenPixelOfAGraphWithAlphaComesBackExactly) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    ASSERT_EQ(GetScreenState()->software_render, 1);
    const int graph = CreateGraphAndSurface(32, 32, 0, 1, 0);
    ASSERT_GT(graph, 0);
    ASSERT_EQ(ApiChooseDrawTarget(graph), 0);
    MEMIMG* image = GetScreenState()->target_image;
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(MemImgBytesPerPixel(image), 4);
    FillMemImgRectRaw(image, nullptr, 0x80102030u);
    MaskScreenState* mask = GetMaskScreenState();
    mask->request = 1;
    ASSERT_EQ(SetupMaskScreen(1), 0);
    ASSERT_EQ(SetMaskScreenUse(1), 0);
    AllowTheSmallRectangle(mask);
    ASSERT_EQ(BeginMaskedDraw(0, 0, 20, 20), 0);
    const RECT drawn{0, 0, 20, 20};
    FillMemImgRectRaw(image, &drawn, 0x40FFFF00u);  // what a draw leaves on the graph
    ASSERT_EQ(EndMaskedDraw(0, 0, 20, 20), 0);
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 24; ++x) {
            std::uint32_t raw = 0;
            std::memcpy(&raw, image->pixels + y * image->block->pitch + x * 4, 4);
            EXPECT_EQ(raw, InSmallRectangle(x, y) ? 0x40FFFF00u : 0x80102030u) << x << "," << y;
        }
    }
    mask->request = 0;
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

}  // namespace
