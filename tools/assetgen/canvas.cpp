// Drawing routines of the asset generator on plain RGB pictures: pixels, rectangles,
// discs, rings, lines, blits with the black key, and character-grid pictures.
// Relies on canvas.h and the standard library.
#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace {

uint8_t Clamp8(double v) {
    return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

}  // namespace

Rgb Visible(Rgb c) {
    if (c.r >= 16 || c.g >= 16 || c.b >= 16) return c;
    return Rgb{10, 12, 24};
}

Rgb Mix(Rgb a, Rgb b, double t) {
    return Visible(Rgb{Clamp8(a.r + (b.r - a.r) * t), Clamp8(a.g + (b.g - a.g) * t),
                       Clamp8(a.b + (b.b - a.b) * t)});
}

Rgb Shade(Rgb c, double f) {
    return Visible(Rgb{Clamp8(c.r * f), Clamp8(c.g * f), Clamp8(c.b * f)});
}

Canvas::Canvas(int w, int h, Rgb fill) : width(w), height(h), pixels(size_t(w) * h, fill) {}

void Canvas::Set(int x, int y, Rgb c) {
    if (Inside(x, y)) pixels[y * width + x] = c;
}

void Canvas::FillRect(int x, int y, int w, int h, Rgb c) {
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i) Set(i, j, c);
}

void Canvas::FrameRect(int x, int y, int w, int h, Rgb c) {
    for (int i = x; i < x + w; ++i) {
        Set(i, y, c);
        Set(i, y + h - 1, c);
    }
    for (int j = y; j < y + h; ++j) {
        Set(x, j, c);
        Set(x + w - 1, j, c);
    }
}

void Canvas::FillCircle(double cx, double cy, double r, Rgb c) {
    for (int j = int(std::floor(cy - r)); j <= int(std::ceil(cy + r)); ++j)
        for (int i = int(std::floor(cx - r)); i <= int(std::ceil(cx + r)); ++i) {
            double dx = i + 0.5 - cx, dy = j + 0.5 - cy;
            if (dx * dx + dy * dy <= r * r) Set(i, j, c);
        }
}

void Canvas::Ring(double cx, double cy, double r0, double r1, Rgb c) {
    for (int j = int(std::floor(cy - r1)); j <= int(std::ceil(cy + r1)); ++j)
        for (int i = int(std::floor(cx - r1)); i <= int(std::ceil(cx + r1)); ++i) {
            double dx = i + 0.5 - cx, dy = j + 0.5 - cy;
            double d2 = dx * dx + dy * dy;
            if (d2 <= r1 * r1 && d2 >= r0 * r0) Set(i, j, c);
        }
}

void Canvas::Line(int x0, int y0, int x1, int y1, Rgb c) {
    int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        Set(x0, y0, c);
        if (x0 == x1 && y0 == y1) break;
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

void Canvas::Blit(const Canvas& src, int sx, int sy, int w, int h, int dx, int dy, bool keyed) {
    BlitScaled(src, sx, sy, w, h, dx, dy, 1, keyed);
}

void Canvas::BlitScaled(const Canvas& src, int sx, int sy, int w, int h, int dx, int dy,
                        int scale, bool keyed) {
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            if (!src.Inside(sx + i, sy + j)) continue;
            Rgb c = src.At(sx + i, sy + j);
            if (keyed && c == kKey) continue;
            FillRect(dx + i * scale, dy + j * scale, scale, scale, c);
        }
}

Canvas Canvas::Crop(int x, int y, int w, int h) const {
    Canvas out(w, h);
    out.Blit(*this, x, y, w, h, 0, 0, false);
    return out;
}

void DrawGrid(Canvas& dst, int x, int y, const std::vector<std::string>& rows,
              const std::vector<PaletteEntry>& palette, bool mirror) {
    for (size_t j = 0; j < rows.size(); ++j) {
        const std::string& row = rows[j];
        for (size_t i = 0; i < row.size(); ++i) {
            char ch = row[i];
            if (ch == '.' || ch == ' ') continue;
            auto it = std::find_if(palette.begin(), palette.end(),
                                   [ch](const PaletteEntry& e) { return e.code == ch; });
            if (it == palette.end())
                throw std::runtime_error(std::string("grid uses a colour with no palette entry: ") + ch);
            int px = mirror ? x + int(row.size()) - 1 - int(i) : x + int(i);
            dst.Set(px, y + int(j), it->colour);
        }
    }
}

void Outline(Canvas& c, int x, int y, int w, int h, Rgb colour) {
    Canvas copy = c;
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i) {
            if (copy.At(i, j) != kKey) continue;
            auto opaque = [&](int a, int b) {
                return a >= x && b >= y && a < x + w && b < y + h && copy.At(a, b) != kKey;
            };
            if (opaque(i - 1, j) || opaque(i + 1, j) || opaque(i, j - 1) || opaque(i, j + 1))
                c.Set(i, j, colour);
        }
}
