// The triangle rasteriser's span kernels: each textured combination is its own loop of
// bounds test, texel fetch and the shared per-pixel rule of pixel_blend.h; the solid
// spans apply the primitives' rule of the blend mode. One table, filled at compile time,
// chooses.
#include "engine/softrender/triangle_kernels.h"

#include <algorithm>
#include <type_traits>
#include <utility>

#include "engine/softrender/kernel_grid.h"
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

struct Table {
    KernelGrid<TriangleSpanKernel> textured;
    TriangleSpanKernel solid[2][2];  // [kind][copy]
};

constexpr Table MakeTable() {
    Table t{};
    FillKernelGrid(t.textured, []<int K, int SF, int TR, int Mode, bool Blend, bool White>() {
        return &TexturedSpan<K, SF, TR, Mode, Blend, White>;
    });
    t.solid[0][0] = &SolidSpan<0>;
    t.solid[0][1] = &SolidFillSpan<0>;
    t.solid[1][0] = &SolidSpan<1>;
    t.solid[1][1] = &SolidFillSpan<1>;
    return t;
}
constexpr Table kTable = MakeTable();

}  // namespace

TriangleSpanKernel SelectTriangleSpanKernel(const TriangleChoice& choice) {
    if (choice.dest_kind < 0 || choice.dest_kind > 1 || choice.mode < 0 || choice.mode > 11) return nullptr;
    const int column = kGridModeColumn[choice.mode];
    if (column < 0) return nullptr;
    if (!choice.textured) return kTable.solid[choice.dest_kind][column == 0 ? 1 : 0];
    if (choice.source_form < 0 || choice.source_form > 2 || choice.test < 0 || choice.test > 2) return nullptr;
    return kTable.textured[choice.dest_kind][choice.source_form][choice.test][column][choice.blend_image ? 1 : 0]
                          [choice.white ? 1 : 0];
}
