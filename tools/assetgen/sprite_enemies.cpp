// The UFO pictures (gunner, heavy, grabber, their damaged and flash variants) and the
// bullet, centred on the UFO hit box (columns 4 to 27, rows 8 to 23) and the bullet box
// (columns and rows 14 to 17). Relies on sprites.h, shaded_shapes.h and rng.h.
#include <cmath>

#include "rng.h"
#include "shaded_shapes.h"
#include "sprites.h"

namespace {

// Scorch marks, a crack and a wisp of smoke on a UFO down to its last hit point.
void Damage(Canvas& c, uint64_t seed) {
    Darken(c, 0, 0, kPiece, kPiece, 0.78);
    Rng rng(seed);
    const Rgb scorch{52, 44, 56};
    for (int k = 0; k < 9; ++k) {
        int x = 7 + rng.Below(18), y = 13 + rng.Below(7);
        if (c.At(x, y) != kKey && c.At(x, y) != ink::kOutline) c.Set(x, y, scorch);
    }
    // A zigzag crack across the hull.
    int x = 10, y = 15;
    for (int k = 0; k < 9; ++k) {
        if (c.At(x, y) != kKey) c.Set(x, y, scorch);
        x += 1;
        y += (k % 3 == 0) ? 1 : (k % 3 == 1 ? 0 : -1);
    }
    // Smoke rising from the right side, sparks below it.
    const Rgb smoke{120, 112, 128};
    for (int k = 0; k < 7; ++k) {
        int sx = 20 + rng.Below(5) - k / 3, sy = 9 - k;
        if (sy >= 1 && c.At(sx, sy) == kKey) c.Set(sx, sy, Shade(smoke, 1.0 - k * 0.07));
    }
    c.Set(22, 12, ink::kYellow);
    c.Set(24, 11, ink::kOrange);
}

}  // namespace

Canvas PaintGunner(bool damaged) {
    Canvas c(kPiece, kPiece);
    // Gun turret under the hull.
    ShadedBox(c, 14, 20, 4, 3, ink::kDarkMetal);
    ShadedBox(c, 15, 22, 2, 4, ink::kMetal);
    c.Set(15, 25, ink::kRed);
    c.Set(16, 25, ink::kRed);
    // Hull and canopy.
    ShadedEllipse(c, 16.0, 17.0, 12.0, 4.6, Rgb{60, 190, 170});
    ShadedDome(c, 16.0, 15.0, 6.2, 6.5, ink::kGlass);
    // Rim band with lights.
    for (int x = 6; x <= 25; ++x) c.Set(x, 18, Rgb{36, 110, 104});
    for (int x = 7; x <= 25; x += 4) c.Set(x, 18, ink::kYellow);
    // A pilot's eyes behind the canopy.
    c.Set(14, 12, Rgb{40, 60, 90});
    c.Set(17, 12, Rgb{40, 60, 90});
    Outline(c, 0, 0, kPiece, kPiece, ink::kOutline);
    if (damaged) Damage(c, 0x6A11);
    return c;
}

Canvas PaintHeavy(bool damaged) {
    Canvas c(kPiece, kPiece);
    const Rgb hull{206, 64, 56};
    // Side engines behind the hull.
    ShadedEllipse(c, 5.0, 18.0, 3.0, 4.0, ink::kMetal);
    ShadedEllipse(c, 27.0, 18.0, 3.0, 4.0, ink::kMetal);
    // Thrusters under the hull.
    for (int x : {10, 15, 20}) {
        ShadedBox(c, x, 21, 3, 3, ink::kDarkMetal);
        c.Set(x + 1, 24, ink::kOrange);
        c.Set(x + 1, 25, ink::kYellow);
    }
    // Armoured hull with a plate band and rivets.
    ShadedEllipse(c, 16.0, 16.5, 12.5, 6.5, hull);
    for (int x = 5; x <= 27; ++x) {
        c.Set(x, 17, Shade(hull, 0.55));
        if (c.At(x, 18) != kKey) c.Set(x, 18, Shade(hull, 0.75));
    }
    for (int x = 7; x <= 25; x += 3) c.Set(x, 17, Rgb{255, 200, 170});
    // Small amber cockpit.
    ShadedDome(c, 16.0, 12.5, 5.0, 4.5, Rgb{250, 176, 60});
    Outline(c, 0, 0, kPiece, kPiece, ink::kOutline);
    if (damaged) Damage(c, 0x4EA7);
    return c;
}

Canvas PaintGrabber() {
    Canvas c(kPiece, kPiece);
    const Rgb claw{170, 176, 196};
    // The claw: a stalk and two hooked arms hanging under the hull.
    ShadedBox(c, 15, 18, 2, 4, claw);
    c.Line(14, 21, 11, 24, claw);
    c.Line(15, 21, 12, 24, claw);
    c.Line(17, 21, 20, 24, claw);
    c.Line(16, 21, 19, 24, claw);
    for (int y = 24; y <= 26; ++y) {
        c.Set(11, y, claw);
        c.Set(20, y, claw);
    }
    c.Set(12, 27, claw);
    c.Set(19, 27, claw);
    // Hull, rim lights and a green canopy.
    ShadedEllipse(c, 16.0, 15.0, 11.5, 4.5, Rgb{164, 84, 226});
    for (int x = 6; x <= 25; ++x) c.Set(x, 16, Rgb{96, 40, 140});
    for (int x = 6; x <= 25; x += 3) c.Set(x, 16, Rgb{120, 255, 160});
    ShadedDome(c, 16.0, 13.0, 5.5, 5.5, Rgb{130, 250, 150});
    Outline(c, 0, 0, kPiece, kPiece, ink::kOutline);
    return c;
}

Canvas PaintFlash(const Canvas& ufo, bool hot) {
    Canvas c = ufo;
    if (hot) {
        Tint(c, 0, 0, kPiece, kPiece, Rgb{255, 170, 60}, 0.75);
    } else {
        for (Rgb& p : c.pixels)
            if (p != kKey) p = Mix(p, ink::kWhite, 0.78);
    }
    return c;
}

Canvas PaintBullet() {
    Canvas c(kPiece, kPiece);
    // A hot pink orb with a dim halo, so it shows on the dark sky and the bright ground.
    c.FillCircle(16.0, 16.0, 4.3, Rgb{120, 30, 100});
    c.FillCircle(16.0, 16.0, 3.3, Rgb{255, 80, 180});
    c.FillCircle(16.0, 16.0, 1.9, Rgb{255, 236, 248});
    return c;
}
