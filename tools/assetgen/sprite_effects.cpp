// Explosion frames, the score pictures, the appearance shimmer, the ring and the shield
// frames; all centred on the piece. Relies on sprites.h, pixel_font.h and rng.h.
#include <algorithm>
#include <cmath>

#include "pixel_font.h"
#include "rng.h"
#include "sprites.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// A soft irregular blob of fire or smoke: pixels within radius r whose noisy distance
// passes, coloured from the inner to the outer colour; density thins it out.
void Cloud(Canvas& c, Rng& rng, double r0, double r1, Rgb inner, Rgb outer, double density) {
    for (int y = 0; y < kPiece; ++y)
        for (int x = 0; x < kPiece; ++x) {
            double dx = x + 0.5 - 16.0, dy = y + 0.5 - 16.0;
            double d = std::sqrt(dx * dx + dy * dy) + rng.Signed() * 1.4;
            if (d < r0 || d > r1) {
                rng.Next();
                continue;
            }
            if (rng.Unit() > density) continue;
            double t = (d - r0) / std::max(0.001, r1 - r0);
            c.Set(x, y, Mix(inner, outer, std::clamp(t, 0.0, 1.0)));
        }
}

void Sparks(Canvas& c, Rng& rng, int count, double rMin, double rMax, Rgb colour) {
    for (int k = 0; k < count; ++k) {
        double a = rng.Unit() * 2 * kPi, r = rMin + rng.Unit() * (rMax - rMin);
        c.Set(int(std::floor(16.0 + std::cos(a) * r)), int(std::floor(16.0 + std::sin(a) * r)),
              colour);
    }
}

}  // namespace

Canvas PaintExplosion(int frame) {
    Canvas c(kPiece, kPiece);
    Rng rng(0xE1000 + uint64_t(frame));
    const Rgb white{255, 255, 240}, yellow{255, 230, 90}, orange{250, 130, 40};
    const Rgb red{200, 50, 40}, smoke{110, 90, 110}, ash{70, 60, 80};
    switch (frame) {
        case 0:  // the first flash: a bright star
            for (int k = 0; k < 8; ++k) {
                double a = k * kPi / 4 + kPi / 8;
                double len = (k % 2) ? 9.0 : 13.0;
                for (double r = 3; r < len; r += 0.5)
                    c.Set(int(std::floor(16 + std::cos(a) * r)), int(std::floor(16 + std::sin(a) * r)),
                          r < len * 0.6 ? yellow : orange);
            }
            c.FillCircle(16, 16, 6.5, orange);
            c.FillCircle(16, 16, 5.0, yellow);
            c.FillCircle(16, 16, 3.2, white);
            Sparks(c, rng, 8, 10, 14, yellow);
            break;
        case 1:  // the fireball
            Cloud(c, rng, 0, 11, white, orange, 1.0);
            Cloud(c, rng, 7, 12, orange, red, 0.8);
            c.FillCircle(16, 16, 2.5, white);
            Sparks(c, rng, 12, 12, 15, yellow);
            break;
        case 2:  // fire turning to smoke
            Cloud(c, rng, 4, 12, orange, red, 0.75);
            Cloud(c, rng, 9, 14, red, smoke, 0.6);
            Sparks(c, rng, 10, 13, 15.5, orange);
            break;
        default:  // the last smoke
            Cloud(c, rng, 8, 15, smoke, ash, 0.35);
            Sparks(c, rng, 6, 14, 15.5, red);
            break;
    }
    return c;
}

Canvas PaintScorePop(const std::string& value, bool second) {
    Canvas c(kPiece, kPiece);
    Rgb face = second ? Rgb{170, 250, 255} : Rgb{255, 224, 60};
    Rgb low = second ? Rgb{70, 170, 255} : Rgb{250, 120, 30};
    Rgb edge = second ? Rgb{20, 30, 90} : Rgb{90, 20, 20};
    int w = BoldDigitsWidth(value);
    int x = (kPiece - w) / 2, y = 10;
    DrawBoldDigits(c, x, y, value, face);
    // Lower half of the digits in the second tone: a lit-from-above look.
    for (int j = y + 6; j < y + 11; ++j)
        for (int i = x; i < x + w; ++i)
            if (c.At(i, j) == face) c.Set(i, j, low);
    Outline(c, 0, 0, kPiece, kPiece, edge);
    return c;
}

Canvas PaintShimmer(int frame) {
    Canvas c(kPiece, kPiece);
    Rng rng(0x5A1 + uint64_t(frame));
    const Rgb core{230, 255, 255}, beam{90, 210, 255}, faint{50, 110, 200};
    if (frame == 0) {
        // A narrow beam of light with bright scan lines.
        for (int y = 2; y < 30; ++y) {
            for (int x = 13; x <= 18; ++x) {
                bool centre = x == 15 || x == 16;
                Rgb p = centre ? core : (x == 13 || x == 18 ? faint : beam);
                if (y % 4 == 0 && !centre) p = beam;
                if ((x == 13 || x == 18) && y % 2) continue;
                c.Set(x, y, p);
            }
        }
        Sparks(c, rng, 14, 5, 14, core);
    } else {
        // The beam widened and broken into shimmering streaks.
        for (int y = 1; y < 31; ++y)
            for (int x = 9; x <= 22; ++x) {
                double edge = std::abs(x - 15.5) / 7.0;
                if (rng.Unit() < 0.55 - 0.45 * edge && (y + x) % 3 != 0)
                    c.Set(x, y, edge < 0.3 ? beam : faint);
            }
        for (int y = 4; y < 28; y += 6) {
            c.Set(15, y, core);
            c.Set(16, y + 3, core);
        }
        Sparks(c, rng, 16, 8, 15, core);
    }
    return c;
}

Canvas PaintRing() {
    Canvas c(kPiece, kPiece);
    c.Ring(16, 16, 10.5, 13.5, Rgb{80, 200, 255});
    c.Ring(16, 16, 11.5, 12.6, Rgb{220, 250, 255});
    return c;
}

Canvas PaintShield(int frame) {
    Canvas c(kPiece, kPiece);
    const double fade = 1.0 - 0.3 * frame;
    const Rgb rim = Shade(Rgb{120, 220, 255}, fade), cell = Shade(Rgb{50, 110, 220}, fade);
    // A bubble with a honeycomb of faint cells inside; later frames break up.
    for (int y = 0; y < kPiece; ++y)
        for (int x = 0; x < kPiece; ++x) {
            double dx = x + 0.5 - 16, dy = y + 0.5 - 16;
            double d = std::sqrt(dx * dx + dy * dy);
            bool keep = ((x * 7 + y * 13) % 4) >= frame;
            if (d > 12.5 && d <= 14.5 && keep) {
                c.Set(x, y, d < 13.5 ? rim : cell);
            } else if (d <= 12.5) {
                int hx = (x + (y / 4 % 2) * 3) % 6, hy = y % 4;
                if ((hx == 0 || hy == 0) && keep && (x + y) % 2 == 0) c.Set(x, y, cell);
            }
        }
    if (frame == 0) {
        c.Set(10, 9, ink::kWhite);
        c.Set(11, 8, ink::kWhite);
        c.Set(9, 10, ink::kWhite);
    }
    return c;
}
