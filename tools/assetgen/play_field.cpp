// The play field picture: a dithered night sky with stars and a ringed planet, far hills
// and a city skyline on the horizon, and the ground from y 400 with the robots' walkway.
// White text is drawn over the top rows, the message area and the clock, so those stay
// dark and quiet. Relies on screens.h, canvas.h and rng.h.
#include <algorithm>
#include <cmath>

#include "rng.h"
#include "screens.h"

namespace {

constexpr int kBayer4[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

// Ordered-dither pick between two colours: t in 0..1 is the share of b.
Rgb Dither(Rgb a, Rgb b, double t, int x, int y) {
    return (t * 16.0 > kBayer4[y & 3][x & 3] + 0.5) ? b : a;
}

// Sky colour bands from the zenith to the horizon, dithered between neighbours.
Rgb SkyAt(int x, int y, int horizon) {
    static const Rgb bands[] = {{10, 12, 36}, {14, 16, 48}, {20, 20, 62}, {30, 24, 76},
                                {44, 28, 88}, {62, 34, 96}, {86, 42, 98}};
    const int n = int(std::size(bands));
    double t = std::clamp(double(y) / horizon, 0.0, 1.0);
    t = t * t;  // most of the sky dark, the glow near the horizon
    double pos = t * (n - 1);
    int i = std::min(int(pos), n - 2);
    return Dither(bands[i], bands[i + 1], pos - i, x, y);
}

bool QuietArea(int x, int y) {
    return y < 20 || (x >= 120 && x < 344 && y >= 136 && y < 216);
}

void Planet(Canvas& c, double cx, double cy, double r) {
    const Rgb light{236, 170, 110}, mid{196, 110, 90}, dark{110, 56, 84}, band{160, 80, 96};
    for (int y = int(cy - r) - 1; y <= int(cy + r) + 1; ++y)
        for (int x = int(cx - r) - 1; x <= int(cx + r) + 1; ++x) {
            double dx = (x + 0.5 - cx) / r, dy = (y + 0.5 - cy) / r;
            double d2 = dx * dx + dy * dy;
            if (d2 > 1.0) continue;
            double nz = std::sqrt(1.0 - d2);
            double lit = std::clamp(-0.55 * dx - 0.35 * dy + 0.75 * nz, 0.0, 1.0);
            Rgb p = lit > 0.66 ? light : (lit > 0.36 ? mid : dark);
            if (lit > 0.2 && lit < 0.36) p = Dither(dark, mid, 0.5, x, y);
            double bandY = dy + 0.15 * dx;
            if (std::fabs(std::sin(bandY * 9.0)) > 0.93 && lit > 0.25) p = band;
            c.Set(x, y, p);
        }
}

void PlanetRing(Canvas& c, double cx, double cy, double r, bool front) {
    const Rgb ring{200, 180, 150}, ringDark{120, 96, 110};
    for (double a = 0; a < 6.2832; a += 0.004) {
        bool isFront = std::sin(a) > 0;
        if (isFront != front) continue;
        for (double k = 1.35; k <= 1.7; k += 0.06) {
            int x = int(std::floor(cx + std::cos(a) * r * k));
            int y = int(std::floor(cy + std::sin(a) * r * k * 0.28 - std::cos(a) * r * k * 0.12));
            c.Set(x, y, k < 1.52 ? ring : ringDark);
        }
    }
}

}  // namespace

void PaintNightSky(Canvas& c, int horizon, uint64_t seed, bool quietTextAreas) {
    for (int y = 0; y < horizon; ++y)
        for (int x = 0; x < c.width; ++x) c.Set(x, y, SkyAt(x, y, horizon));
    Rng rng(seed);
    for (int k = 0; k < 260; ++k) {
        int x = rng.Below(c.width), y = rng.Below(horizon - 40);
        double b = rng.Unit();
        bool quiet = quietTextAreas && QuietArea(x, y);
        if (quiet) b *= 0.35;
        Rgb base = SkyAt(x, y, horizon);
        Rgb tint = (k % 5 == 0) ? Rgb{255, 210, 190} : (k % 7 == 0 ? Rgb{180, 210, 255}
                                                                 : Rgb{235, 235, 255});
        c.Set(x, y, Mix(base, tint, 0.25 + 0.7 * b));
        if (b > 0.93 && !quiet) {  // a few bright stars with a small cross
            Rgb glow = Mix(base, tint, 0.45);
            c.Set(x - 1, y, glow);
            c.Set(x + 1, y, glow);
            c.Set(x, y - 1, glow);
            c.Set(x, y + 1, glow);
            c.Set(x, y, Rgb{255, 255, 255});
        }
    }
}

Canvas MakePlayField() {
    Canvas c(kScreenWidth, kScreenHeight);
    PaintNightSky(c, kGroundTop, 0xB6F1E1D, true);
    PlanetRing(c, 356, 86, 30, false);
    Planet(c, 356, 86, 30);
    PlanetRing(c, 356, 86, 30, true);

    // Far hills: a soft ridge, lit at the crest.
    const Rgb hill{40, 26, 78}, hillCrest{70, 44, 110};
    for (int x = 0; x < c.width; ++x) {
        double h = 330 + 14 * std::sin(x * 0.013 + 0.6) + 9 * std::sin(x * 0.037 + 2.0) +
                   4 * std::sin(x * 0.09);
        int top = int(h);
        for (int y = top; y < kGroundTop; ++y) c.Set(x, y, y == top ? hillCrest : hill);
    }

    // City skyline on the horizon with a few lit windows.
    Rng rng(0xC17E5);
    const Rgb tower{26, 20, 56}, towerEdge{52, 40, 96}, window{170, 140, 70}, windowDim{96, 70, 70};
    for (int x = 0; x < c.width;) {
        int w = 14 + rng.Below(22), h = 18 + rng.Below(46);
        if (rng.Below(4) == 0) h += 20;
        int top = kGroundTop - h;
        for (int y = top; y < kGroundTop; ++y)
            for (int i = x; i < x + w; ++i) c.Set(i, y, (i == x || y == top) ? towerEdge : tower);
        if (rng.Below(3) == 0) c.Line(x + w / 2, top - 6, x + w / 2, top, towerEdge);
        for (int y = top + 4; y < kGroundTop - 4; y += 5)
            for (int i = x + 3; i < x + w - 3; i += 4)
                if (rng.Below(5) == 0) {
                    Rgb p = rng.Below(3) ? windowDim : window;
                    c.Set(i, y, p);
                    c.Set(i + 1, y, p);
                }
        x += w + rng.Below(3);
    }

    // Ground: a lit rim at y 400, then dark soil in layers (the clock is written on it),
    // then the metal walkway the robots stand on (their feet reach y 474).
    const Rgb rim{120, 220, 170}, rimShade{60, 140, 120}, soil{46, 34, 58}, soil2{56, 40, 66};
    const Rgb walk{92, 96, 126}, walkLight{150, 156, 186}, walkDark{56, 58, 84};
    Rng dirt(0x5011);
    for (int y = kGroundTop; y < kScreenHeight; ++y)
        for (int x = 0; x < c.width; ++x) {
            Rgb p;
            if (y == kGroundTop) p = rim;
            else if (y <= kGroundTop + 2) p = rimShade;
            else if (y < 472) {
                double t = double(y - kGroundTop) / 72.0;
                p = Dither(soil2, soil, t, x, y);
                if (dirt.Below(23) == 0) p = Rgb{70, 52, 80};
            } else if (y == 472) p = walkDark;
            else if (y == 473) p = walkLight;
            else p = ((x % 24) == 0 || y == 479) ? walkDark : walk;
            c.Set(x, y, p);
        }
    // Grass tufts along the rim.
    for (int x = 3; x < c.width; x += 7 + (x * 13) % 5) {
        c.Set(x, kGroundTop - 1, rimShade);
        c.Set(x + 1, kGroundTop - 2, rim);
    }
    for (Rgb& p : c.pixels) p = Visible(p);
    return c;
}

Canvas MakeGroundStrip(const Canvas& playField) {
    return playField.Crop(0, kGroundTop, kScreenWidth, kScreenHeight - kGroundTop);
}
