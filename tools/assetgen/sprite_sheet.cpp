// The layout of the game's 128x384 sprite sheet: which picture goes to which of the 48
// pieces (numbered across then down), and the hit box each used piece is drawn around.
// Relies on sprites.h.
#include "sprites.h"

namespace {

constexpr int kPlayerBox[4] = {12, 12, 20, 20};
constexpr int kUfoBox[4] = {4, 8, 28, 24};
constexpr int kRobotBox[4] = {12, 12, 20, 24};

PieceInfo Box(int index, const char* name, const int (&b)[4]) {
    return PieceInfo{index, name, b[0], b[1], b[2], b[3]};
}

PieceInfo NoBox(int index, const char* name) { return PieceInfo{index, name, 0, 0, 0, 0}; }

void Place(Canvas& sheet, int index, const Canvas& piece) {
    sheet.Blit(piece, 0, 0, kPiece, kPiece, (index % kSheetColumns) * kPiece,
               (index / kSheetColumns) * kPiece, false);
}

}  // namespace

const std::vector<PieceInfo>& UsedPieces() {
    static const std::vector<PieceInfo> pieces = {
        PieceInfo{0, "shot", 15, 0, 17, 16},
        Box(1, "spin 1", kPlayerBox),
        Box(2, "spin 2", kPlayerBox),
        Box(3, "spin 3", kPlayerBox),
        NoBox(4, "burst"),
        NoBox(5, "explode 1"),
        NoBox(6, "explode 2"),
        NoBox(7, "explode 3"),
        Box(8, "player", kPlayerBox),
        PieceInfo{9, "bullet", 14, 14, 18, 18},
        Box(10, "robot 0", kRobotBox),
        Box(11, "heavy 1hp", kUfoBox),
        Box(12, "gunner", kUfoBox),
        Box(13, "grabber", kUfoBox),
        Box(14, "gunner hit", kUfoBox),
        Box(15, "gunner 1hp", kUfoBox),
        Box(16, "robot 1", kRobotBox),
        Box(17, "robot 2", kRobotBox),
        Box(18, "robot 3", kRobotBox),
        Box(19, "robot 4", kRobotBox),
        NoBox(20, "100 a"),
        NoBox(21, "400 a"),
        NoBox(22, "100 b"),
        NoBox(23, "400 b"),
        Box(24, "walk R0", kPlayerBox),
        Box(25, "walk R1", kPlayerBox),
        Box(26, "walk R2", kPlayerBox),
        Box(27, "walk R3", kPlayerBox),
        Box(28, "walk R4", kPlayerBox),
        Box(29, "rising", kPlayerBox),
        NoBox(30, "shimmer 1"),
        NoBox(31, "shimmer 2"),
        Box(32, "walk L0", kPlayerBox),
        Box(33, "walk L1", kPlayerBox),
        Box(34, "walk L2", kPlayerBox),
        Box(35, "walk L3", kPlayerBox),
        Box(36, "walk L4", kPlayerBox),
        Box(37, "heavy", kUfoBox),
        Box(38, "heavy hit 1", kUfoBox),
        Box(39, "heavy hit 2", kUfoBox),
        NoBox(40, "ring"),
        NoBox(41, "shield 1"),
        NoBox(42, "shield 2"),
        NoBox(43, "shield 3"),
        NoBox(44, "800 a"),
        NoBox(46, "800 b"),
    };
    return pieces;
}

Canvas MakeCharSheet() {
    Canvas sheet(kSheetColumns * kPiece, kSheetRows * kPiece);
    Place(sheet, 0, PaintShot());
    for (int k = 1; k <= 3; ++k) Place(sheet, k, PaintPlayerSpin(k));
    for (int k = 0; k < 4; ++k) Place(sheet, 4 + k, PaintExplosion(k));
    Place(sheet, 8, PaintPlayer(0, -1));
    Place(sheet, 9, PaintBullet());
    const int robotPieces[5] = {10, 16, 17, 18, 19};
    for (int k = 0; k < 5; ++k) Place(sheet, robotPieces[k], PaintRobot(k));
    const Canvas gunner = PaintGunner(false), heavy = PaintHeavy(false);
    Place(sheet, 12, gunner);
    Place(sheet, 15, PaintGunner(true));
    Place(sheet, 14, PaintFlash(gunner, false));
    Place(sheet, 37, heavy);
    Place(sheet, 11, PaintHeavy(true));
    Place(sheet, 38, PaintFlash(heavy, false));
    Place(sheet, 39, PaintFlash(heavy, true));
    Place(sheet, 13, PaintGrabber());
    Place(sheet, 20, PaintScorePop("100", false));
    Place(sheet, 22, PaintScorePop("100", true));
    Place(sheet, 21, PaintScorePop("400", false));
    Place(sheet, 23, PaintScorePop("400", true));
    Place(sheet, 44, PaintScorePop("800", false));
    Place(sheet, 46, PaintScorePop("800", true));
    for (int k = 0; k < 5; ++k) {
        Place(sheet, 24 + k, PaintPlayer(1, k));
        // Walking left is the mirror picture of walking right.
        Canvas right = PaintPlayer(1, k), left(kPiece, kPiece);
        for (int y = 0; y < kPiece; ++y)
            for (int x = 0; x < kPiece; ++x) left.Set(kPiece - 1 - x, y, right.At(x, y));
        Place(sheet, 32 + k, left);
    }
    Place(sheet, 29, PaintPlayerRising());
    Place(sheet, 30, PaintShimmer(0));
    Place(sheet, 31, PaintShimmer(1));
    Place(sheet, 40, PaintRing());
    for (int k = 0; k < 3; ++k) Place(sheet, 41 + k, PaintShield(k));
    return sheet;
}
