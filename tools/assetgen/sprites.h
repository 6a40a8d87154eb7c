// The painters of the 32x32 pieces of the game's sprite sheet, one per picture, and the
// sheet's layout: which piece index holds which picture and where its hit box lies.
// Relies on canvas.h.
#pragma once

#include <string>
#include <vector>

#include "canvas.h"

constexpr int kPiece = 32;
constexpr int kSheetColumns = 4;
constexpr int kSheetRows = 12;

// Colours shared by the sprite painters.
namespace ink {
constexpr Rgb kOutline{30, 26, 50};
constexpr Rgb kWhite{250, 250, 255};
constexpr Rgb kMetal{150, 158, 182};
constexpr Rgb kDarkMetal{84, 88, 112};
constexpr Rgb kGlass{120, 220, 255};
constexpr Rgb kYellow{255, 222, 70};
constexpr Rgb kOrange{250, 146, 44};
constexpr Rgb kRed{228, 54, 48};
}  // namespace ink

// Player: facing -1 left, 0 front, 1 right; stride -1 for standing, 0..4 for the walk.
Canvas PaintPlayer(int facing, int stride);
Canvas PaintPlayerSpin(int quarterTurns);
Canvas PaintPlayerRising();
Canvas PaintShot();

// UFOs by kind: 0 gunner, 1 heavy, 2 grabber. damaged shows the last hit point.
Canvas PaintGunner(bool damaged);
Canvas PaintHeavy(bool damaged);
Canvas PaintGrabber();
// The hit flash of a finished UFO picture: a white or a hot (orange) flash.
Canvas PaintFlash(const Canvas& ufo, bool hot);
Canvas PaintBullet();

// The five robots on the ground, model 0 to 4.
Canvas PaintRobot(int model);

// Explosion frames 0 (burst) to 3 (last smoke).
Canvas PaintExplosion(int frame);
// Score pictures: value "100", "400" or "800"; second selects the second colour.
Canvas PaintScorePop(const std::string& value, bool second);
Canvas PaintShimmer(int frame);
Canvas PaintRing();
// Shield frames 0 (strongest) to 2 (faintest).
Canvas PaintShield(int frame);

// One piece of the sheet: its index, a short name and its hit box in piece coordinates
// (x0, y0 inclusive, x1, y1 exclusive; all 0 when the picture has no box).
struct PieceInfo {
    int index;
    std::string name;
    int x0, y0, x1, y1;
};
// Every piece the game draws, in index order.
const std::vector<PieceInfo>& UsedPieces();

// The 128x384 sheet of 48 pieces, numbered across then down.
Canvas MakeCharSheet();
// The 16x64 running marker: four 16x16 frames, top to bottom.
Canvas MakeRunMarker();
