// The title screen: the TRELLIGAN logo over a night sky, UFOs closing in on the robots'
// city, the player on the ground, and a plain dark frame where the engine writes the
// menu ((118, 310) to (340, 376)). Everything right of x 416 lies under the score panel.
// Relies on screens.h, sprites.h and pixel_font.h.
#include <cmath>

#include "pixel_font.h"
#include "screens.h"
#include "sprites.h"

namespace {

void Piece(Canvas& c, const Canvas& chars, int index, int x, int y, int scale) {
    c.BlitScaled(chars, (index % kSheetColumns) * kPiece, (index / kSheetColumns) * kPiece, kPiece,
                 kPiece, x, y, scale, true);
}

}  // namespace

Canvas MakeTitleScreen(const Canvas& chars) {
    Canvas c(kScreenWidth, kScreenHeight);
    PaintNightSky(c, 430, 0x717E, false);
    // Keep the top row (score line) quiet.
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < kScreenWidth; ++x) {
            Rgb p = c.At(x, y);
            if (p.r > 60) c.Set(x, y, Rgb{14, 16, 48});
        }

    // Logo in the upper half, centred on the visible width.
    const int scale = 6;
    const int logoWidth = LogoTextWidth("TRELLIGAN", scale);
    const int logoX = (kPanelLeft - logoWidth) / 2;
    // A glow band behind the logo.
    for (int y = 60; y < 150; ++y) {
        double t = 1.0 - std::fabs(y - 105) / 45.0;
        for (int x = 0; x < kPanelLeft; ++x) {
            Rgb p = c.At(x, y);
            c.Set(x, y, Mix(p, Rgb{90, 40, 120}, 0.35 * t * t));
        }
    }
    PaintLogoText(c, logoX, 82, "TRELLIGAN", scale);
    const char* tagline = "DEFEND THE ROBOTS";
    DrawSmallText(c, (kPanelLeft - SmallTextWidth(tagline, 2)) / 2, 152, tagline,
                  Rgb{150, 220, 255}, 2);

    // UFOs descending on the city.
    Piece(c, chars, 13, 168, 182, 2);
    Piece(c, chars, 12, 40, 196, 2);
    Piece(c, chars, 37, 300, 200, 2);
    Piece(c, chars, 12, 112, 244, 1);
    Piece(c, chars, 13, 262, 252, 1);
    Piece(c, chars, 9, 100, 268, 1);

    // Ground with the player and the robots.
    const Rgb rim{120, 220, 170}, rimShade{60, 140, 120}, soil{46, 34, 58};
    for (int y = 430; y < kScreenHeight; ++y)
        for (int x = 0; x < kScreenWidth; ++x)
            c.Set(x, y, y == 430 ? rim : (y <= 432 ? rimShade : soil));
    Piece(c, chars, 8, 192, 398, 1);
    const int robots[5] = {10, 16, 17, 18, 19};
    for (int k = 0; k < 5; ++k) Piece(c, chars, robots[k], 24 + k * 40 + (k >= 3 ? 176 : 0), 440, 1);
    // Beam shooting up from the player.
    Piece(c, chars, 0, 192, 350, 1);

    // Menu frame: a plain dark panel, its border outside the text area.
    const Rgb frame{90, 80, 160}, panel{14, 14, 40};
    c.FillRect(104, 298, 242, 86, panel);
    c.FrameRect(104, 298, 242, 86, frame);
    c.FrameRect(102, 296, 246, 90, Rgb{40, 34, 80});

    for (Rgb& p : c.pixels) p = Visible(p);
    return c;
}
