// Filling the software renderer's draw-state record: rows picked from the blend tables by
// the blend value and the bright colour.
#include "engine/softrender/soft_draw_state.h"

#include <algorithm>

SoftDrawState MakeSoftDrawState(const BlendTables& tables, int mode, int value, const std::uint8_t bright[4],
                                const RECT& area, bool mmx) {
    const int v = std::clamp(value, 0, 255);
    SoftDrawState state{};
    state.blend_mode = mode;
    state.blend_value = v;
    for (int c = 0; c < 4; ++c) state.bright[c] = bright[c];
    state.draw_area = area;
    state.value_row = tables.product[v];
    state.signed_row = &tables.signed_product[v][256];
    state.mix_plane = &tables.mix[v >> 2][0][0];
    for (int c = 0; c < 3; ++c) state.bright_row[c] = tables.product[bright[c]];
    state.weights = tables.blend_graph_weight;
    state.mmx = mmx;
    return state;
}

