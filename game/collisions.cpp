// The collision tests of a play frame, each between two boxes placed at offsets from the
// objects' top-left corners and compared strictly: shots against UFOs, bullets against the
// player, grabbers against robots, and UFOs against the player.
#include "game_state.h"

namespace {

struct Box {
    double left, right, top, bottom;
};

Box BoxAt(double x, double y, double left, double right, double top, double bottom) {
    return {x + left, x + right, y + top, y + bottom};
}

bool Overlap(const Box& a, const Box& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

Box PlayerBox() { return BoxAt(g_game.player.x, g_game.player.y, 12, 20, 12, 20); }

void HitPlayer() {
    g_game.player.hit = 1;
    PlayGameSound(kSoundPlayerHit);
}

void CheckShotHits() {
    GameVariables& g = g_game;
    for (PlayerShot& shot : g.shots) {
        for (UfoRecord& u : g.ufos) {
            if (!u.active) continue;
            if (!Overlap(BoxAt(shot.x, shot.y, 15, 17, 0, 16), BoxAt(u.x, u.y, 4, 28, 8, 24))) continue;
            shot.active = 0;
            shot.y = -960.0;
            g.hits += 1.0;
            if (g.wave_timer < 198) {
                u.shielded = 1;
            } else {
                u.hit_points -= 1;
                u.flash_counter = 1;
            }
        }
    }
}

void CheckBulletHits() {
    GameVariables& g = g_game;
    for (BulletRecord& b : g.bullets) {
        if (!b.active || g.player.hit) continue;
        if (!Overlap(BoxAt(b.x, b.y, 14, 18, 14, 18), PlayerBox())) continue;
        b.active = 0;
        b.y = -960.0;
        HitPlayer();
    }
}

void CheckRobotGrabs() {
    GameVariables& g = g_game;
    for (RobotRecord& r : g.robots) {
        for (UfoRecord& u : g.ufos) {
            if (!u.active || u.kind != 2.0) continue;
            if (!Overlap(BoxAt(r.x, r.y, 12, 20, 12, 24), BoxAt(u.x, u.y, 8, 20, 8, 24))) continue;
            if (r.state != 1) u.carrying = 1;
            if (r.state != 44) r.state = 1;
        }
    }
}

void CheckUfoTouches() {
    GameVariables& g = g_game;
    for (UfoRecord& u : g.ufos) {
        if (!u.active || g.player.hit) continue;
        if (!Overlap(BoxAt(u.x, u.y, 8, 24, 14, 18), PlayerBox())) continue;
        HitPlayer();
    }
}

}  // namespace

void CheckCollisions() {
    CheckShotHits();
    CheckBulletHits();
    CheckRobotGrabs();
    CheckUfoTouches();
}
