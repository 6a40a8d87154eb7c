// Flat-tone shading of the asset generator's sprite shapes: a light direction from the
// upper left, quantised to four tones and a highlight, as hand-painted pixel art would be.
// Relies on canvas.h and the standard library.
#include "shaded_shapes.h"

#include <algorithm>
#include <cmath>

namespace {

// Four tones plus a near-white highlight from a lighting value in 0..1.
Rgb Tone(Rgb base, double light) {
    if (light > 0.93) return Mix(base, Rgb{255, 255, 255}, 0.6);
    if (light > 0.72) return Shade(base, 1.22);
    if (light > 0.45) return base;
    if (light > 0.22) return Shade(base, 0.74);
    return Shade(base, 0.52);
}

double Light(double nx, double ny, double nz) {
    const double lx = -0.45, ly = -0.65, lz = 0.62;
    const double len = std::sqrt(lx * lx + ly * ly + lz * lz);
    return std::clamp((nx * lx + ny * ly + nz * lz) / len, 0.0, 1.0);
}

void Ellipsoid(Canvas& c, double cx, double cy, double rx, double ry, Rgb base, bool upperOnly) {
    for (int j = int(std::floor(cy - ry)); j <= int(std::ceil(cy + ry)); ++j)
        for (int i = int(std::floor(cx - rx)); i <= int(std::ceil(cx + rx)); ++i) {
            double px = i + 0.5, py = j + 0.5;
            if (upperOnly && py > cy) continue;
            double dx = (px - cx) / rx, dy = (py - cy) / ry;
            double d2 = dx * dx + dy * dy;
            if (d2 > 1.0) continue;
            double nz = std::sqrt(1.0 - d2);
            c.Set(i, j, Tone(base, Light(dx, dy, nz)));
        }
}

}  // namespace

void ShadedEllipse(Canvas& c, double cx, double cy, double rx, double ry, Rgb base) {
    Ellipsoid(c, cx, cy, rx, ry, base, false);
}

void ShadedDome(Canvas& c, double cx, double cy, double rx, double ry, Rgb base) {
    Ellipsoid(c, cx, cy, rx, ry, base, true);
}

void ShadedBox(Canvas& c, int x, int y, int w, int h, Rgb base) {
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            double u = w > 1 ? (i + 0.5) / w * 2.0 - 1.0 : 0.0;  // -1 left .. 1 right
            double nx = u * 0.9;
            double ny = (j == 0 && h > 2) ? -0.8 : 0.0;
            double nz = std::sqrt(std::max(0.05, 1.0 - nx * nx - ny * ny));
            c.Set(x + i, y + j, Tone(base, Light(nx, ny, nz)));
        }
}

void Tint(Canvas& c, int x, int y, int w, int h, Rgb colour, double amount) {
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i) {
            Rgb p = c.At(i, j);
            if (p == kKey) continue;
            double lum = (0.3 * p.r + 0.59 * p.g + 0.11 * p.b) / 255.0;
            Rgb target = Shade(colour, 0.35 + 0.9 * lum);
            c.Set(i, j, Mix(p, target, amount));
        }
}

void Darken(Canvas& c, int x, int y, int w, int h, double factor) {
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i) {
            Rgb p = c.At(i, j);
            if (p != kKey) c.Set(i, j, Shade(p, factor));
        }
}
