// The dither setting, a plain MEMIMG maker and the signed-product rows, for tests.
#include "tests/support/engine_testing/pixels_testing.h"

#include <cstring>

#include "engine/pixels/blend_tables.h"
#include "engine/pixels/color_format.h"

void SetDitherFlag(int flag) { g_dither_flag = flag; }

int CreateMemImgOfKind(MEMIMG* image, int width, int height, int kind) {
    std::memset(image, 0, sizeof(*image));
    return CreateMemImg(image, width, height, -1, 0, kind, 0, 0, 0, nullptr);
}

const std::int32_t* SignedProductRow(int a) { return &GetBlendTables()->signed_product[a][256]; }
