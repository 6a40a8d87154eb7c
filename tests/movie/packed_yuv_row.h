// A row of packed YUV (UYVY or YUY2, a pixel pair in four bytes sharing its chroma)
// converted back to 32-bit pixels as the movie player converts (its table kernel), for
// tests that read what was written into such a surface. The player's tables must be
// built (InitYuvToRgbTables).
#pragma once

#include <cstdint>
#include <vector>

#include "engine/movie/yuv_to_rgb.h"

namespace movie_test {

// `width` pixels (blue, green, red, 255) into `bgra` from `row`; `uyvy` says the layout
// (false: YUY2).
inline void PackedYuvRowToBgra(const std::uint8_t* row, int width, bool uyvy, std::uint8_t* bgra) {
    std::vector<std::uint8_t> ys(static_cast<std::size_t>(width)), cbs(static_cast<std::size_t>(width / 2 + 1)),
        crs(static_cast<std::size_t>(width / 2 + 1));
    for (int pair = 0; pair < width / 2; ++pair) {
        const std::uint8_t* q = row + pair * 4;
        ys[pair * 2] = uyvy ? q[1] : q[0];
        ys[pair * 2 + 1] = uyvy ? q[3] : q[2];
        cbs[pair] = uyvy ? q[0] : q[1];
        crs[pair] = uyvy ? q[2] : q[3];
    }
    kYuvRowKernels[kYuvKernelTable](kYuvToRgbTables,
                                    YuvRowArgs{ys.data(), cbs.data(), crs.data(), 0, width, bgra});
}

}  // namespace movie_test
