// The waves: the wave result with its bonus for the hit and destroy rates, the intro
// ("WAVE n", "READY?", "GO!") that starts the clock, the time-up sequence with its robot
// bonus and the victory, and the pace at which the UFOs leave the formation to attack.
#include <algorithm>

#include "game_state.h"

namespace {

// A rate as a whole percentage: truncated, and held to 0..1000000 so that the conversion is
// always defined (a rate can pass 100 when shots fired before "GO!" hit later).
int WholePercent(double rate) { return TruncateToInt(std::clamp(rate, 0.0, 1000000.0)); }

void AddWaveBonus() {
    GameVariables& g = g_game;
    g.result_hit_rate = g.hit_rate;
    g.result_destroy_rate = g.destroy_rate;
    const int h = WholePercent(g.result_hit_rate);
    const int d = WholePercent(g.result_destroy_rate);
    if (g.result_hit_rate == 100.0) {
        g.result_bonus = 30 * (2 * h / 10 + d / 10);
    } else if (g.result_destroy_rate == 100.0) {
        g.result_bonus = 30 * (2 * d / 10 + h / 10);
    } else {
        g.result_bonus = 30 * (h / 10 + d / 10);
    }
    g.score += TruncateToInt(g.result_bonus);
}

void DrawWaveResult() {
    GameVariables& g = g_game;
    DrawText(180, 144, "RESULT", g.white);
    DrawTextFormat(150, 180, g.white, "命中率 = %.1f", g.result_hit_rate);
    DrawTextFormat(150, 196, g.white, "撃破率 = %.1f", g.result_destroy_rate);
    DrawTextFormat(156, 238, g.white, "BONUS = %d", TruncateToInt(g.result_bonus));
}

void DrawWaveTitle() {
    GameVariables& g = g_game;
    DrawTextFormat(180, 144, g.white, "WAVE %d", g.wave_number);
    DrawText(180, 160, "READY?", g.white);
}

void DrawRobotBonus() { DrawTextFormat(130, 190, g_game.white, "ロボ残数ボーナス %d", g_game.robot_bonus); }

void RunTimeUp() {
    GameVariables& g = g_game;
    std::int32_t& u = g.time_up_counter;
    if (u == 0) {
        DrawText(180, 160, "TIME UP", g.white);
        if (g.message_timer < 1) u = -1;
    } else if (u == -1) {
        DrawText(180, 160, "TIME UP", g.white);
        u = -2;
        if (g.robots_lost < 5) {
            g.robot_bonus = (5 - g.robots_lost) * 1000;
            DrawRobotBonus();
            g.score += g.robot_bonus;
        }
    } else if (u >= -199 && u <= -2) {
        DrawText(180, 160, "TIME UP", g.white);
        DrawRobotBonus();
        --u;
    } else if (u <= -200) {
        g.state = kStateVictory;
    }
}

}  // namespace

void UpdateWave() {
    GameVariables& g = g_game;
    const std::int32_t t = g.wave_timer;
    if (t == 390 && g.formation_set >= 10 && !g.time_up) AddWaveBonus();
    if (t >= 11 && t <= 388 && g.formation_set >= 10 && !g.time_up) DrawWaveResult();
    if (g.formation_set == 0 && t < 0) g.formation_set = 10;
    g.message_timer -= 1;
    g.wave_timer = t - 1;
    if (g.wave_timer < 0 && !g.time_up) {
        if (g.intro_counter < 1) {
            ++g.wave_number;
            g.intro_counter = 1;
            DrawWaveTitle();
        } else if (g.intro_counter <= 149 && g.wave_phase == 0) {
            g.message_timer = 10;
            g.intro_counter = 75;
            DrawWaveTitle();
        } else if (g.intro_counter <= 149 && g.wave_phase == 1) {
            ++g.intro_counter;
            g.message_timer = 10;
            DrawWaveTitle();
            g.ufos_destroyed = g.destroy_rate = 0.0;
            g.shots_fired = g.hits = g.hit_rate = 0.0;
        }
    }
    if (g.intro_counter == 150) {
        if (!g.time_up) {
            DrawText(196, 160, "GO!", g.white);
            g.intro_counter = 151;
            g.clock_running = 1;
            g.attack_timer = 50;
            g.attack_index = 0;
            g.wave_phase = 2;
        }
    } else if (g.intro_counter >= 151 && g.intro_counter <= 199 && !g.time_up) {
        DrawText(196, 160, "GO!", g.white);
        ++g.intro_counter;
    } else if (g.intro_counter >= 200 && !g.time_up) {
        g.intro_counter = 0;
        g.next_formation_index = 0;
        g.wave_phase = 0;
        return;
    }
    if (g.time_up) RunTimeUp();
}

void UpdateAttackPacing() {
    GameVariables& g = g_game;
    ++g.attack_timer;
    const std::int32_t limit = g.wave_number >= 6 ? 60 : g.wave_number >= 4 ? 80 : 100;
    if (g.attack_timer > limit) {
        ++g.attack_index;
        g.attack_timer = 0;
    }
    for (const UfoRecord& u : g.ufos) {
        if (g.attack_index == u.last_index) g.attack_timer = 100;
    }
}
