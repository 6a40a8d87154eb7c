// The triangle rasteriser's span kernels: each textured combination is its own loop of
// bounds test, texel fetch and the shared per-pixel rule of pixel_blend.h; the solid
// spans apply the primitives' rule of the blend mode. One table, filled at compile time,
// chooses.
#include "engine/softrender/triangle_kernels.h"

#include <algorithm>
#include <type_traits>
#include <utility>

#include "engine/softrender/pixel_blend.h"

namespace {

using namespace softpixel;

template <int K, int SF, int TR, int Mode, bool Blend, bool White>
void TexturedSpan(const TriangleSetup& t, std::uint8_t* dest, std::uint32_t u, std::uint32_t v, std::uint32_t du,
                  std::uint32_t dv, int count) {
    constexpr int sb = SourceBytes<K, SF>();
    constexpr int db = kDestBytes[K];
    const std::uint8_t* source = t.source;
    const std::ptrdiff_t pitch = t.source_pitch;
    const std::uint32_t width_limit = t.source_width_limit, height_limit = t.source_height_limit;
    for (int x = 0; x < count; ++x, dest += db, u += du, v += dv) {
        if (u >= width_limit || v >= height_limit) continue;
        const std::ptrdiff_t column = u >> 18, row = v >> 18;
        const std::uint32_t raw = LoadRaw<K, SF>(source + pitch * row + sb * column);
        std::uint32_t w = 0;
        if constexpr (Blend) w = t.context.weights[t.blend[t.blend_pitch * row + column]];
        DrawSourcePixel<K, SF, TR, Mode, Blend, White>(t.context, dest, raw, w);
    }
}

template <int K>
void SolidSpan(const TriangleSetup& t, std::uint8_t* dest, std::uint32_t, std::uint32_t, std::uint32_t,
               std::uint32_t, int count) {
    using Pixel = std::conditional_t<K == 0, std::uint16_t, std::uint32_t>;
    auto* p = reinterpret_cast<Pixel*>(dest);
    for (int x = 0; x < count; ++x) {
        Store<Pixel>(reinterpret_cast<std::uint8_t*>(p + x),
                     static_cast<Pixel>(t.solid_rule(Load<Pixel>(reinterpret_cast<std::uint8_t*>(p + x)),
                                                     t.solid_colour, t.solid_rows)));
    }
}

// The solid copy: the colour stored whole.
template <int K>
void SolidFillSpan(const TriangleSetup& t, std::uint8_t* dest, std::uint32_t, std::uint32_t, std::uint32_t,
                   std::uint32_t, int count) {
    using Pixel = std::conditional_t<K == 0, std::uint16_t, std::uint32_t>;
    const auto colour = static_cast<Pixel>(t.solid_colour);
    for (int x = 0; x < count; ++x) Store<Pixel>(dest + sizeof(Pixel) * x, colour);
}

constexpr int kModes[7] = {0, 1, 2, 3, 4, 10, 11};

struct Table {
    // [kind][source form][test][mode column][blend image][white]
    TriangleSpanKernel textured[2][3][3][7][2][2];
    TriangleSpanKernel solid[2][2];  // [kind][copy]
};

template <int K, int SF, int TR, std::size_t... M>
constexpr void FillModes(Table& t, std::index_sequence<M...>) {
    ((t.textured[K][SF][TR][M][0][0] = &TexturedSpan<K, SF, TR, kModes[M], false, false>,
      t.textured[K][SF][TR][M][0][1] = &TexturedSpan<K, SF, TR, kModes[M], false, true>,
      t.textured[K][SF][TR][M][1][0] = &TexturedSpan<K, SF, TR, kModes[M], true, false>,
      t.textured[K][SF][TR][M][1][1] = &TexturedSpan<K, SF, TR, kModes[M], true, true>),
     ...);
}
template <int K, int SF>
constexpr void FillForm(Table& t) {
    FillModes<K, SF, kBlitNoTest>(t, std::make_index_sequence<7>{});
    FillModes<K, SF, kBlitSkipTest>(t, std::make_index_sequence<7>{});
    if constexpr (SF == kBlitSourceAlpha) {
        FillModes<K, SF, kBlitAlphaWeight>(t, std::make_index_sequence<7>{});
    } else {
        // Sources without alpha have no alpha weighting: that column repeats the first.
        for (int m = 0; m < 7; ++m) {
            for (int b = 0; b < 2; ++b) {
                for (int w = 0; w < 2; ++w) t.textured[K][SF][kBlitAlphaWeight][m][b][w] = t.textured[K][SF][kBlitNoTest][m][b][w];
            }
        }
    }
}
template <int K>
constexpr void FillKind(Table& t) {
    FillForm<K, kBlitSourcePalette>(t);
    FillForm<K, kBlitSourceDirect>(t);
    FillForm<K, kBlitSourceAlpha>(t);
    t.solid[K][0] = &SolidSpan<K>;
    t.solid[K][1] = &SolidFillSpan<K>;
}
constexpr Table MakeTable() {
    Table t{};
    FillKind<0>(t);
    FillKind<1>(t);
    return t;
}
constexpr Table kTable = MakeTable();

// Blend mode -> column of the textured table; -1 draws nothing.
constexpr int kModeColumn[12] = {0, 1, 2, 3, 4, -1, -1, -1, -1, -1, 5, 6};

}  // namespace

TriangleSpanKernel SelectTriangleSpanKernel(const TriangleChoice& choice) {
    if (choice.dest_kind < 0 || choice.dest_kind > 1 || choice.mode < 0 || choice.mode > 11) return nullptr;
    const int column = kModeColumn[choice.mode];
    if (column < 0) return nullptr;
    if (!choice.textured) return kTable.solid[choice.dest_kind][column == 0 ? 1 : 0];
    if (choice.source_form < 0 || choice.source_form > 2 || choice.test < 0 || choice.test > 2) return nullptr;
    return kTable.textured[choice.dest_kind][choice.source_form][choice.test][column][choice.blend_image ? 1 : 0]
                          [choice.white ? 1 : 0];
}
