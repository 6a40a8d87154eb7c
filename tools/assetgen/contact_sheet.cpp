// The review sheet: every piece of the sprite sheet enlarged four times on a checker
// that shows the transparent key, labelled with its index and marked with its hit box,
// the running marker, the score panel and the full-size pictures. Relies on screens.h,
// sprites.h and pixel_font.h.
#include <algorithm>
#include <cctype>
#include <string>

#include "pixel_font.h"
#include "screens.h"
#include "sprites.h"

namespace {

constexpr int kZoom = 4;
const Rgb kBack{60, 60, 70}, kCheckA{34, 34, 40}, kCheckB{44, 44, 52};
const Rgb kLabel{230, 230, 240}, kBox{255, 60, 220}, kUnused{120, 120, 130};

// The picture enlarged, key pixels shown as a checker.
void Enlarged(Canvas& dst, const Canvas& src, int sx, int sy, int w, int h, int dx, int dy,
              int zoom) {
    for (int j = 0; j < h * zoom; ++j)
        for (int i = 0; i < w * zoom; ++i)
            dst.Set(dx + i, dy + j, ((i / 8 + j / 8) % 2) ? kCheckA : kCheckB);
    dst.BlitScaled(src, sx, sy, w, h, dx, dy, zoom, true);
}

}  // namespace

Canvas MakeContactSheet(const Canvas& chars, const Canvas& run, const Canvas& playField,
                        const Canvas& ground, const Canvas& panel, const Canvas& title) {
    const int cell = kPiece * kZoom, gap = 14, across = 8;
    const int piecesW = across * (cell + gap), piecesH = 6 * (cell + gap + 10);
    const int width = std::max(piecesW + 16 + 16 * kZoom + 16 + kPanelWidth + 16, 2 * kScreenWidth + 48);
    const int height = piecesH + 24 + kScreenHeight + 16 + 80 + 32;
    Canvas c(width, height, kBack);

    const auto& used = UsedPieces();
    for (int index = 0; index < kSheetColumns * kSheetRows; ++index) {
        int x = 8 + (index % across) * (cell + gap), y = 8 + (index / across) * (cell + gap + 10);
        const PieceInfo* info = nullptr;
        for (const PieceInfo& p : used)
            if (p.index == index) info = &p;
        Enlarged(c, chars, (index % kSheetColumns) * kPiece, (index / kSheetColumns) * kPiece, kPiece,
                 kPiece, x, y + 10, kZoom);
        std::string label = std::to_string(index);
        if (info) label += " " + info->name;
        std::string upper;
        for (char ch : label) upper += char(std::toupper(static_cast<unsigned char>(ch)));
        DrawSmallText(c, x, y, upper, info ? kLabel : kUnused);
        if (info && info->x1 > info->x0)
            c.FrameRect(x + info->x0 * kZoom - 1, y + 10 + info->y0 * kZoom - 1,
                        (info->x1 - info->x0) * kZoom + 2, (info->y1 - info->y0) * kZoom + 2, kBox);
    }

    int x = piecesW + 16;
    DrawSmallText(c, x, 8, "RUN", kLabel);
    Enlarged(c, run, 0, 0, run.width, run.height, x, 18, kZoom);
    x += run.width * kZoom + 16;
    DrawSmallText(c, x, 8, "SCB00", kLabel);
    c.Blit(panel, 0, 0, panel.width, panel.height, x, 18, false);

    int y = piecesH + 24;
    DrawSmallText(c, 8, y - 10, "BG", kLabel);
    c.Blit(playField, 0, 0, playField.width, playField.height, 8, y, false);
    DrawSmallText(c, 8 + kScreenWidth + 24, y - 10, "TITLE", kLabel);
    c.Blit(title, 0, 0, title.width, title.height, 8 + kScreenWidth + 24, y, false);
    y += kScreenHeight + 16;
    DrawSmallText(c, 8, y - 10, "BG2", kLabel);
    c.Blit(ground, 0, 0, ground.width, ground.height, 8, y, false);
    return c;
}
