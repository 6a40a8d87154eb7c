// DrawMemImg: checks, clipping to the draw area, the choice between the plain path and
// the run-table path, and the row walk that hands each row (or run) to the kernel chosen
// from the table of blit_kernels. Everything it reads comes in a SoftDrawState; only the
// named entry DrawMemImg builds one from the draw settings.
#include "engine/softrender/blit_unscaled.h"

#include <algorithm>
#include <cstdint>

#include "engine/pixels/pixels.h"
#include "engine/softrender/blit_kernels.h"

namespace {

bool IsWholeBlock(const MEMIMG* image) {
    const MemImgPixelBlock* block = image->block;
    return image->width == block->width && image->height == block->height && image->pixels == block->pixel_memory;
}

// The run-table walk. The table describes the whole block, so it is only used for a view
// that is the whole block; a row's runs never reach past its width, whatever the bytes.
void DrawRuns(const BlitContext& context, BlitKernel opaque, BlitKernel weighted, std::uint8_t* dest, int dest_pitch,
              const MEMIMG* src, const std::uint8_t* blend, int blend_pitch, int dest_bytes, int src_bytes) {
    const MemImgPixelBlock* block = src->block;
    const std::uint8_t* table = block->run_table;
    const std::uint8_t* table_end = table + static_cast<std::ptrdiff_t>(block->width + 5) * block->height;
    for (int y = 0; y < src->height; ++y) {
        std::uint8_t* d = dest + static_cast<std::ptrdiff_t>(dest_pitch) * y;
        const std::uint8_t* s = src->pixels + static_cast<std::ptrdiff_t>(block->pitch) * y;
        const std::uint8_t* b = blend != nullptr ? blend + static_cast<std::ptrdiff_t>(blend_pitch) * y : nullptr;
        int x = 0;
        while (table < table_end) {
            const std::uint8_t run = *table++;
            if ((run & 0xC0u) == 0xC0u) break;
            const int length = std::min((run & 0x3F) + 1, src->width - x);
            const int kind = run >> 6;
            if (length > 0 && kind != 0) {
                const BlitKernel kernel = kind == 2 && weighted != nullptr ? weighted : opaque;
                kernel(context, d + dest_bytes * x, s + src_bytes * x, b != nullptr ? b + x : nullptr, length);
            }
            x += std::max(length, 0);
        }
    }
}

}  // namespace

void DrawMemImgWith(const SoftDrawState& state, MEMIMG* dest, const MEMIMG* src, int x, int y, int transparent,
                    const MEMIMG* blend_image) {
    if (!IsMemImgValid(dest) || !IsMemImgValid(src)) return;
    const MemImgPixelBlock* dblock = dest->block;
    const MemImgPixelBlock* sblock = src->block;
    if (dblock->kind != sblock->kind || dblock->palette_flag || dblock->alpha_flag) return;
    if (dblock->kind != kMemImgRgb565 && dblock->kind != kMemImgXrgb8888) return;
    // The blend image is read one byte per pixel at the source's coordinates.
    if (blend_image != nullptr &&
        (!IsMemImgValid(blend_image) || blend_image->block->kind != kMemImgChannel8 ||
         blend_image->width < src->width || blend_image->height < src->height)) {
        return;
    }
    if (sblock->palette_flag && sblock->palette == nullptr) return;

    RECT area = state.draw_area;
    const RECT view{0, 0, dest->width, dest->height};
    ClipRectToRect(&area, &view);
    // Clip in 64 bits: x + width may not fit an int.
    const std::int64_t left = std::max<std::int64_t>(x, area.left);
    const std::int64_t top = std::max<std::int64_t>(y, area.top);
    const std::int64_t right = std::min<std::int64_t>(static_cast<std::int64_t>(x) + src->width, area.right);
    const std::int64_t bottom = std::min<std::int64_t>(static_cast<std::int64_t>(y) + src->height, area.bottom);
    if (right <= left || bottom <= top) return;
    const int width = static_cast<int>(right - left);
    const int height = static_cast<int>(bottom - top);
    const int skip_x = static_cast<int>(left - x);
    const int skip_y = static_cast<int>(top - y);

    const int kind = dblock->kind;
    const int source_form = sblock->palette_flag ? kBlitSourcePalette
                            : sblock->alpha_flag ? kBlitSourceAlpha
                                                 : kBlitSourceDirect;
    const bool white = state.bright[0] == 255 && state.bright[1] == 255 && state.bright[2] == 255;
    const int value = std::clamp(state.blend_value, 0, 255);
    const bool unclipped = width == src->width && height == src->height;
    const bool runs = transparent == 1 && sblock->run_table_valid && sblock->run_table != nullptr && unclipped &&
                      IsWholeBlock(src);

    BlitContext context{};
    context.value_row = state.value_row;
    context.signed_row = state.signed_row;
    context.mix_plane = state.mix_plane;
    for (int c = 0; c < 3; ++c) context.bright_row[c] = state.bright_row[c];
    context.weights = state.weights;
    context.palette = sblock->palette;
    context.value = static_cast<std::uint32_t>(value);
    context.key = source_form == kBlitSourcePalette ? (sblock->transparent_color & 0xFFu)
                  : kind == kMemImgRgb565           ? (sblock->transparent_color & 0xFFFFu)
                                                    : sblock->transparent_color;

    BlitChoice choice{kind, source_form, kBlitNoTest, state.blend_mode, value, blend_image != nullptr, white, !runs,
                      state.mmx};
    const int dest_bytes = kind == kMemImgRgb565 ? 2 : 4;
    const int src_bytes = source_form == kBlitSourcePalette ? 1 : source_form == kBlitSourceAlpha ? 4 : dest_bytes;
    std::uint8_t* dstart = dest->pixels + static_cast<std::ptrdiff_t>(dblock->pitch) * top + dest_bytes * left;
    const std::uint8_t* blend = nullptr;
    int blend_pitch = 0;
    if (blend_image != nullptr) {
        blend_pitch = blend_image->block->pitch;
        blend = blend_image->pixels + static_cast<std::ptrdiff_t>(blend_pitch) * skip_y + skip_x;
    }

    if (runs) {
        choice.test = kBlitNoTest;
        const BlitKernel opaque = SelectBlitKernel(choice);
        if (opaque == nullptr) return;
        BlitKernel weighted = nullptr;
        if (source_form == kBlitSourceAlpha) {
            choice.test = kBlitAlphaWeight;
            weighted = SelectBlitKernel(choice);
        }
        DrawRuns(context, opaque, weighted, dstart, dblock->pitch, src, blend, blend_pitch, dest_bytes, src_bytes);
        return;
    }

    choice.test = transparent != 0 ? kBlitSkipTest : source_form == kBlitSourceAlpha ? kBlitAlphaWeight : kBlitNoTest;
    const BlitKernel kernel = SelectBlitKernel(choice);
    if (kernel == nullptr) return;
    const std::uint8_t* sstart = src->pixels + static_cast<std::ptrdiff_t>(sblock->pitch) * skip_y + src_bytes * skip_x;
    // A whole copy of gap-free rows is one block copy (not within one block, where rows
    // must go top to bottom as they always do).
    const bool whole_copy = (choice.mode == 0 || (choice.mode == 1 && value == 255)) && white && !blend_image &&
                            source_form == kBlitSourceDirect && choice.test == kBlitNoTest && sblock != dblock;
    if (whole_copy && dblock->pitch == width * dest_bytes && sblock->pitch == width * src_bytes) {
        kernel(context, dstart, sstart, nullptr, width * height);
        return;
    }
    for (int row = 0; row < height; ++row) {
        kernel(context, dstart + static_cast<std::ptrdiff_t>(dblock->pitch) * row,
               sstart + static_cast<std::ptrdiff_t>(sblock->pitch) * row,
               blend != nullptr ? blend + static_cast<std::ptrdiff_t>(blend_pitch) * row : nullptr, width);
    }
}
