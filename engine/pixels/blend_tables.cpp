// The blend tables of the software renderer, built with truncating integer division:
// signed and unsigned products over 255, the 64-level mix planes and the blend-graph
// weights with their border position and ramp width. Relies on core's ClampInt.
#include "engine/pixels/blend_tables.h"

#include "engine/core/core.h"

namespace {
BlendTables g_tables;
}

BlendTables* GetBlendTables() { return &g_tables; }

void BuildBlendTables() {
    for (int a = 0; a < 256; ++a) {
        g_tables.signed_product[a][0] = 0;  // unused slot below d = -255
        for (int d = -255; d <= 255; ++d) g_tables.signed_product[a][256 + d] = d * a / 255;
        for (int x = 0; x < 256; ++x) g_tables.product[a][x] = static_cast<std::uint32_t>(x * a / 255);
    }
    for (int a = 0; a < 64; ++a) {
        for (int i = 0; i < 64; ++i) {
            for (int j = 0; j < 64; ++j) g_tables.mix[a][i][j] = static_cast<std::uint8_t>((i * a + j * (63 - a)) / 63);
        }
    }
}

void BuildBlendGraphWeightTable(int border_position, int border_width) {
    // Both come clamped to 0..255 from the draw settings; keep it so for any caller.
    border_position = ClampInt(border_position, 0, 255);
    border_width = ClampInt(border_width, 0, 255);
    const int step = 65536 / (border_width + 1);
    const int base = 256 - ((step + 256) * border_position) / 256;
    for (int i = 0; i < 256; ++i) {
        const int weight = ClampInt(i * 256 / (border_width + 1) + base, 0, 255);
        g_tables.blend_graph_weight[i] = static_cast<std::uint8_t>(weight);
    }
}
