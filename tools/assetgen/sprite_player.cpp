// The player's pictures: a small cannon walker standing, walking both ways, spinning when
// hit and re-forming as it rises, and its shot. All are centred on the player's hit box
// (columns and rows 12 to 19) with the feet on the bottom row. Relies on sprites.h and
// shaded_shapes.h.
#include <cmath>

#include "shaded_shapes.h"
#include "sprites.h"

namespace {

constexpr Rgb kArmour{64, 128, 236};
constexpr Rgb kVisor{28, 34, 70};

struct Stride {
    int backDx, backLift, frontDx, frontLift, bob;
};

// The five steps of the walk cycle: each foot swings 3 pixels forward and back and is
// lifted while it passes under the body; the body bobs up as a foot passes.
Stride WalkStep(int k) {
    const double phase = 6.283185307179586 * k / 5.0;
    const double swing = std::cos(phase), lift = std::sin(phase);
    Stride s;
    s.backDx = int(std::lround(-3.0 * swing));
    s.frontDx = int(std::lround(3.0 * swing));
    s.backLift = lift > 0.3 ? int(std::lround(2.5 * lift)) : 0;
    s.frontLift = lift < -0.3 ? int(std::lround(-2.5 * lift)) : 0;
    s.bob = std::fabs(swing) < 0.5 ? 1 : 0;
    return s;
}

void Leg(Canvas& c, int hipX, int dx, int lift) {
    int x = hipX + dx;
    ShadedBox(c, x, 24 - lift, 3, 6, ink::kDarkMetal);
    ShadedBox(c, x - 1, 29 - lift, 5, 3, ink::kMetal);
}

}  // namespace

Canvas PaintPlayer(int facing, int stride) {
    Canvas c(kPiece, kPiece);
    Stride s = stride < 0 ? Stride{0, 0, 0, 0, 0} : WalkStep(stride % 5);
    const int dir = facing < 0 ? -1 : 1;
    // Legs: the far one first so the near one overlaps it.
    if (stride < 0) {
        Leg(c, 11, 0, 0);
        Leg(c, 18, 0, 0);
    } else {
        Leg(c, 11, s.backDx * dir, s.backLift);
        Leg(c, 18, s.frontDx * dir, s.frontLift);
    }
    const int up = -s.bob;
    // Pelvis joint.
    ShadedBox(c, 12, 22 + up, 8, 3, ink::kDarkMetal);
    // Barrel and its collar.
    ShadedBox(c, 15, 2 + up, 2, 9, ink::kMetal);
    c.Set(15, 2 + up, ink::kGlass);
    c.Set(16, 2 + up, ink::kGlass);
    ShadedBox(c, 13, 9 + up, 6, 3, ink::kDarkMetal);
    // Shoulder pods behind the body.
    ShadedEllipse(c, 8.0, 18.5 + up, 3.0, 3.5, ink::kOrange);
    ShadedEllipse(c, 24.0, 18.5 + up, 3.0, 3.5, ink::kOrange);
    // Body.
    ShadedEllipse(c, 16.0, 17.5 + up, 8.0, 6.8, kArmour);
    // Visor band with the eyes; facing a side moves the glow toward it.
    for (int x = 10; x <= 21; ++x) {
        c.Set(x, 15 + up, kVisor);
        c.Set(x, 16 + up, kVisor);
        c.Set(x, 17 + up, kVisor);
    }
    if (facing == 0) {
        for (int x : {12, 13, 18, 19}) {
            c.Set(x, 16 + up, ink::kGlass);
            c.Set(x, 15 + up, Shade(ink::kGlass, 0.7));
        }
        c.Set(12, 16 + up, ink::kWhite);
        c.Set(18, 16 + up, ink::kWhite);
    } else {
        int x0 = facing > 0 ? 16 : 11;
        for (int x = x0; x < x0 + 5; ++x) {
            c.Set(x, 16 + up, ink::kGlass);
            c.Set(x, 15 + up, Shade(ink::kGlass, 0.7));
        }
        c.Set(facing > 0 ? x0 + 3 : x0 + 1, 16 + up, ink::kWhite);
    }
    // Chest light.
    c.Set(15, 20 + up, ink::kYellow);
    c.Set(16, 20 + up, ink::kYellow);
    Outline(c, 0, 0, kPiece, kPiece, ink::kOutline);
    return c;
}

Canvas PaintPlayerSpin(int quarterTurns) {
    Canvas up = PaintPlayer(0, -1);
    Tint(up, 0, 0, kPiece, kPiece, Rgb{255, 120, 90}, 0.25 * quarterTurns);
    Canvas c(kPiece, kPiece);
    for (int y = 0; y < kPiece; ++y)
        for (int x = 0; x < kPiece; ++x) {
            int sx = x, sy = y;
            for (int k = 0; k < quarterTurns % 4; ++k) {
                int t = sx;
                sx = sy;
                sy = kPiece - 1 - t;
            }
            c.Set(x, y, up.At(sx, sy));
        }
    return c;
}

Canvas PaintPlayerRising() {
    Canvas c = PaintPlayer(0, -1);
    Tint(c, 0, 0, kPiece, kPiece, Rgb{110, 240, 255}, 0.55);
    // Scan lines: the figure re-forms line by line.
    for (int y = 0; y < kPiece; ++y)
        for (int x = 0; x < kPiece; ++x) {
            Rgb p = c.At(x, y);
            if (p == kKey) continue;
            c.Set(x, y, y % 2 ? Shade(p, 0.7) : Mix(p, ink::kWhite, 0.25));
        }
    return c;
}

Canvas PaintShot() {
    Canvas c(kPiece, kPiece);
    const Rgb edge{70, 190, 255};
    const Rgb glow{150, 235, 255};
    for (int y = 0; y < 16; ++y) {
        bool tip = y < 2 || y > 13;
        c.Set(15, y, tip ? glow : ink::kWhite);
        c.Set(16, y, tip ? glow : ink::kWhite);
        if (y >= 2 && y <= 13) {
            c.Set(14, y, edge);
            c.Set(17, y, edge);
        }
    }
    return c;
}

Canvas MakeRunMarker() {
    // A small running robot, facing left toward its ranking row, four frames of 16x16.
    static const std::vector<std::vector<std::string>> frames = {
        {"................", ".......kkkk.....", "......kcbbbk....", ".....kwcbbbbk...",
         ".....kbbbbbbk...", "......kbbbbk....", ".....koookkk....", "....kobbbbok....",
         "...kok.bbbk.ok..", "....k..kbbk..k..", "......kbk.kbk...", ".....kbk...kbk..",
         "....kgk.....kgk.", "....kk.......kk.", "................", "................"},
        {"................", "................", ".......kkkk.....", "......kcbbbk....",
         ".....kwcbbbbk...", ".....kbbbbbbk...", "......kbbbbk....", ".....koookkk....",
         "....kobbbbok....", "....kk.bbbkok...", "......kbbbk.k...", "......kbkbk.....",
         ".....kbk.kbk....", ".....kgk..kgk...", ".....kk....kk...", "................"},
        {"................", ".......kkkk.....", "......kcbbbk....", ".....kwcbbbbk...",
         ".....kbbbbbbk...", "......kbbbbk....", ".....koookkk....", "....kobbbbok....",
         "...kok.bbbk.ok..", "....k..kbbk..k..", ".......kbbk.....", "......kbkkbk....",
         ".....kbk..kbk...", "....kgk....kgk..", "....kk......kk..", "................"},
        {"................", "................", ".......kkkk.....", "......kcbbbk....",
         ".....kwcbbbbk...", ".....kbbbbbbk...", "......kbbbbk....", ".....koookkk....",
         "....kobbbbok....", "...kok.bbbkk....", "....k..kbbk.....", "......kbkbk.....",
         "......kbkbk.....", "......kgkgk.....", "......kk.kk.....", "................"},
    };
    const std::vector<PaletteEntry> palette = {
        {'k', ink::kOutline}, {'b', Rgb{90, 160, 250}}, {'c', ink::kGlass},
        {'w', ink::kWhite},   {'o', ink::kOrange},      {'g', ink::kMetal},
    };
    Canvas c(16, 64);
    for (int f = 0; f < 4; ++f) DrawGrid(c, 0, f * 16, frames[f], palette);
    return c;
}
