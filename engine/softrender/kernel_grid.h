// The grid that the scaled-blit and triangle kernel tables share: one kernel for each
// destination kind, source form, transparency handling, blend-mode column, blend image and
// bright colour, filled at compile time by one generic filler. Relies on blit_kernels.h.
#pragma once

#include <cstddef>
#include <utility>

#include "engine/softrender/blit_kernels.h"

namespace softpixel {

// The blend modes that draw, in the order of the grid's mode columns.
inline constexpr int kGridModes[7] = {0, 1, 2, 3, 4, 10, 11};
// Blend mode -> mode column of the grid; -1 draws nothing.
inline constexpr int kGridModeColumn[12] = {0, 1, 2, 3, 4, -1, -1, -1, -1, -1, 5, 6};

// [destination kind][source form][test][mode column][blend image][white]
template <class Kernel>
using KernelGrid = Kernel[2][3][3][7][2][2];

namespace grid_detail {

template <int K, int SF, int TR, class Kernel, class Make, std::size_t... M>
constexpr void FillModes(KernelGrid<Kernel>& grid, const Make& make, std::index_sequence<M...>) {
    ((grid[K][SF][TR][M][0][0] = make.template operator()<K, SF, TR, kGridModes[M], false, false>(),
      grid[K][SF][TR][M][0][1] = make.template operator()<K, SF, TR, kGridModes[M], false, true>(),
      grid[K][SF][TR][M][1][0] = make.template operator()<K, SF, TR, kGridModes[M], true, false>(),
      grid[K][SF][TR][M][1][1] = make.template operator()<K, SF, TR, kGridModes[M], true, true>()),
     ...);
}

template <int K, int SF, class Kernel, class Make>
constexpr void FillForm(KernelGrid<Kernel>& grid, const Make& make) {
    FillModes<K, SF, kBlitNoTest>(grid, make, std::make_index_sequence<7>{});
    FillModes<K, SF, kBlitSkipTest>(grid, make, std::make_index_sequence<7>{});
    if constexpr (SF == kBlitSourceAlpha) {
        FillModes<K, SF, kBlitAlphaWeight>(grid, make, std::make_index_sequence<7>{});
    } else {
        // Sources without alpha have no alpha weighting: that column repeats the first.
        for (int m = 0; m < 7; ++m) {
            for (int b = 0; b < 2; ++b) {
                for (int w = 0; w < 2; ++w) grid[K][SF][kBlitAlphaWeight][m][b][w] = grid[K][SF][kBlitNoTest][m][b][w];
            }
        }
    }
}

template <int K, class Kernel, class Make>
constexpr void FillKind(KernelGrid<Kernel>& grid, const Make& make) {
    FillForm<K, kBlitSourcePalette>(grid, make);
    FillForm<K, kBlitSourceDirect>(grid, make);
    FillForm<K, kBlitSourceAlpha>(grid, make);
}

}  // namespace grid_detail

// Fills every cell of `grid` with make.operator()<K, SF, TR, Mode, Blend, White>(), where
// Mode is the blend mode of the cell's column; `make` is a lambda with those template
// parameters that names the kernel instance for the cell.
template <class Kernel, class Make>
constexpr void FillKernelGrid(KernelGrid<Kernel>& grid, const Make& make) {
    grid_detail::FillKind<0>(grid, make);
    grid_detail::FillKind<1>(grid, make);
}

}  // namespace softpixel
