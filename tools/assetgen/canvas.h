// A plain 8-bit RGB picture and the drawing routines the art is made with. Black (0,0,0)
// is the game's transparent key; Visible() keeps a colour clear of it on a 16-bit screen.
// Relies on the standard library only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

constexpr Rgb kKey{0, 0, 0};

// The colour itself when it survives the reduction to RGB565 with room to spare (some
// channel at 16 or more); otherwise the darkest grey-blue that does.
Rgb Visible(Rgb c);
// Linear mix of two colours, t from 0 (a) to 1 (b), kept visible.
Rgb Mix(Rgb a, Rgb b, double t);
// The colour scaled by f (0 to about 2), clamped and kept visible.
Rgb Shade(Rgb c, double f);

struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;  // row by row, top row first

    Canvas() = default;
    Canvas(int w, int h, Rgb fill = kKey);

    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    Rgb At(int x, int y) const { return Inside(x, y) ? pixels[y * width + x] : kKey; }
    // Writes one pixel; points outside are ignored. Every drawing routine ends here.
    void Set(int x, int y, Rgb c);
    void FillRect(int x, int y, int w, int h, Rgb c);
    void FrameRect(int x, int y, int w, int h, Rgb c);
    void FillCircle(double cx, double cy, double r, Rgb c);
    void Ring(double cx, double cy, double r0, double r1, Rgb c);
    void Line(int x0, int y0, int x1, int y1, Rgb c);

    // Copies src's (sx, sy, w, h) to (dx, dy); with keyed set, black source pixels are skipped.
    void Blit(const Canvas& src, int sx, int sy, int w, int h, int dx, int dy, bool keyed);
    // Same, each source pixel drawn as a scale x scale block.
    void BlitScaled(const Canvas& src, int sx, int sy, int w, int h, int dx, int dy, int scale,
                    bool keyed);
    Canvas Crop(int x, int y, int w, int h) const;
};

// A picture given as rows of characters; each character is looked up in the palette
// string pairs "c" -> colour. '.' and ' ' are transparent.
struct PaletteEntry {
    char code;
    Rgb colour;
};
void DrawGrid(Canvas& dst, int x, int y, const std::vector<std::string>& rows,
              const std::vector<PaletteEntry>& palette, bool mirror = false);

// A dark outline around every opaque pixel of the area (4-neighbourhood), drawn on
// transparent pixels only.
void Outline(Canvas& c, int x, int y, int w, int h, Rgb colour);
