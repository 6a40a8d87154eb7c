// The software renderer's division-by-255 tables: signed products d x a / 255, products
// x x a / 255, the 64-level mix table and the blend-graph weight row. Global, filled once
// at DirectDraw start-up (the weights whenever a blend graph is chosen), never freed.
#pragma once

#include <cstdint>

struct BlendTables {
    std::int32_t signed_product[256][512];  // row a; entry 256 + d (d = -255..255) holds d x a / 255
    std::uint32_t product[256][256];        // row a; entry x holds x x a / 255
    std::uint8_t mix[64][64][64];           // plane a; [i][j] = (i x a + j x (63 - a)) / 63
    std::uint8_t blend_graph_weight[256];
};

BlendTables* GetBlendTables();

void BuildBlendTables();
void BuildBlendGraphWeightTable(int border_position, int border_width);
