// The full-size pictures of the game: the play field and its ground strip, the score
// panel and the title screen, and the review contact sheet. Relies on canvas.h.
#pragma once

#include "canvas.h"

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;
constexpr int kGroundTop = 400;    // the player stands on this line
constexpr int kPanelLeft = 416;    // the score panel covers the screen from here
constexpr int kPanelWidth = 224;

// Night sky over a city, the ground from y 400; opaque everywhere.
Canvas MakePlayField();
// The bottom 80 rows of the play field, the same pixels.
Canvas MakeGroundStrip(const Canvas& playField);
// The 224x480 panel with the score table's pictures; chars is the sprite sheet.
Canvas MakeScorePanel(const Canvas& chars);
// The 640x480 title screen with the logo; chars is the sprite sheet.
Canvas MakeTitleScreen(const Canvas& chars);
// Every picture and every piece, enlarged, on one review sheet.
Canvas MakeContactSheet(const Canvas& chars, const Canvas& run, const Canvas& playField,
                        const Canvas& ground, const Canvas& panel, const Canvas& title);

// Shared scenery of the play field and the title.
void PaintNightSky(Canvas& c, int horizon, uint64_t seed, bool quietTextAreas);
// The logo lettering (letters of TRELLIGAN only), each glyph cell scale pixels wide.
void PaintLogoText(Canvas& c, int x, int y, const char* text, int scale);
int LogoTextWidth(const char* text, int scale);
