// Solid shapes lit from the upper left and shaded in a few flat tones, the way pixel art
// is painted: ellipsoids, boxes and tinting of finished sprites. Relies on canvas.h.
#pragma once

#include "canvas.h"

// An ellipsoid seen from the front, centre (cx, cy), radii rx and ry, in base colour.
void ShadedEllipse(Canvas& c, double cx, double cy, double rx, double ry, Rgb base);
// The upper half only (domes); pixels below cy are left alone.
void ShadedDome(Canvas& c, double cx, double cy, double rx, double ry, Rgb base);
// A box shaded like a horizontal cylinder section: lit left edge and top, dark right edge.
void ShadedBox(Canvas& c, int x, int y, int w, int h, Rgb base);
// Every opaque pixel of the area recoloured: mixed toward colour by amount (0..1) while
// keeping its brightness pattern.
void Tint(Canvas& c, int x, int y, int w, int h, Rgb colour, double amount);
// Every opaque pixel of the area scaled in brightness.
void Darken(Canvas& c, int x, int y, int w, int h, double factor);
