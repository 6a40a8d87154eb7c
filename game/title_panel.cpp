// The title screen and its menu, the score panel beside the play field (score, high score,
// the ranking with the live climb of the player's score and its marker), the two-minute
// clock, the hit and destroy rates, and ResetGame between games. Relies on vomur.h.
#include "game_state.h"
#include "vomur.h"

namespace {

// A direction acts at once and then every 5 frames from the 35th frame of holding.
bool Acts(std::uint32_t hold) { return hold == 1 || (hold % 5 == 0 && hold > 30); }
bool PadActs(int bit) {
    const int hold = CheckStatePad(g_game.pad_bit[bit]);
    return hold > 0 && Acts(static_cast<std::uint32_t>(hold));
}

// The player's entry for the marker and bar: the live score, written into its row.
void WriteScoreIntoRanking() {
    GameVariables& g = g_game;
    const std::int32_t p = g.ranking_position;
    if (p == 0) {
        g.ranking[10] = g.score;
    } else if (p >= 1 && p <= 9) {
        g.ranking[10 - p] = g.score;
    } else if (p == 10) {
        // The 1st entry is the player's own score (the high score can be above it when the
        // loaded ranking's 1st entry is below the high score).
        g.ranking[0] = g.score;
    }
}

void ClimbRanking() {
    GameVariables& g = g_game;
    for (int upper = 9; upper >= 0; --upper) {
        if (g.ranking[upper] < g.ranking[upper + 1]) {
            const std::int32_t kept = g.ranking[upper];
            g.ranking[upper] = g.ranking[upper + 1];
            g.ranking[upper + 1] = kept;
            ++g.ranking_position;
        }
    }
}

void DrawPlayerRowMark() {
    GameVariables& g = g_game;
    const std::int32_t p = g.ranking_position;
    if (p < 1 || p > 10) return;
    const int row = 10 - p;
    const int y = g.panel_y + 18 * row;
    const int left = p == 1 ? g.panel_x - 8 : g.panel_x;
    ApiDrawRectangle(left, y + 8, g.panel_x + 94, y + 16, ApiMakeColorValue(180, 0, 0), 1);
    int piece = 0;
    if (g.marker_counter >= 20) {
        g.marker_counter = 0;
    } else {
        piece = g.marker_counter / 5;
        ++g.marker_counter;
    }
    ApiDrawGraphAtPoint(g.panel_x + 94, y, g.run_pieces[piece], 1);
}

}  // namespace

void DrawTitleScreen() {
    GameVariables& g = g_game;
    DrawWholeGraph(0, 0, g.title);
    DrawText(118, 310, "-PRESS Z OR PAD 1,2-", g.white);
    DrawText(150, g.title_cursor, "■", g.white);
    DrawText(170, 340, "GAME START", g.white);
    DrawText(170, 360, "EXIT", g.white);
    StopGameSound(kMusicPlay);
    StopGameSound(kMusicGameOver);
    StopGameSound(kMusicVictory);
}

void UpdateTitleMenu() {
    GameVariables& g = g_game;
    if (Acts(g.key_hold[kKeyDown]) || PadActs(kPadDown)) {
        g.title_cursor += 20;
        if (g.title_cursor == 380) g.title_cursor = 340;
    } else if (Acts(g.key_hold[kKeyUp]) || PadActs(kPadUp)) {
        g.title_cursor -= 20;
        if (g.title_cursor == 320) g.title_cursor = 360;
    }
    const bool confirm = g.key_hold[kKeyZ] == 1 || CheckStatePad(g.pad_bit[kPadButton1]) == 1 ||
                         CheckStatePad(g.pad_bit[kPadButton2]) == 1;
    if (!confirm) return;
    if (g.title_cursor == 340) {
        g.state = kStatePlay;
        g.title_cursor = 200;
    } else if (g.title_cursor == 360) {
        ApiTerminateLibrary();
        g.engine_ended = 1;
    }
}

void UpdateScorePanel() {
    DrawScoreAndRanking();
    UpdateClock();
    UpdateHitRate();
    UpdateDestroyRate();
}

void DrawScoreAndRanking() {
    GameVariables& g = g_game;
    DrawWholeGraph(416, 0, g.scb);
    if (g.score >= g.high_score) g.high_score = g.score;
    DrawTextFormat(16, 0, g.white, "SCORE %06d", g.score);
    DrawTextFormat(272, 0, g.white, "HISCORE %06d", g.high_score);
    DrawPlayerRowMark();
    WriteScoreIntoRanking();
    ClimbRanking();
    const int x0 = g.panel_x;
    const int y0 = g.panel_y;
    DrawText(x0 + 4, y0 - 22, "-RANKING-", g.white);
    static constexpr const char* kRows[9] = {"1st %06d", "2nd %06d", "3rd %06d", "4th %06d", "5th %06d",
                                             "6th %06d", "7th %06d", "8th %06d", "9th %06d"};
    for (int i = 0; i < 9; ++i) DrawTextFormat(x0, y0 + 18 * i, g.white, kRows[i], g.ranking[i]);
    DrawTextFormat(x0 - 9, y0 + 162, g.white, "10th %06d", g.ranking[9]);
    DrawText(464, 274, "-SCORE TABLE-", g.white);
    DrawText(444, 344, "AND MYSTERY BONUSES", g.grey);
}

void UpdateClock() {
    GameVariables& g = g_game;
    std::int32_t* c = g.clock;
    if (g.time_up == 0 && g.clock_running == 1 && g.state == kStatePlay) --c[4];
    if (c[4] == 0) {
        if (c[3] == 0 && c[2] == 0 && c[1] == 0 && c[0] == 0) g.time_up = 1;
    } else {
        if (c[4] < 0) {
            --c[3];
            c[4] = 9;
        }
        if (c[3] < 0) {
            --c[2];
            c[3] = 5;
        }
        if (c[2] < 0) {
            --c[1];
            c[2] = 9;
        }
        if (c[1] < 0) {
            --c[0];
            c[1] = 5;
        }
    }
    if (g.state == kStatePlay) DrawTextFormat(160, 412, g.white, "TIME %d.%d%d.%d%d ", c[0], c[1], c[2], c[3], c[4]);
}

// A rate over a count of zero (no shot fired, no UFO sent in yet) is 0.
void UpdateHitRate() {
    GameVariables& g = g_game;
    g.hit_rate = g.shots_fired > 0.0 ? g.hits / g.shots_fired * 100.0 : 0.0;
}

void UpdateDestroyRate() {
    GameVariables& g = g_game;
    g.destroy_rate = g.ufos_sent > 0 ? g.ufos_destroyed / static_cast<double>(g.ufos_sent) * 100.0 : 0.0;
}

void ResetPlayAndClock() {
    GameVariables& g = g_game;
    for (int i = 0; i < 10; ++i) g.save_record[i] = g.ranking[i];
    g.player.x = 192.0;
    g.player.y = 368.0;
    for (PlayerShot& shot : g.shots) shot = {-960.0, 368.0, 0};
    g.wave_timer = 300;
    g.wave_number = 0;
    g.formation_set = 0;
    g.wave_phase = 0;
    g.intro_counter = 0;
    g.next_formation_index = 0;
    g.player.hit = 0;
    g.player.hit_stage = 0;
    g.player.rising = 0;
    g.robots_lost = 0;
    g.clock[0] = 2;
    g.clock[1] = g.clock[2] = g.clock[3] = g.clock[4] = 0;
    g.clock_running = 0;
    g.time_up = 0;
    g.time_up_counter = 0;
    g.count_sound_played = 0;
    g.carry_sound_counter = 0;
    g.grabber_rising = 0;
}

void ResetGame() {
    ResetPlayAndClock();
    ResetExplosionsEffectsBullets();
    ResetUfos();
    ResetRobots();
}
