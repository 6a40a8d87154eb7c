// Light handles: slots, check counts and the highest-used mark, refusals of bad handles,
// the normalised direction, a full table refusing the next light, and the draw-settings
// reset keeping a single default light.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/core/tracked_alloc.h"
#include "engine/d3d/d3d_state.h"
#include "engine/graphics/draw/draw_settings.h"
#include "tests/support/engine_session.h"
#include "tests/support/engine_testing/core_testing.h"
#include "tests/support/engine_testing/d3d_testing.h"

namespace {

class LightTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteAllLightHandles();
        Lights().next_check = 0;
    }
    void TearDown() override { DeleteAllLightHandles(); }
};

TEST_F(LightTableTest, TheFirstLightTakesSlotZeroWithCheckZeroAndANormalisedDirection) {
    const int handle = CreateDirectionalLight(1.0f, -1.0f, 1.0f);
    EXPECT_EQ(handle, 0x60000000);
    const LightData* light = GetLightData(handle);
    ASSERT_NE(light, nullptr);
    EXPECT_EQ(light->light.type, 3u);
    const float third = 1.0f / std::sqrt(3.0f);
    EXPECT_FLOAT_EQ(light->light.direction[0], third);
    EXPECT_FLOAT_EQ(light->light.direction[1], -third);
    EXPECT_FLOAT_EQ(light->light.direction[2], third);
    EXPECT_EQ(light->light.diffuse[3], 1.0f);
    EXPECT_EQ(light->light.ambient[0], 0.33f);
    EXPECT_EQ(light->device_index, -1);
    EXPECT_EQ(light->enabled, 1u);
    EXPECT_EQ(Lights().lights_changed, 1);
    // A zero vector is taken as it is: its direction is not finite.
    const LightData* zero = GetLightData(CreateDirectionalLight(0.0f, 0.0f, 0.0f));
    ASSERT_NE(zero, nullptr);
    EXPECT_FALSE(std::isfinite(zero->light.direction[0]));
}

TEST_F(LightTableTest, DeletingTheHighestLightLowersTheMarkPastEmptySlots) {
    const int a = CreateLightHandle();
    const int b = CreateLightHandle();
    const int c = CreateLightHandle();
    EXPECT_EQ(Lights().end_mark, 3);
    EXPECT_EQ(DeleteLightHandle(b), 0);
    EXPECT_EQ(Lights().end_mark, 3);
    EXPECT_EQ(DeleteLightHandle(c), 0);
    EXPECT_EQ(Lights().end_mark, 1);
    EXPECT_EQ(DeleteLightHandle(a), 0);
    EXPECT_EQ(Lights().end_mark, 0);
    EXPECT_EQ(Lights().count, 0);
}

TEST_F(LightTableTest, HandlesOfAnotherKindOrAStaleCheckAreRefused) {
    const int handle = CreateLightHandle();
    EXPECT_EQ(DeleteLightHandle(handle), 0);
    const int again = CreateLightHandle();  // the same slot, the next check count
    EXPECT_NE(again, handle);
    for (int bad : {handle, -1, again & 0x07FFFFFF, (again & ~0x78000000) | 0x30000000, again | 0xFFFF}) {
        EXPECT_EQ(DeleteLightHandle(bad), -1) << std::hex << bad;
    }
    EXPECT_EQ(DeleteLightHandle(again), 0);
}

TEST_F(LightTableTest, AFullTableRefusesTheNextLight) {
    const int before = TrackedLiveBlockCount();
    for (int i = 0; i < kLightSlots; ++i) ASSERT_NE(CreateLightHandle(), -1) << i;
    EXPECT_EQ(Lights().count, kLightSlots);
    EXPECT_EQ(CreateLightHandle(), -1);
    EXPECT_EQ(CreateDirectionalLight(1.0f, 0.0f, 0.0f), -1);
    EXPECT_EQ(TrackedLiveBlockCount(), before + kLightSlots);
    // With one slot free below the mark, the next light takes it.
    const int freed = Lights().records[100]->handle;
    EXPECT_EQ(DeleteLightHandle(freed), 0);
    const int handle = CreateLightHandle();
    EXPECT_EQ(handle & 0xFFFF, 100);
    EXPECT_EQ(DeleteAllLightHandles(), 0);
    EXPECT_EQ(Lights().count, 0);
    EXPECT_EQ(TrackedLiveBlockCount(), before);
}

}  // namespace

namespace {

TEST(DefaultLight, EachDrawSettingsResetKeepsOneDefaultLight) {
    engine_test::EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    const int first = GetDrawSettings()->default_light;
    EXPECT_NE(GetLightData(first), nullptr);
    EXPECT_EQ(Lights().count, 1);
    ResetDrawSettings();
    ResetDrawSettings();
    EXPECT_EQ(Lights().count, 1);
    EXPECT_EQ(GetLightData(first), nullptr);
    const LightData* light = GetLightData(GetDrawSettings()->default_light);
    ASSERT_NE(light, nullptr);
    EXPECT_FLOAT_EQ(light->light.direction[1], -1.0f / std::sqrt(3.0f));
    EXPECT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(Lights().count, 0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

}  // namespace
