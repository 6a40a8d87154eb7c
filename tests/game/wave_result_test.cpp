// The wave result when a count behind a rate is zero: no shot fired in the wave (hits can
// still come from shots fired before the counts were cleared) and no UFO sent in. The rates
// are then 0, the bonus is a number of 0 or more, and the score never drops. The state is
// set up directly on the game's variables (one frame of the wave logic is what is tested).
#include <gtest/gtest.h>

#include "game/game_state.h"
#include "game/game_view.h"
#include "tests/game/game_harness.h"

namespace {

using WaveResult = game_test::FreshGameVariablesTest;

}  // namespace

TEST_F(WaveResult, ZeroCountsGiveZeroRatesAndANonNegativeBonus) {
    struct Case {
        double shots, hits, destroyed;
        int sent;
        double want_hit_rate, want_destroy_rate;
        int want_bonus;
    };
    const Case cases[] = {
        {0, 0, 0, 0, 0.0, 0.0, 0},          // nothing fired, nothing sent
        {0, 3, 13, 13, 0.0, 100.0, 600},    // hits of earlier shots, no shot in the wave
        {3, 2, 0, 0, 200.0 / 3, 0.0, 180},  // no UFO counted as sent in
        {3, 2, 13, 13, 200.0 / 3, 100.0, 780},
        {10, 10, 13, 13, 100.0, 100.0, 900},
    };
    for (const Case& c : cases) {
        g_game = GameVariables{};
        g_game.score = 500;
        g_game.formation_set = 11;
        g_game.wave_timer = 390;
        g_game.shots_fired = c.shots;
        g_game.hits = c.hits;
        g_game.ufos_destroyed = c.destroyed;
        g_game.ufos_sent = c.sent;
        UpdateHitRate();
        UpdateDestroyRate();
        EXPECT_DOUBLE_EQ(g_game.hit_rate, c.want_hit_rate);
        EXPECT_DOUBLE_EQ(g_game.destroy_rate, c.want_destroy_rate);
        UpdateWave();
        EXPECT_EQ(g_game.result_bonus, c.want_bonus) << c.shots << " " << c.hits;
        EXPECT_EQ(g_game.score, 500 + c.want_bonus);
    }
    // The result screen shows the snapshot of the last case.
    trace_.clear();
    g_game.wave_timer = 300;
    UpdateWave();
    bool shown = false;
    for (const GameTraceEvent& e : trace_) shown = shown || (e.text == "BONUS = 900" && e.x == 156 && e.y == 238);
    EXPECT_TRUE(shown);
}
