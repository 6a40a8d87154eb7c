// The smaller objects of the play field: the five robots on the ground, the UFOs' aimed
// bullets, the explosions (with their low-kill and high-kill bonuses), and the appearance
// and shield effects. Relies on vomur.h through the shared draw and sound calls.
#include <cmath>

#include "game_state.h"

namespace {

constexpr int kRobotPieces[5] = {10, 16, 17, 18, 19};
constexpr int kBulletPiece = 9;

// The explosion's pictures while it burns: 4 above 14, then 5, 6 and 7 by fives.
int BurnPiece(int c) {
    if (c > 14) return 4;
    if (c >= 10) return 5;
    if (c >= 5) return 6;
    return 7;
}

// The bonus an explosion pays and its two pictures; 0 for a plain explosion.
struct Bonus {
    int points;
    int pieces[2];
};

Bonus BonusOf(const ExplosionRecord& e) {
    if (e.kind == 2 && e.y >= 320) return {100, {20, 22}};
    if (e.kind == 8 && e.y > 48 && e.y <= 96) return {400, {21, 23}};
    if (e.kind == 8 && e.y <= 48) return {800, {44, 46}};
    return {0, {0, 0}};
}

void ClearEffect(EffectRecord& e) {
    e.active = 0;
    e.y = -960.0;
    e.counter = 20;
}

template <int N>
bool StartEffect(EffectRecord (&effects)[N], double x, double y) {
    for (EffectRecord& e : effects) {
        if (e.active) continue;
        e.x = x;
        e.y = y;
        e.active = 1;
        return true;
    }
    return false;
}

}  // namespace

void UpdateRobots() {
    GameVariables& g = g_game;
    for (RobotRecord& r : g.robots) {
        if (!r.placed) {
            const std::int32_t k = g.robot_placement;
            r.x = 96.0 + 48.0 * k;
            r.y = 443.0;
            r.picture = k;
            r.state = 0;
            r.placed = 1;
            ++g.robot_placement;
            return;
        }
        const int piece = kRobotPieces[r.picture >= 0 && r.picture < 5 ? r.picture : 0];
        switch (r.state) {
            case 0:
            case 44:
                DrawPiece(r.x, r.y, piece);
                break;
            case 1:
                DrawPiece(r.x, r.y, piece);
                r.y -= 2.0;
                if (r.y <= -32) {
                    ++g.robots_lost;
                    r.state = 44;
                }
                break;
            case 2:
                DrawPiece(r.x, r.y, piece);
                if (TruncateToInt(r.y) < 443) {
                    r.y += 4.0;
                } else {
                    r.state = 0;
                    r.y = 443.0;
                }
                break;
            default:
                break;
        }
    }
}

void UpdateExplosions() {
    GameVariables& g = g_game;
    for (ExplosionRecord& e : g.explosions) {
        if (!e.active) continue;
        const int c = e.counter;
        const Bonus bonus = BonusOf(e);
        if (bonus.points == 0) {
            if (c == 20) {
                DrawPiece(e.x, e.y, 4);
                PlayGameSound(kSoundExplosion);
            } else if (c >= 0) {
                DrawPiece(e.x, e.y, BurnPiece(c));
            }
        } else if (c == 20) {
            DrawPiece(e.x, e.y, 4);
            PlayGameSound(kSoundBonus);
            g.score += bonus.points;
        } else if (c >= 0) {
            DrawPiece(e.x, e.y, BurnPiece(c));
        } else if (c >= -30) {
            // -1..-5 first picture, -6..-10 second, and so on.
            DrawPiece(e.x, e.y, bonus.pieces[((-c - 1) / 5) % 2]);
        }
        if (e.counter >= -30) {
            --e.counter;
        } else {
            e.active = 0;
            e.y = -960.0;
            e.counter = 20;
        }
    }
}

void UpdateBullets() {
    for (BulletRecord& b : g_game.bullets) {
        if (b.active) {
            b.heading = std::atan2(b.target_y - b.start_y, b.target_x - b.start_x);
            DrawPiece(b.x, b.y, kBulletPiece);
        }
        b.x += 4.0 * std::cos(b.heading);
        b.y += 4.0 * std::sin(b.heading);
        if (b.x < -32 || b.x > 640 || b.y < -32 || b.y > 480) b.active = 0;
    }
}

void UpdateAppearEffects() {
    GameVariables& g = g_game;
    for (EffectRecord& e : g.appear_effects) {
        if (!e.active) continue;
        const int c = e.counter;
        if (c == 20) {
            DrawPiece(e.x, e.y, 4);
            PlayGameSound(kSoundShimmer);
            --e.counter;
        } else if (c == 19) {
            DrawPiece(e.x, e.y, 40);
            --e.counter;
        } else if (c == 17 || c == 18) {
            DrawPiece(e.x, e.y, 30);
            --e.counter;
            if (g.intro_counter >= 150) e.counter = 0;
        } else if (c >= 14 && c <= 16) {
            DrawPiece(e.x, e.y, 31);
            --e.counter;
            if (g.intro_counter >= 150) e.counter = 0;
        } else if (c == 12 || c == 13) {
            DrawPiece(e.x, e.y, 31);
            --e.counter;
            if (g.intro_counter < 149) e.counter = 18;
        } else if (c < 12) {
            ClearEffect(e);
        }
        if (g.time_up) e.y -= 8.0;
    }
}

void UpdateShieldEffects() {
    GameVariables& g = g_game;
    for (EffectRecord& e : g.shield_effects) {
        if (!e.active) continue;
        const int c = e.counter;
        if (c == 20) {
            DrawPiece(e.x, e.y, 4);
            PlayGameSound(kSoundShimmer);
        } else if (c >= 18 && c <= 19) {
            DrawPiece(e.x, e.y, 40);
        } else if (c >= 16 && c <= 17) {
            DrawPiece(e.x, e.y, 41);
        } else if (c >= 14 && c <= 15) {
            DrawPiece(e.x, e.y, 42);
        } else if (c >= 12 && c <= 13) {
            DrawPiece(e.x, e.y, 43);
        }
        if (c >= 12) {
            --e.counter;
        } else {
            ClearEffect(e);
        }
        if (g.time_up) e.y -= 8.0;
    }
}

void ResetRobots() {
    GameVariables& g = g_game;
    for (RobotRecord& r : g.robots) {
        r.x = r.y = -64.0;
        r.placed = 0;
        r.picture = 0;
        r.state = 0;
    }
    g.robot_placement = 0;
}

void ResetExplosionsEffectsBullets() {
    GameVariables& g = g_game;
    const double x = g.player.x;
    for (ExplosionRecord& e : g.explosions) {
        e.active = 0;
        e.x = x;
        e.y = -32.0;
        e.counter = 20;
    }
    for (EffectRecord& e : g.appear_effects) e = {x, -32.0, 0, 20};
    for (EffectRecord& e : g.shield_effects) e = {x, -32.0, 0, 20};
    for (BulletRecord& b : g.bullets) {
        b.active = 0;
        b.x = x;
        b.y = -32.0;
    }
    g.title_cursor = 340;
}

void StartAimedBullet(double x, double y) {
    GameVariables& g = g_game;
    for (BulletRecord& b : g.bullets) {
        if (b.active) continue;
        b.start_x = b.x = x;
        b.start_y = b.y = y;
        b.target_x = g.player.x;
        b.target_y = g.player.y;
        b.active = 1;
        return;
    }
}

void StartExplosion(double x, double y, int kind) {
    for (ExplosionRecord& e : g_game.explosions) {
        if (e.active) continue;
        e.x = x;
        e.y = y;
        e.active = 1;
        e.kind = kind;
        return;
    }
}

bool StartAppearEffect(double x, double y) { return StartEffect(g_game.appear_effects, x, y); }
bool StartShieldEffect(double x, double y) { return StartEffect(g_game.shield_effects, x, y); }
