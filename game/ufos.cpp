// The UFOs: the four formations sent in one UFO every 4 frames during a wave's intro, the
// sway in formation, the attacks of gunners, heavies and grabbers, the retreat, removal,
// and the carry sound while a grabber rises. Relies on the robots, bullets, explosions and
// effects of field_objects.cpp and on vomur.h for random numbers and drawing.
#include <cmath>

#include "game_state.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

constexpr double kGunner = 0.0;
constexpr double kHeavy = 1.0;
constexpr double kGrabber = 2.0;
constexpr double kSunkGrabber = 3.0;

struct FormationRow {
    std::int32_t index;
    double x, y, kind;
};

constexpr FormationRow kSet10[] = {
    {1, 128, 32, 2}, {2, 160, 32, 2},  {3, 192, 32, 2},  {4, 224, 32, 2},  {5, 256, 32, 2},
    {6, 128, 64, 0}, {7, 160, 64, 0},  {8, 192, 64, 0},  {9, 224, 64, 0},  {10, 256, 64, 0},
    {11, 160, 96, 2}, {12, 192, 96, 2}, {13, 224, 96, 2},
};
constexpr FormationRow kSet11[] = {
    {1, 96, 32, 0},   {2, 288, 32, 0},  {3, 160, 128, 0}, {4, 224, 128, 0}, {5, 96, 64, 2},
    {6, 128, 48, 0},  {7, 256, 48, 0},  {8, 288, 64, 2},  {9, 128, 96, 0},  {10, 160, 96, 2},
    {11, 224, 96, 2}, {12, 256, 96, 0}, {13, 176, 64, 2}, {14, 208, 64, 2},
};
constexpr FormationRow kSet12[] = {
    {1, 176, 32, 2},   {2, 208, 32, 2},   {3, 144, 64, 0},   {4, 240, 64, 0},   {5, 176, 64, 2},
    {6, 208, 64, 2},   {7, 112, 80, 2},   {8, 272, 80, 2},   {9, 112, 112, 1},  {10, 144, 112, 1},
    {11, 176, 96, 1},  {12, 208, 96, 1},  {13, 240, 112, 1}, {14, 272, 112, 1},
};
constexpr FormationRow kSet13[] = {
    {1, 192, 32, 0},   {2, 160, 32, 0},   {3, 224, 32, 0},  {4, 128, 48, 0},   {5, 256, 48, 0},
    {6, 96, 64, 2},    {7, 160, 64, 2},   {8, 192, 64, 2},  {9, 224, 64, 2},   {10, 288, 64, 2},
    {11, 64, 96, 2},   {12, 320, 96, 2},  {13, 112, 96, 0}, {14, 192, 96, 1},  {15, 272, 96, 0},
    {16, 160, 112, 1}, {17, 224, 112, 1},
};

struct Formation {
    const FormationRow* rows;
    int count;
};

// Sets 10 to 13.
constexpr Formation kFormations[4] = {{kSet10, 13}, {kSet11, 14}, {kSet12, 14}, {kSet13, 17}};

constexpr int kGunnerPiece = 12;
constexpr int kGunnerWeakPiece = 15;
constexpr int kGunnerFlashPiece = 14;
constexpr int kHeavyPiece = 37;
constexpr int kHeavyWeakPiece = 11;
constexpr int kHeavyFlashPieces[2] = {38, 39};
constexpr int kGrabberPiece = 13;

void RemoveUfo(UfoRecord& u) {
    u.x = u.y = -96.0;
    u.last_index = u.formation_index;
    u.active = 0;
    u.state = 0;
    u.attacking = 0;
    u.attack_counter = u.sway_step = u.wiggle_counter = 0;
    u.appeared = 0;
    u.hit_points = 2;
    // A slot that is taken again starts without a robot.
    u.carrying = 0;
}

void SendInNextUfo() {
    GameVariables& g = g_game;
    if (g.spawn_counter < 3 && g.wave_timer < 0) {
        ++g.spawn_counter;
        return;
    }
    if (g.spawn_counter < 3 || g.time_up != 0 || g.formation_set < 10 || g.formation_set > 13) return;
    g.spawn_counter = 0;
    const Formation& set = kFormations[g.formation_set - 10];
    if (g.next_formation_index < 0 || g.next_formation_index >= set.count) return;
    UfoRecord* slot = nullptr;
    for (UfoRecord& u : g.ufos) {
        if (!u.active) {
            slot = &u;
            break;
        }
    }
    if (slot == nullptr) return;
    const FormationRow& row = set.rows[g.next_formation_index];
    slot->active = 1;
    slot->formation_index = row.index;
    slot->x = row.x;
    slot->y = row.y;
    slot->kind = row.kind;
    slot->last_index = -1;
    ++g.next_formation_index;
    if (g.next_formation_index >= set.count) {
        g.next_formation_index = kFormationDone;
        g.ufos_sent = set.count;
        g.wave_phase = 1;
        g.formation_set = g.formation_set == 13 ? 10 : g.formation_set + 1;
    }
}

void MoveAlongHeading(UfoRecord& u, double speed) {
    u.x += speed * std::cos(u.heading);
    u.y += speed * std::sin(u.heading);
}

void DrawNewTarget(UfoRecord& u) {
    u.target_x = RandomUpTo(288);
    u.target_y = RandomUpTo(128) + 128;
    u.heading = std::atan2(u.target_y - u.y, u.target_x + 64.0 - u.x);
}

void WaitInFormation(UfoRecord& u) {
    GameVariables& g = g_game;
    if (g.time_up) u.y -= 8.0;
    if (u.x > 0 && !u.appeared && StartAppearEffect(u.x, u.y)) {
        u.shielded = 0;
        u.appeared = 1;
    }
    if (u.shielded == 1 && StartShieldEffect(u.x, u.y)) u.shielded = 0;
    if (u.kind == kGunner) {
        DrawPiece(u.x, u.y, kGunnerPiece);
    } else if (u.kind == kGrabber) {
        DrawPiece(u.x, u.y, kGrabberPiece);
        u.hit_points = 1;
    } else if (u.kind == kHeavy) {
        DrawPiece(u.x, u.y, kHeavyPiece);
        u.hit_points = 3;
    }
    u.flash_counter = 0;
    if (g.wave_phase == 2) u.state = 2;
}

void Sway(UfoRecord& u) {
    switch (u.sway_step) {
        case 10: u.x += 3; break;
        case 20: u.x += 2; u.y -= 1; break;
        case 30: u.x -= 2; u.y += 1; break;
        case 40: u.x -= 3; break;
        case 50: u.x -= 3; break;
        case 60: u.x -= 2; u.y -= 1; break;
        case 70: u.x += 2; u.y += 1; break;
        case 80: u.x += 3; break;
        default: break;
    }
    u.sway_step = u.sway_step == 80 ? 0 : u.sway_step + 1;
}

void DrawGunner(UfoRecord& u) {
    if (u.flash_counter == 1) {
        DrawPiece(u.x, u.y, kGunnerFlashPiece);
        if (u.hit_points > 0) PlayGameSound(kSoundUfoHurt);
        ++u.flash_counter;
    } else if (u.flash_counter >= 2 && u.flash_counter <= 4) {
        DrawPiece(u.x, u.y, kGunnerFlashPiece);
        ++u.flash_counter;
    } else {
        if (u.hit_points == 2) {
            DrawPiece(u.x, u.y, kGunnerPiece);
        } else if (u.hit_points < 2) {
            DrawPiece(u.x, u.y, kGunnerWeakPiece);
        }
        u.flash_counter = 0;
    }
}

void DrawHeavy(UfoRecord& u) {
    if (u.flash_counter == 1) {
        DrawPiece(u.x, u.y, kHeavyFlashPieces[0]);
        if (u.hit_points >= 1) PlayGameSound(kSoundUfoHurt);
        ++u.flash_counter;
    } else if (u.flash_counter >= 2 && u.flash_counter <= 4) {
        DrawPiece(u.x, u.y, kHeavyFlashPieces[0]);
        ++u.flash_counter;
    } else if (u.flash_counter >= 5 && u.flash_counter <= 9) {
        DrawPiece(u.x, u.y, kHeavyFlashPieces[1]);
        ++u.flash_counter;
    } else {
        if (u.hit_points > 1) {
            DrawPiece(u.x, u.y, kHeavyPiece);
        } else if (u.hit_points == 1) {
            DrawPiece(u.x, u.y, kHeavyWeakPiece);
        }
        u.flash_counter = 0;
    }
}

// A UFO shot down: its explosion, its points, one more for the destroy rate, and the slot freed.
void Destroy(UfoRecord& u, int explosion_kind, int points) {
    GameVariables& g = g_game;
    StartExplosion(u.x, u.y, explosion_kind);
    g.score += points;
    g.ufos_destroyed += 1.0;
    RemoveUfo(u);
}

void GunnerAttack(UfoRecord& u) {
    std::int32_t& c = u.attack_counter;
    if (c == 0) {
        DrawNewTarget(u);
        c = 1;
    } else if (c >= 1 && c <= 49) {
        MoveAlongHeading(u, 2.0);
        ++c;
    } else if (c >= 50 && c <= 149) {
        ++c;
    } else if (c == 150) {
        StartAimedBullet(u.x, u.y);
        c = 151;
    } else if (c == 151) {
        c = 0;
    }
}

void HeavyAttack(UfoRecord& u) {
    std::int32_t& c = u.attack_counter;
    if (c < 41) {
        u.y += 2.0;
    } else if (c >= 42) {
        u.y += 3.0;
    }
    ++c;
}

void GrabberAttack(UfoRecord& u) {
    GameVariables& g = g_game;
    std::int32_t& c = u.attack_counter;
    if (c >= 0 && c <= 40) {
        u.chosen_robot = RandomUpTo(4);
        u.y += 1.0;
        ++c;
    } else if (c == 41) {
        StartAimedBullet(u.x, u.y);
        c = 42;
    } else if (c == 42) {
        c = 43;
    } else if (c == 43) {
        DrawNewTarget(u);
        c += 2;
    } else if (c >= 45 && c <= 99) {
        MoveAlongHeading(u, 2.0);
        c += 2;
    } else if (c >= 101 && c <= 149) {
        c += 2;
    } else if (c == 151) {
        ++c;
    } else if (c >= 152 && c <= 198) {
        MoveAlongHeading(u, 3.0);
        c += 2;
    } else if (c >= 200) {
        const int chosen = TruncateToInt(u.chosen_robot);
        const bool valid = chosen >= 0 && chosen < kRobotSlots;
        if (valid && g.robots[chosen].state == 0 && g.robots[chosen].y > 240) {
            const RobotRecord& r = g.robots[chosen];
            u.heading = std::atan2(r.y - u.y, r.x - u.x);
        } else {
            u.chosen_robot = RandomUpTo(4);
        }
        MoveAlongHeading(u, 2.0);
        ++c;
    }
}

void Fight(UfoRecord& u) {
    GameVariables& g = g_game;
    if (g.time_up) u.y -= 8.0;
    if (!u.attacking) Sway(u);
    if (g.attack_index == u.formation_index && !u.attacking) {
        PlayGameSound(kSoundAttack);
        u.attacking = 1;
    }
    g.wave_timer = 400;
    if (u.kind == kGunner || u.kind == kHeavy) {
        const bool gunner = u.kind == kGunner;
        if (u.attacking) gunner ? GunnerAttack(u) : HeavyAttack(u);
        gunner ? DrawGunner(u) : DrawHeavy(u);
        if (u.hit_points < 1) {
            Destroy(u, 2, gunner ? 20 : 30);
            return;
        }
        if (u.y > 400 || g.message_timer < 1) u.state = 8;
    } else if (u.kind == kGrabber) {
        g.message_timer = 10;
        if (u.attacking) GrabberAttack(u);
        if (u.y >= 448) u.state = 8;
        DrawPiece(u.x, u.y, kGrabberPiece);
        if (u.hit_points < 1) {
            Destroy(u, 2, 10);
            return;
        }
        if (u.carrying && u.y < 450) u.state = 8;
        if (u.y > 450) {
            u.state = 8;
            u.kind = kSunkGrabber;
        }
        if (u.x < -32 || u.x > 416) RemoveUfo(u);
    }
}

void Retreat(UfoRecord& u) {
    GameVariables& g = g_game;
    if (g.message_timer < 0) {
        u.y -= 3.0;
    } else if (u.kind == kGrabber) {
        u.y -= 2.0;
    } else if (u.kind == kHeavy) {
        if (!g.time_up) {
            u.x += 2.0 * std::sin(u.wiggle_counter * kPi / 40.0);
            ++u.wiggle_counter;
            u.y -= 1.0;
            if (u.y < 128) u.state = 2;
        } else {
            u.y -= 8.0;
        }
    }
    g.wave_timer = 400;
    if (u.kind == kGunner) {
        DrawGunner(u);
    } else if (u.kind == kHeavy) {
        DrawHeavy(u);
    } else if (u.kind == kGrabber) {
        DrawPiece(u.x, u.y, kGrabberPiece);
        g.grabber_rising = 1;
        g.message_timer = 10;
    } else if (u.kind == kSunkGrabber) {
        DrawPiece(u.x, u.y, kGrabberPiece);
        g.message_timer = 10;
    }
    if (u.hit_points < 1) {
        if (u.kind == kGrabber) {
            g.grabber_rising = 0;
            for (RobotRecord& r : g.robots) {
                if (r.state != 44) r.state = 2;
            }
        }
        Destroy(u, 8, 10);
        return;
    }
    if (u.y < -32) {
        if (u.kind == kGrabber) g.grabber_rising = 0;
        RemoveUfo(u);
    }
}

void PlayCarrySound() {
    GameVariables& g = g_game;
    std::int32_t& k = g.carry_sound_counter;
    if (k == 0 && g.grabber_rising) {
        PlayGameSound(kSoundCarry);
        k = 1;
    } else if (k > 14 && g.grabber_rising) {
        k = -1;
    } else {
        ++k;
    }
}

}  // namespace

void UpdateUfos() {
    GameVariables& g = g_game;
    SendInNextUfo();
    for (UfoRecord& u : g.ufos) {
        if (u.state == 0) {
            WaitInFormation(u);
        } else if (u.active && u.state == 2) {
            Fight(u);
        } else if (u.active && u.state == 8) {
            Retreat(u);
        }
        if (u.y < -32 || u.x < -32) RemoveUfo(u);
    }
    PlayCarrySound();
}

void ResetUfos() {
    for (UfoRecord& u : g_game.ufos) {
        u.x = u.y = -96.0;
        u.active = 0;
        u.state = 0;
        u.carrying = 0;
        u.attacking = 0;
        u.sway_step = 0;
        u.hit_points = 2;
        u.attack_counter = u.wiggle_counter = 0;
        u.appeared = 0;
    }
}
