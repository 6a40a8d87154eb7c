// The player: walking along the ground, the hit sequence (spin, vanish, rise out of the
// ground), its two shots and the Q key that abandons the game. Relies on the hold counters
// of the frame loop and on vomur.h through the shared draw and sound calls.
#include "game_state.h"
#include "vomur.h"

namespace {

constexpr int kHitPieces[4] = {4, 1, 2, 3};
constexpr int kWalkRightFirstPiece = 24;
constexpr int kWalkLeftFirstPiece = 32;
constexpr int kStandingPiece = 8;
constexpr int kRisingPiece = 29;
constexpr int kShotPiece = 0;

void StartShot() {
    GameVariables& g = g_game;
    for (PlayerShot& shot : g.shots) {
        if (shot.active) continue;
        shot.active = 1;
        shot.x = g.player.x;
        shot.y = g.player.y + 16.0;
        PlayGameSound(kSoundShot);
        return;
    }
}

void DrawHitSequence() {
    PlayerRecord& p = g_game.player;
    switch (p.hit_stage) {
        case 0:
        case 1:
        case 2:
        case 3:
            DrawPiece(p.x, p.y, kHitPieces[p.hit_stage]);
            if (p.hit_counter > 3) {
                ++p.hit_stage;
                p.hit_counter = 0;
            }
            break;
        case 4:
            if (p.hit_counter > 20) {
                p.hit_stage = 5;
                p.y = 393.0;
                p.hit_counter = 0;
            }
            break;
        case 5:
            DrawPiece(p.x, p.y, kRisingPiece);
            DrawWholeGraph(0, 400, g_game.bg2);
            if (p.hit_counter >= 25) p.hit_stage = 6;
            p.rising = 1;
            p.y -= 1.0;
            break;
        case 6:
            if (p.hit_counter > 1) {
                p.hit_stage = 0;
                p.hit = 0;
                p.rising = 0;
            }
            break;
        default:
            break;
    }
    ++p.hit_counter;
}

void DrawWalk(int first_piece) {
    PlayerRecord& p = g_game.player;
    DrawPiece(p.x, p.y, first_piece + p.walk_stage);
    if (p.walk_counter > 3) {
        p.walk_stage = p.walk_stage == 4 ? 0 : p.walk_stage + 1;
        p.walk_counter = 1;
    } else {
        ++p.walk_counter;
    }
}

}  // namespace

bool LeftHeld() { return g_game.key_hold[kKeyLeft] > 0 || CheckStatePad(g_game.pad_bit[kPadLeft]) > 0; }
bool RightHeld() { return g_game.key_hold[kKeyRight] > 0 || CheckStatePad(g_game.pad_bit[kPadRight]) > 0; }
bool FirePressed() {
    return g_game.key_hold[kKeyZ] == 1 || CheckStatePad(g_game.pad_bit[kPadButton1]) == 1 ||
           CheckStatePad(g_game.pad_bit[kPadButton2]) == 1;
}

void UpdatePlayerMovement() {
    PlayerRecord& p = g_game.player;
    const bool left = LeftHeld();
    const bool right = RightHeld();
    if (p.x > 0 && p.hit == 0 && left) {
        p.facing_left = 1;
        p.facing_right = 0;
        p.x -= 2.0;
    }
    if (p.x < 384 && p.hit == 0 && right) {
        p.facing_left = 0;
        p.facing_right = 1;
        p.x += 2.0;
    }
    if (p.hit == 0 && !left && !right) p.facing_left = p.facing_right = 0;
    if (p.rising == 1) {
        if (p.x > 0 && left) p.x -= 2.0;
        if (p.x < 416 && right) p.x += 2.0;
    }
}

void CheckQuitKey() {
    GameVariables& g = g_game;
    if (g.key_hold[kKeyQ] == 0) return;
    g.state = kStateQuitToTitle;
    g.music_started = 0;
    ResetGame();
    g.score = 0;
    g.ranking_position = 0;
}

void UpdatePlayerShots() {
    GameVariables& g = g_game;
    if (g.player.fire_cooldown < 2) {
        ++g.player.fire_cooldown;
    } else if (g.player.hit == 0 && FirePressed()) {
        g.player.fire_cooldown = 0;
        g.shots_fired += 1.0;
        StartShot();
    }
    for (PlayerShot& shot : g.shots) {
        if (!shot.active) continue;
        shot.y -= 16.0;
        DrawPiece(shot.x, shot.y, kShotPiece);
        if (shot.y < -32.0) {
            shot.active = 0;
            shot.y = -960.0;
        }
    }
}

void DrawPlayer() {
    PlayerRecord& p = g_game.player;
    if (p.hit == 1) DrawHitSequence();
    if (p.hit != 0) return;
    if (p.facing_left == 0 && p.facing_right == 0) {
        DrawPiece(p.x, p.y, kStandingPiece);
    } else if (p.facing_left == 1) {
        DrawWalk(kWalkLeftFirstPiece);
    } else {
        DrawWalk(kWalkRightFirstPiece);
    }
}
