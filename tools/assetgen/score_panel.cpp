// The score panel drawn at x 416 in every state: a dark, fully opaque plate with a small
// logo, a recessed ranking box and a score table with the three UFO pictures and their
// values baked in; the engine writes its text into the plain dark areas. Relies on
// screens.h, sprites.h and pixel_font.h.
#include "pixel_font.h"
#include "screens.h"
#include "sprites.h"

namespace {

const Rgb kPlate{24, 26, 52}, kPlateLight{36, 40, 74}, kWell{12, 14, 32};
const Rgb kBevelLight{96, 104, 156}, kBevelDark{16, 16, 30};

// A recessed box: dark shadow on the top and left, light on the bottom and right.
void Well(Canvas& c, int x, int y, int w, int h) {
    c.FillRect(x, y, w, h, kWell);
    for (int i = x; i < x + w; ++i) {
        c.Set(i, y, kBevelDark);
        c.Set(i, y + h - 1, kBevelLight);
    }
    for (int j = y; j < y + h; ++j) {
        c.Set(x, j, kBevelDark);
        c.Set(x + w - 1, j, kBevelLight);
    }
}

}  // namespace

Canvas MakeScorePanel(const Canvas& chars) {
    Canvas c(kPanelWidth, kScreenHeight);
    // Plate with a faint vertical sheen, and a bevelled edge against the play field.
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            c.Set(x, y, ((x / 2 + y / 3) % 9 == 0) ? kPlateLight : kPlate);
    c.FillRect(0, 0, 2, c.height, kBevelDark);
    c.FillRect(2, 0, 2, c.height, kBevelLight);
    c.FillRect(4, 0, 1, c.height, Rgb{60, 66, 110});
    c.FrameRect(5, 0, c.width - 5, c.height, kBevelLight);

    PaintLogoText(c, (kPanelWidth - LogoTextWidth("TRELLIGAN", 2)) / 2 + 2, 9, "TRELLIGAN", 2);

    // Ranking: "-RANKING-" at (68, 42), rows from y 64 every 18 pixels, the player's bar
    // from x 55 and the running marker up to x 174.
    Well(c, 40, 34, 148, 214);
    // Score table: its title at (48, 274), the pictures at y 292 to 340, the grey line
    // "AND MYSTERY BONUSES" at (28, 344).
    Well(c, 18, 266, 190, 100);
    const struct {
        int piece;
        const char* value;
    } table[3] = {{12, "20"}, {37, "30"}, {13, "10"}};
    for (int k = 0; k < 3; ++k) {
        int x = 26 + k * 60, y = 296;
        int sx = (table[k].piece % kSheetColumns) * kPiece, sy = (table[k].piece / kSheetColumns) * kPiece;
        c.Blit(chars, sx, sy, kPiece, kPiece, x, y, true);
        Canvas digits(20, 15);
        DrawBoldDigits(digits, 1, 2, table[k].value, Rgb{255, 255, 255});
        for (int j = 8; j < 13; ++j)
            for (int i = 0; i < 20; ++i)
                if (digits.At(i, j) != kKey) digits.Set(i, j, Rgb{170, 200, 255});
        Outline(digits, 0, 0, 20, 15, kBevelDark);
        c.Blit(digits, 0, 0, 20, 15, x + 32, y + 9, true);
    }

    // The robots the player defends, lined up at the bottom.
    Well(c, 18, 384, 190, 80);
    const int robots[5] = {10, 16, 17, 18, 19};
    for (int k = 0; k < 5; ++k) {
        int sx = (robots[k] % kSheetColumns) * kPiece, sy = (robots[k] / kSheetColumns) * kPiece;
        c.Blit(chars, sx, sy, kPiece, kPiece, 25 + k * 36, 404, true);
    }
    c.FillRect(20, 436, 186, 2, kBevelLight);
    c.FillRect(20, 438, 186, 1, Rgb{60, 66, 110});
    DrawSmallText(c, (kPanelWidth - SmallTextWidth("DEFEND THEM")) / 2, 446, "DEFEND THEM",
                  Rgb{150, 160, 210});
    for (Rgb& p : c.pixels) p = Visible(p);
    return c;
}
