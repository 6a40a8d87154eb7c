// The scaled blit's set-up: order the corners (reversed ones mirror), hand a same-size
// unmirrored draw to the unscaled blit, find the 16.16 step factors, clip to the draw
// area, walk the accumulators once per axis into a table of source columns and rows, and
// run the row kernel chosen from stretch_kernels' table. The set-up works in 64 bits, so
// no rectangle or source size overflows; a step factor of 0 draws nothing.
#include "engine/softrender/blit_stretch.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/softrender/blit_kernels.h"
#include "engine/softrender/blit_unscaled.h"
#include "engine/softrender/stretch_kernels.h"

namespace {

constexpr std::int64_t kOne = 65536;

// The source positions shown by `count` destination pixels, `cut` pixels past the
// unclipped edge, with `step` destination units (16.16) per source pixel: the
// accumulator starts at step minus the remainder of the cut, loses one pixel per
// destination pixel, and while it is 0 or below the source moves on and gains `step`.
// So destination k shows source floor(k x 65536 / step). Mirrored positions count from
// the far edge. False when the walk would leave the source.
bool WalkAxis(std::int64_t cut, std::int64_t step, int count, int size, bool mirrored, std::int32_t* out) {
    const std::int64_t skip = cut * kOne / step;
    std::int64_t position = skip;
    std::int64_t accumulator = step - (cut * kOne - skip * step);
    for (int i = 0; i < count; ++i) {
        if (position >= size) return false;
        out[i] = static_cast<std::int32_t>(mirrored ? size - 1 - position : position);
        accumulator -= kOne;
        if (accumulator <= 0) {
            const std::int64_t moves = -accumulator / step + 1;
            position += moves;
            accumulator += moves * step;
        }
    }
    return true;
}

}  // namespace

void DrawMemImgStretchWith(const SoftDrawState& state, MEMIMG* dest, const MEMIMG* src, const RECT* rect,
                           int transparent, const MEMIMG* blend_image) {
    if (rect == nullptr || !IsMemImgValid(dest) || !IsMemImgValid(src)) return;
    const bool mirror_x = rect->left > rect->right;
    const bool mirror_y = rect->top > rect->bottom;
    const std::int64_t left = std::min(rect->left, rect->right);
    const std::int64_t right = std::max(rect->left, rect->right);
    const std::int64_t top = std::min(rect->top, rect->bottom);
    const std::int64_t bottom = std::max(rect->top, rect->bottom);
    const std::int64_t width = right - left;
    const std::int64_t height = bottom - top;
    if (width == 0 || height == 0) return;
    if (width == src->width && height == src->height && !mirror_x && !mirror_y) {
        DrawMemImgWith(state, dest, src, static_cast<int>(left), static_cast<int>(top), transparent, blend_image);
        return;
    }

    const MemImgPixelBlock* dblock = dest->block;
    const MemImgPixelBlock* sblock = src->block;
    if (dblock->kind != sblock->kind || dblock->palette_flag || dblock->alpha_flag) return;
    if (dblock->kind != kMemImgRgb565 && dblock->kind != kMemImgXrgb8888) return;
    if (sblock->palette_flag && sblock->palette == nullptr) return;
    if (src->width <= 0 || src->height <= 0) return;
    // The blend image is walked with the source, one byte per source pixel.
    if (blend_image != nullptr &&
        (!IsMemImgValid(blend_image) || blend_image->block->kind != kMemImgChannel8 ||
         blend_image->width < src->width || blend_image->height < src->height)) {
        return;
    }

    const std::int64_t step_x = width * kOne / src->width;
    const std::int64_t step_y = height * kOne / src->height;
    if (step_x == 0 || step_y == 0) return;

    RECT area = state.draw_area;
    const RECT view{0, 0, dest->width, dest->height};
    ClipRectToRect(&area, &view);
    const std::int64_t clip_left = std::clamp<std::int64_t>(left, area.left, area.right);
    const std::int64_t clip_right = std::clamp<std::int64_t>(right, area.left, area.right);
    const std::int64_t clip_top = std::clamp<std::int64_t>(top, area.top, area.bottom);
    const std::int64_t clip_bottom = std::clamp<std::int64_t>(bottom, area.top, area.bottom);
    const int columns = static_cast<int>(clip_right - clip_left);
    const int rows = static_cast<int>(clip_bottom - clip_top);
    if (columns <= 0 || rows <= 0) return;

    std::vector<std::int32_t> walk(static_cast<std::size_t>(columns) + static_cast<std::size_t>(rows));
    std::int32_t* source_columns = walk.data();
    std::int32_t* source_rows = walk.data() + columns;
    if (!WalkAxis(clip_left - left, step_x, columns, src->width, mirror_x, source_columns) ||
        !WalkAxis(clip_top - top, step_y, rows, src->height, mirror_y, source_rows)) {
        return;
    }

    const int kind = dblock->kind;
    const int source_form = sblock->palette_flag ? kBlitSourcePalette
                            : sblock->alpha_flag ? kBlitSourceAlpha
                                                 : kBlitSourceDirect;
    const bool white = state.bright[0] == 255 && state.bright[1] == 255 && state.bright[2] == 255;
    const int value = std::clamp(state.blend_value, 0, 255);
    const int test = transparent != 0 ? kBlitSkipTest : source_form == kBlitSourceAlpha ? kBlitAlphaWeight : kBlitNoTest;
    const StretchKernelPick pick = SelectStretchKernel(
        {kind, source_form, test, state.blend_mode, value, blend_image != nullptr, white, state.mmx, sblock == dblock});
    if (pick.kernel == nullptr) return;

    BlitContext context{};
    context.value_row = state.value_row;
    context.signed_row = state.signed_row;
    context.mix_plane = state.mix_plane;
    for (int c = 0; c < 3; ++c) context.bright_row[c] = state.bright_row[c];
    context.weights = state.weights;
    context.palette = sblock->palette;
    context.value = static_cast<std::uint32_t>(value);
    // Compared at full width: a key above a palette index or a 16-bit pixel matches nothing.
    context.key = sblock->transparent_color;

    // A table stepping evenly (whole scale factors, mirrors) has a copy of its own.
    StretchKernel kernel = pick.kernel;
    if (pick.even_steps != nullptr && columns >= 2) {
        const std::int32_t step = source_columns[1] - source_columns[0];
        bool even = true;
        for (int i = 2; i < columns && even; ++i) even = source_columns[i] - source_columns[i - 1] == step;
        if (even) kernel = pick.even_steps;
    }

    const int dest_bytes = kind == kMemImgRgb565 ? 2 : 4;
    const std::ptrdiff_t dest_pitch = dblock->pitch;
    std::uint8_t* dstart = dest->pixels + dest_pitch * clip_top + dest_bytes * clip_left;
    // A row showing the same source row as the one above is a copy of it when the kernel
    // does not read the destination (and the source is another image, so unchanged).
    const bool copy_rows = pick.pure && sblock != dblock;
    for (int row = 0; row < rows; ++row) {
        std::uint8_t* d = dstart + dest_pitch * row;
        if (copy_rows && row > 0 && source_rows[row] == source_rows[row - 1]) {
            std::memcpy(d, d - dest_pitch, static_cast<std::size_t>(columns) * dest_bytes);
            continue;
        }
        const std::uint8_t* s = src->pixels + static_cast<std::ptrdiff_t>(sblock->pitch) * source_rows[row];
        const std::uint8_t* b =
            blend_image != nullptr
                ? blend_image->pixels + static_cast<std::ptrdiff_t>(blend_image->block->pitch) * source_rows[row]
                : nullptr;
        kernel(context, d, s, b, source_columns, columns);
    }
}
