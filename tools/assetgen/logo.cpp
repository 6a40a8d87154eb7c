// The TRELLIGAN lettering: the heavy logo capitals blown up into bevelled bars with a warm
// gradient, a dark outline and a deep shadow, as used on the title and the score panel.
// Relies on screens.h, pixel_font.h and canvas.h.
#include <cstring>

#include "pixel_font.h"
#include "screens.h"

void PaintLogoText(Canvas& c, int x, int y, const char* text, int scale) {
    const int n = int(std::strlen(text));
    const int w = (n * 7 - 1) * scale, h = 7 * scale;
    const int depth = scale >= 4 ? scale / 2 + 1 : 1;
    Canvas layer(w + depth + 2, h + depth + 2);
    const Rgb shadow{70, 30, 110}, outline{24, 14, 40};
    // Shadow first, shifted down-right, then the faces.
    for (int pass = 0; pass < 2; ++pass) {
        for (int k = 0; k < n; ++k) {
            const auto& g = LogoGlyph(text[k]);
            for (int j = 0; j < int(g.size()); ++j)
                for (int i = 0; i < 6; ++i) {
                    if (g[j][i] != '#') continue;
                    int bx = 1 + (k * 7 + i) * scale, by = 1 + j * scale;
                    if (pass == 0) {
                        layer.FillRect(bx + depth, by + depth, scale, scale, shadow);
                        continue;
                    }
                    auto ink = [&](int gi, int gj) {
                        return gi >= 0 && gi < 6 && gj >= 0 && gj < int(g.size()) && g[gj][gi] == '#';
                    };
                    const int bevel = scale >= 4 ? 2 : 0;
                    for (int v = 0; v < scale; ++v)
                        for (int u = 0; u < scale; ++u) {
                            // Chrome: a pale sky above the middle line, a hot horizon below.
                            double t = double(j * scale + v) / (h - 1);
                            Rgb face = t < 0.5 ? Mix(Rgb{255, 250, 196}, Rgb{255, 196, 70}, t * 2)
                                               : Mix(Rgb{236, 96, 40}, Rgb{190, 40, 90}, (t - 0.5) * 2);
                            // Bevels on the outer edges of each letter only, so strokes read
                            // as solid bars lit from above.
                            if (bevel) {
                                bool top = v < bevel && !ink(i, j - 1), left = u < bevel && !ink(i - 1, j);
                                bool bottom = v >= scale - bevel && !ink(i, j + 1);
                                bool right = u >= scale - bevel && !ink(i + 1, j);
                                if (top || left) face = Mix(face, Rgb{255, 255, 255}, 0.55);
                                else if (bottom || right) face = Shade(face, 0.62);
                            }
                            layer.Set(bx + u, by + v, face);
                        }
                }
        }
    }
    Outline(layer, 0, 0, layer.width, layer.height, outline);
    c.Blit(layer, 0, 0, layer.width, layer.height, x - 1, y - 1, true);
}

int LogoTextWidth(const char* text, int scale) {
    return (int(std::strlen(text)) * 7 - 1) * scale;
}
