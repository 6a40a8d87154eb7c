// A UFO slot freed while its grabber carried a robot starts without one: a grabber that
// takes the slot again fights instead of retreating at once. Set up directly on the game's
// variables, one UFO frame at a time.
#include <gtest/gtest.h>

#include "game/game_state.h"
#include "game/game_view.h"
#include "tests/game/game_harness.h"

namespace {

using UfoSlotReuse = game_test::FreshGameVariablesTest;

constexpr double kGrabberKind = 2.0;

}  // namespace

TEST_F(UfoSlotReuse, AGrabberInTheSlotOfOneThatLeftCarryingFights) {
    UfoRecord& u = g_game.ufos[0];
    // A grabber rising off the top with a robot: this frame takes it past y -32.
    u.active = 1;
    u.state = 8;
    u.kind = kGrabberKind;
    u.carrying = 1;
    u.hit_points = 1;
    u.x = 100;
    u.y = -31;
    UpdateUfos();
    ASSERT_EQ(u.active, 0);

    // A new grabber in the same slot, fighting in the field as a spawned one would.
    u.active = 1;
    u.state = 2;
    u.kind = kGrabberKind;
    u.formation_index = 5;
    u.last_index = -1;
    u.hit_points = 1;
    u.x = 100;
    u.y = 200;
    g_game.attack_index = 9;
    UpdateUfos();
    EXPECT_EQ(u.state, 2);
    EXPECT_EQ(u.y, 200);
}
