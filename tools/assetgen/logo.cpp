// The TRELLIGAN lettering: the 5x7 capitals blown up into bevelled blocks with a warm
// gradient, a dark outline and a deep shadow, as used on the title and the score panel.
// Relies on screens.h, pixel_font.h and canvas.h.
#include <cstring>

#include "pixel_font.h"
#include "screens.h"

void PaintLogoText(Canvas& c, int x, int y, const char* text, int scale) {
    const int n = int(std::strlen(text));
    const int w = (n * 6 - 1) * scale, h = 7 * scale;
    const int depth = scale >= 4 ? scale / 2 + 1 : 1;
    Canvas layer(w + depth + 2, h + depth + 2);
    const Rgb shadow{70, 30, 110}, outline{24, 14, 40};
    // Shadow first, shifted down-right, then the faces.
    for (int pass = 0; pass < 2; ++pass) {
        for (int k = 0; k < n; ++k) {
            const auto& g = SmallGlyph(text[k]);
            for (int j = 0; j < int(g.size()); ++j)
                for (int i = 0; i < 5; ++i) {
                    if (g[j][i] != '#') continue;
                    int bx = 1 + (k * 6 + i) * scale, by = 1 + j * scale;
                    if (pass == 0) {
                        layer.FillRect(bx + depth, by + depth, scale, scale, shadow);
                        continue;
                    }
                    for (int v = 0; v < scale; ++v)
                        for (int u = 0; u < scale; ++u) {
                            double t = double(j * scale + v) / (h - 1);
                            Rgb face = t < 0.5 ? Mix(Rgb{255, 246, 150}, Rgb{255, 190, 60}, t * 2)
                                               : Mix(Rgb{255, 190, 60}, Rgb{236, 80, 50}, (t - 0.5) * 2);
                            if (scale >= 4) {
                                if (u == 0 || v == 0) face = Mix(face, Rgb{255, 255, 255}, 0.45);
                                else if (u == scale - 1 || v == scale - 1) face = Shade(face, 0.72);
                            }
                            layer.Set(bx + u, by + v, face);
                        }
                }
        }
    }
    Outline(layer, 0, 0, layer.width, layer.height, outline);
    c.Blit(layer, 0, 0, layer.width, layer.height, x - 1, y - 1, true);
}
