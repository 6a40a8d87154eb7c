// Pad vibration: the effects follow the vibrating flag and power while the window is
// active and all stop while it is not; the tick counts a duration down (never a negative
// one, nothing when the counter went back) and stops the pad; StopPadVibration changes
// nothing on pads that are not vibrating, absent, or without a constant-force effect.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/input/input.h"
#include "engine/input/input_state.h"
#include "tests/input/input_fixture.h"

namespace {

class PadVibration : public InputTest {
protected:
    void SetUp() override {
        InputTest::SetUp();
        input_.AttachPad(NamedPad("Rumbler"));
        input_.AttachPad(NamedPad("Quiet", /*rumble=*/false));
        ASSERT_EQ(InitializeInput(), 0);
        ASSERT_EQ(GetInputState()->pad_count, 2);
        input_.TakeCalls();
        input_.TakeRumble();
    }
    PadRecord& Pad(int index) { return GetInputState()->pads[index]; }
    std::vector<std::string> EffectCalls() { return TakeCalls("Joystick0.Effect"); }
};

TEST_F(PadVibration, PadsAreSetUpStillAndApplyingChangesNothing) {
    EXPECT_EQ(Pad(0).vibrating, 0);
    EXPECT_EQ(Pad(0).power, 10000);
    EXPECT_EQ(ApplyJoypadVibration(), 0);
    EXPECT_EQ(TickJoypadVibration(), 0);
    EXPECT_EQ(EffectCalls(), std::vector<std::string>{});
    EXPECT_TRUE(input_.TakeRumble().empty());
}

TEST_F(PadVibration, EffectsFollowTheFlagAndPower) {
    Pad(0).vibrating = 1;
    EXPECT_EQ(ApplyJoypadVibration(), 0);
    EXPECT_EQ(EffectCalls(),
              (std::vector<std::string>{"Joystick0.Effect.ConstantForce.Start", "Joystick0.Effect.Sine.Start"}));
    EXPECT_EQ(Pad(0).constant_playing, 1);
    EXPECT_EQ(Pad(0).sine_playing, 1);
    // Both motors run at full strength while the effects play.
    const std::vector<platform_hooks::RumbleRecord> rumble = input_.TakeRumble();
    ASSERT_FALSE(rumble.empty());
    EXPECT_EQ(rumble.back().place, 0);
    EXPECT_EQ(rumble.back().low, 65535);
    EXPECT_EQ(rumble.back().high, 65535);
    EXPECT_GT(rumble.back().duration_ms, 0u);

    // A power of 5000 or less plays only the constant force.
    Pad(0).power = 5000;
    ApplyJoypadVibration();
    EXPECT_EQ(EffectCalls(), std::vector<std::string>{"Joystick0.Effect.Sine.Stop"});
    EXPECT_EQ(Pad(0).sine_playing, 0);
    ASSERT_FALSE((input_.TakeRumble()).empty());

    // Applying again with nothing changed makes no call.
    ApplyJoypadVibration();
    EXPECT_EQ(EffectCalls(), std::vector<std::string>{});

    // The pad stops; the motors stop.
    EXPECT_EQ(StopPadVibration(1), 0);
    EXPECT_EQ(EffectCalls(), std::vector<std::string>{"Joystick0.Effect.ConstantForce.Stop"});
    EXPECT_EQ(Pad(0).vibrating, 0);
    EXPECT_EQ(Pad(0).power, 10000);
    const std::vector<platform_hooks::RumbleRecord> stopped = input_.TakeRumble();
    ASSERT_FALSE(stopped.empty());
    EXPECT_EQ(stopped.back().low, 0);
    EXPECT_EQ(stopped.back().high, 0);
}

TEST_F(PadVibration, InactiveWindowStopsEveryPlayingEffect) {
    Pad(0).vibrating = 1;
    ApplyJoypadVibration();
    EffectCalls();
    SetWindowActive(false);
    ApplyJoypadVibration();
    EXPECT_EQ(EffectCalls(),
              (std::vector<std::string>{"Joystick0.Effect.ConstantForce.Stop", "Joystick0.Effect.Sine.Stop"}));
    EXPECT_EQ(Pad(0).constant_playing, 0);
    EXPECT_EQ(Pad(0).sine_playing, 0);
    EXPECT_EQ(Pad(0).vibrating, 1);
    // Nothing is started while inactive; activation starts the effects again.
    ApplyJoypadVibration();
    EXPECT_EQ(EffectCalls(), std::vector<std::string>{});
    SetWindowActive(true);
    ApplyJoypadVibration();
    EXPECT_EQ(EffectCalls(),
              (std::vector<std::string>{"Joystick0.Effect.ConstantForce.Start", "Joystick0.Effect.Sine.Start"}));
}

TEST_F(PadVibration, StopChangesNothingWhereThereIsNothingToStop) {
    Pad(1).vibrating = 1;  // the pad without effects
    for (const int number : {0, 1, 2, 3, 8, 9, -5, 0x1000 | 3}) {
        SCOPED_TRACE(number);
        EXPECT_EQ(StopPadVibration(number), 0);
    }
    EXPECT_EQ(Pad(1).vibrating, 1);
    EXPECT_EQ(input_.TakeCalls(), std::vector<std::string>{});
    // 0x1000 is ignored.
    Pad(0).vibrating = 1;
    ApplyJoypadVibration();
    EffectCalls();
    EXPECT_EQ(StopPadVibration(1 | 0x1000), 0);
    EXPECT_EQ(Pad(0).vibrating, 0);
}

TEST_F(PadVibration, TickCountsTheDurationDown) {
    Pad(0).vibrating = 1;
    Pad(0).duration = 100;
    Pad(0).last_tick = 1000;
    clock_.AdvanceMs(60);
    TickJoypadVibration();
    EXPECT_EQ(Pad(0).elapsed, 60);
    EXPECT_EQ(Pad(0).vibrating, 1);
    // The same millisecond again counts nothing.
    TickJoypadVibration();
    EXPECT_EQ(Pad(0).elapsed, 60);
    clock_.AdvanceMs(40);
    TickJoypadVibration();
    EXPECT_EQ(Pad(0).elapsed, 100);
    EXPECT_EQ(Pad(0).vibrating, 0);
    EXPECT_EQ(Pad(0).power, 10000);
    EXPECT_EQ(Pad(0).constant_playing, 0);
}

TEST_F(PadVibration, CounterGoingBackAddsNothingAndNegativeDurationsNeverEnd) {
    Pad(0).vibrating = 1;
    Pad(0).duration = 100;
    Pad(0).last_tick = 5000;  // ahead of the clock (1000)
    TickJoypadVibration();
    EXPECT_EQ(Pad(0).elapsed, 0);
    EXPECT_EQ(Pad(0).last_tick, 1000u);
    EXPECT_EQ(Pad(0).vibrating, 1);

    Pad(0).duration = -1;
    Pad(0).last_tick = 1000;
    clock_.AdvanceMs(100000);
    TickJoypadVibration();
    EXPECT_EQ(Pad(0).elapsed, 0);
    EXPECT_EQ(Pad(0).vibrating, 1);
}

TEST_F(PadVibration, WinmmModeHasNoEffects) {
    TerminateInput();
    GetInputState()->winmm_mode = 1;
    ASSERT_EQ(InitializeInput(), 0);
    input_.TakeCalls();
    EXPECT_EQ(ApplyJoypadVibration(), 0);
    EXPECT_EQ(TickJoypadVibration(), 0);
    EXPECT_EQ(StopPadVibration(1), 0);
    EXPECT_EQ(input_.TakeCalls(), std::vector<std::string>{});
}

TEST_F(PadVibration, StopAfterAStopStartsInputInstead) {
    TerminateInput();
    EXPECT_EQ(StopPadVibration(1), 0);
    EXPECT_NE(GetInputState()->object, nullptr);
    EXPECT_EQ(GetInputState()->pad_count, 2);
}

}  // namespace
