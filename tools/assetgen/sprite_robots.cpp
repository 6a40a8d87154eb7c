// The five robots that stand on the ground, each its own model and colour, with the body
// over the robot hit box (columns 12 to 19, rows 12 to 23) and the feet on the bottom
// rows. Relies on sprites.h and shaded_shapes.h.
#include "shaded_shapes.h"
#include "sprites.h"

namespace {

void Eyes(Canvas& c, int y, int x0, int x1, Rgb colour) {
    c.Set(x0, y, colour);
    c.Set(x1, y, colour);
    c.Set(x0, y - 1, ink::kWhite);
    c.Set(x1, y - 1, ink::kWhite);
}

// Model 0: a boxy helper robot with an antenna and a chest panel.
void BoxBot(Canvas& c) {
    const Rgb body{96, 150, 230};
    ShadedBox(c, 12, 26, 3, 4, ink::kDarkMetal);
    ShadedBox(c, 17, 26, 3, 4, ink::kDarkMetal);
    ShadedBox(c, 11, 29, 5, 3, ink::kMetal);
    ShadedBox(c, 16, 29, 5, 3, ink::kMetal);
    ShadedBox(c, 8, 17, 3, 7, ink::kMetal);   // arms
    ShadedBox(c, 21, 17, 3, 7, ink::kMetal);
    ShadedBox(c, 10, 16, 12, 11, body);
    ShadedBox(c, 13, 19, 6, 4, Rgb{40, 48, 80});
    c.Set(14, 20, ink::kRed);
    c.Set(16, 20, ink::kYellow);
    c.Set(14, 21, Rgb{90, 240, 120});
    c.Set(17, 21, ink::kRed);
    c.Line(16, 4, 16, 8, ink::kMetal);
    c.FillCircle(16.5, 4.0, 1.6, ink::kRed);
    ShadedBox(c, 11, 8, 11, 8, Rgb{176, 190, 214});
    ShadedBox(c, 12, 10, 9, 4, Rgb{40, 48, 80});
    Eyes(c, 12, 14, 18, ink::kGlass);
}

// Model 1: a round green robot balancing on one wheel.
void WheelBot(Canvas& c) {
    c.FillCircle(16.0, 28.0, 3.8, Rgb{60, 62, 78});
    c.FillCircle(16.0, 28.0, 1.6, ink::kMetal);
    ShadedBox(c, 15, 23, 2, 3, ink::kMetal);
    ShadedEllipse(c, 16.0, 17.0, 7.5, 7.5, Rgb{90, 210, 110});
    ShadedEllipse(c, 8.0, 18.0, 2.0, 2.5, ink::kMetal);
    ShadedEllipse(c, 24.0, 18.0, 2.0, 2.5, ink::kMetal);
    for (int x = 11; x <= 21; ++x) c.Set(x, 15, Rgb{30, 60, 50});
    for (int x = 11; x <= 21; ++x) c.Set(x, 16, Rgb{30, 60, 50});
    Eyes(c, 16, 13, 19, Rgb{255, 250, 120});
    c.Line(16, 7, 18, 4, ink::kMetal);
    c.Set(19, 3, ink::kYellow);
}

// Model 2: a tall slim yellow robot with a small round head and waving arms.
void TallBot(Canvas& c) {
    const Rgb body{246, 200, 60};
    ShadedBox(c, 13, 24, 2, 6, ink::kDarkMetal);
    ShadedBox(c, 18, 24, 2, 6, ink::kDarkMetal);
    ShadedBox(c, 12, 29, 4, 3, ink::kMetal);
    ShadedBox(c, 17, 29, 4, 3, ink::kMetal);
    c.Line(11, 15, 7, 10, ink::kMetal);
    c.Line(21, 15, 25, 10, ink::kMetal);
    c.FillCircle(6.5, 9.5, 1.5, body);
    c.FillCircle(25.5, 9.5, 1.5, body);
    ShadedBox(c, 12, 13, 9, 12, body);
    ShadedBox(c, 14, 16, 5, 2, Rgb{120, 80, 30});
    ShadedBox(c, 15, 10, 3, 3, ink::kMetal);
    ShadedEllipse(c, 16.5, 7.0, 4.5, 4.0, body);
    Eyes(c, 7, 15, 18, Rgb{60, 40, 20});
}

// Model 3: a pink robot on caterpillar tracks.
void TrackBot(Canvas& c) {
    const Rgb body{240, 110, 170};
    ShadedBox(c, 8, 26, 16, 6, Rgb{70, 72, 90});
    for (int x = 10; x <= 22; x += 4) c.FillCircle(x + 0.5, 29.0, 1.6, ink::kMetal);
    for (int x = 8; x < 24; x += 2) c.Set(x, 26, Rgb{120, 124, 146});
    ShadedBox(c, 10, 14, 12, 12, body);
    ShadedBox(c, 6, 18, 4, 3, ink::kMetal);
    ShadedBox(c, 22, 18, 4, 3, ink::kMetal);
    c.Set(5, 17, ink::kMetal);
    c.Set(5, 21, ink::kMetal);
    c.Set(26, 17, ink::kMetal);
    c.Set(26, 21, ink::kMetal);
    ShadedDome(c, 16.0, 14.0, 5.5, 6.0, Rgb{200, 230, 255});
    Eyes(c, 12, 14, 17, Rgb{200, 40, 110});
    ShadedBox(c, 12, 19, 8, 3, Rgb{120, 40, 80});
    c.Set(13, 20, ink::kYellow);
    c.Set(18, 20, ink::kYellow);
}

// Model 4: an orange one-eyed robot with a dome head and stubby legs.
void EyeBot(Canvas& c) {
    const Rgb body{250, 140, 50};
    ShadedBox(c, 11, 27, 3, 3, ink::kDarkMetal);
    ShadedBox(c, 18, 27, 3, 3, ink::kDarkMetal);
    ShadedBox(c, 9, 29, 6, 3, ink::kMetal);
    ShadedBox(c, 17, 29, 6, 3, ink::kMetal);
    ShadedEllipse(c, 16.0, 18.5, 8.5, 9.0, body);
    c.FillCircle(16.0, 15.5, 4.2, ink::kWhite);
    c.FillCircle(16.5, 16.0, 2.5, Rgb{60, 160, 255});
    c.FillCircle(16.5, 16.0, 1.1, Rgb{20, 30, 70});
    c.Set(15, 14, ink::kWhite);
    for (int x = 12; x <= 20; x += 2) c.Set(x, 23, Rgb{150, 70, 20});
    c.Line(10, 11, 8, 8, ink::kMetal);
    c.Line(22, 11, 24, 8, ink::kMetal);
    c.Set(8, 7, ink::kRed);
    c.Set(24, 7, ink::kRed);
}

}  // namespace

Canvas PaintRobot(int model) {
    Canvas c(kPiece, kPiece);
    switch (model) {
        case 0: BoxBot(c); break;
        case 1: WheelBot(c); break;
        case 2: TallBot(c); break;
        case 3: TrackBot(c); break;
        default: EyeBot(c); break;
    }
    Outline(c, 0, 0, kPiece, kPiece, ink::kOutline);
    return c;
}
