// Collision boxes are compared strictly: boxes that only touch along an edge give no hit,
// boxes that overlap by one pixel do. Shown with a bullet (box 14..18 by 14..18 from its
// corner) against the player (box 12..20 by 12..20), set up directly on the game's variables.
#include <gtest/gtest.h>

#include "game/game_state.h"
#include "game/game_view.h"
#include "tests/game/game_harness.h"

namespace {

using CollisionBoxes = game_test::GameVariablesTest;

}  // namespace

TEST_F(CollisionBoxes, TouchingGivesNoHitAndOverlappingByOneDoes) {
    struct Case {
        double x, y;  // the bullet's corner; the player's box is 112..120 by 312..320
        bool hit;
    };
    const Case cases[] = {
        {106, 300, false}, {105, 300, true},  // its left edge on the player's right edge
        {94, 300, false},  {95, 300, true},   // its right edge on the player's left edge
        {100, 294, false}, {100, 295, true},  // its bottom edge on the player's top edge
        {100, 306, false}, {100, 305, true},  // its top edge on the player's bottom edge
    };
    for (const Case& c : cases) {
        g_game = GameVariables{};
        g_game.player.x = 100;
        g_game.player.y = 300;
        g_game.bullets[0].active = 1;
        g_game.bullets[0].x = c.x;
        g_game.bullets[0].y = c.y;
        CheckCollisions();
        EXPECT_EQ(g_game.player.hit, c.hit ? 1 : 0) << c.x << ", " << c.y;
        EXPECT_EQ(g_game.bullets[0].active, c.hit ? 0 : 1) << c.x << ", " << c.y;
    }
}
