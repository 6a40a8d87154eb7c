// Transfers into and out of MEMIMG images, all through ConvertColorBlt. A whole-image write
// also converts the palette, fills the premultiplied alpha plane and builds the run table
// that the unscaled blit walks. Relies on the conversion blit and the MEMIMG records.
#include "engine/graphics/graphs/memimg_transfer.h"

#include <algorithm>
#include <cstring>

#include "engine/pixels/pixels.h"

namespace {

bool IsWholeBlock(const MEMIMG* image) {
    const MemImgPixelBlock* block = image->block;
    return image->width == block->width && image->height == block->height && image->pixels == block->pixel_memory;
}

int PixelClass(const MemImgPixelBlock* block, const std::uint8_t* p, std::uint32_t key) {
    const int bytes = block->format->bytes_per_pixel;
    if (block->alpha_flag) {
        const std::uint8_t a = p[block->kind == kMemImgRgb565 ? 2 : 3];
        return a == 0 ? kRunSkip : a == 255 ? kRunOpaque : kRunPartial;
    }
    std::uint32_t value = 0;
    std::memcpy(&value, p, static_cast<std::size_t>(bytes));
    return value == key ? kRunSkip : kRunOpaque;
}

void FillPremultipliedPlane(const MEMIMG* image) {
    const MemImgPixelBlock* block = image->block;
    for (int y = 0; y < image->height; ++y) {
        const std::uint8_t* p = image->pixels + static_cast<std::ptrdiff_t>(block->pitch) * y;
        std::uint8_t* q = image->alpha + static_cast<std::ptrdiff_t>(block->pitch) * y;
        for (int x = 0; x < image->width; ++x, p += 4, q += 4) {
            if (block->kind == kMemImgRgb565) {
                const std::uint32_t c = p[0] | (p[1] << 8);
                const std::uint32_t a = p[2];
                const std::uint32_t v = ((((c >> 11) & 31u) * a >> 8) << 11) | ((((c >> 5) & 63u) * a >> 8) << 5) |
                                        ((c & 31u) * a >> 8);
                q[0] = static_cast<std::uint8_t>(v);
                q[1] = static_cast<std::uint8_t>(v >> 8);
                q[2] = static_cast<std::uint8_t>(a);
                q[3] = 0;
            } else {
                const std::uint32_t a = p[3];
                for (int c = 0; c < 3; ++c) q[c] = static_cast<std::uint8_t>((p[c] * a) >> 8);
                q[3] = static_cast<std::uint8_t>(a);
            }
        }
    }
}

// The block keeps its key as a raw pixel of its own format; the conversion blit takes a
// key for its key-to-alpha switch as 0x00RRGGBB and narrows it into the destination
// format itself. Each channel is put back into the high bits of its byte, so that the
// narrowing gives exactly the channel bits of the raw key again (an RGB565 key read as
// 0x00RRGGBB would name another colour).
std::uint32_t KeyColorOfBlock(const MemImgPixelBlock* block) {
    const ColorFormat* f = block->format;
    if (f->bytes_per_pixel == 1) return block->transparent_color;  // the 1-byte path takes no key
    const auto channel = [&](std::uint32_t mask, int shift, int width) -> std::uint32_t {
        if (width == 0 || width > 8) return 0;
        return ((block->transparent_color & mask) >> shift) << (8 - width);
    };
    return channel(f->red_mask, f->red_shift, f->red_width) << 16 |
           channel(f->green_mask, f->green_shift, f->green_width) << 8 |
           channel(f->blue_mask, f->blue_shift, f->blue_width);
}

}  // namespace

std::uint32_t MemImgTransparentKey(const MemImgPixelBlock* block) {
    if (block->palette_flag || block->format->bytes_per_pixel == 1) return block->transparent_color & 0xFFu;
    if (block->format->bytes_per_pixel == 2) return block->transparent_color & 0xFFFFu;
    return block->transparent_color;
}

void BuildTransparencyRunTable(const MEMIMG* image) {
    const MemImgPixelBlock* block = image->block;
    if (block->run_table == nullptr) return;
    const int bytes = block->format->bytes_per_pixel;
    const std::uint32_t key = MemImgTransparentKey(block);
    std::uint8_t* out = block->run_table;
    for (int y = 0; y < image->height; ++y) {
        const std::uint8_t* row = image->pixels + static_cast<std::ptrdiff_t>(block->pitch) * y;
        int x = 0;
        while (x < image->width) {
            const int cls = PixelClass(block, row + bytes * x, key);
            int length = 1;
            while (length < 64 && x + length < image->width && PixelClass(block, row + bytes * (x + length), key) == cls) {
                ++length;
            }
            *out++ = static_cast<std::uint8_t>((cls << 6) | (length - 1));
            x += length;
        }
        *out++ = kRunRowEnd;
    }
}

void WriteGraphImageToMemImg(const GraphImage* image, const GraphImage* alpha_image, MEMIMG* dest, int src_x,
                             int src_y, int width, int height, int dest_x, int dest_y, int key_to_alpha) {
    if (image == nullptr || image->pixels == nullptr || !IsMemImgValid(dest)) return;
    MemImgPixelBlock* block = dest->block;
    if (alpha_image != nullptr &&
        (alpha_image->pixels == nullptr || alpha_image->width < image->width || alpha_image->height < image->height)) {
        alpha_image = nullptr;
    }
    RECT rect{src_x, src_y, static_cast<LONG>(static_cast<std::int64_t>(src_x) + std::max(width, 0)),
              static_cast<LONG>(static_cast<std::int64_t>(src_y) + std::max(height, 0))};
    if (!ClipTransferRect(image->width, image->height, dest->width, dest->height, &rect, &dest_x, &dest_y)) return;
    const int written_w = rect.right - rect.left;
    const int written_h = rect.bottom - rect.top;

    if (block->kind == kMemImgChannel8 || block->kind == kMemImgChannel16) {
        ConvertColorBlt({.dest = dest->pixels, .dest_pitch = block->pitch, .dest_format = block->format,
                         .src = image->pixels, .src_pitch = image->pitch, .src_format = &image->format,
                         .dest_x = dest_x, .dest_y = dest_y, .src_rect = &rect, .color_off = 1, .alpha_from_red = 1});
        block->alpha_plane_valid = 0;
        block->run_table_valid = 0;
        return;
    }
    const int result = ConvertColorBlt({.dest = dest->pixels, .dest_pitch = block->pitch, .dest_format = block->format,
                                        .src = image->pixels, .src_pitch = image->pitch, .src_format = &image->format,
                                        .alpha = alpha_image != nullptr ? alpha_image->pixels : nullptr,
                                        .alpha_pitch = alpha_image != nullptr ? alpha_image->pitch : 0,
                                        .alpha_format = alpha_image != nullptr ? &alpha_image->format : nullptr,
                                        .dest_x = dest_x, .dest_y = dest_y, .src_rect = &rect,
                                        .key_to_alpha = key_to_alpha, .key = KeyColorOfBlock(block)});
    if (result < 0) return;
    if (block->palette_flag && block->palette != nullptr) {
        if (alpha_image == nullptr) block->palette_count = std::min(result + 1, 256);
        for (int i = 0; i < 256; ++i) {
            const ColorPaletteEntry& e = image->format.palette[i];
            if (block->kind == kMemImgRgb565) {
                const std::uint16_t v =
                    static_cast<std::uint16_t>(((e.red & 0xF8) << 8) | ((e.green & 0xFC) << 3) | (e.blue >> 3));
                std::memcpy(block->palette + 2 * i, &v, 2);
            } else {
                const std::uint32_t v = (static_cast<std::uint32_t>(e.red) << 16) | (e.green << 8) | e.blue;
                std::memcpy(block->palette + 4 * i, &v, 4);
            }
        }
        std::memcpy(block->palette_copy, block->palette, block->kind == kMemImgRgb565 ? 512 : 1024);
    }
    block->alpha_plane_valid = 0;
    block->run_table_valid = 0;
    // The run table and the plane describe the whole block, so only a write of a view
    // that is the whole block can make them valid.
    if (written_w == dest->width && written_h == dest->height && block->run_table != nullptr && IsWholeBlock(dest)) {
        block->run_table_valid = 1;
        if (block->alpha_flag && block->alpha_plane != nullptr && dest->alpha != nullptr) {
            block->alpha_plane_valid = 1;
            FillPremultipliedPlane(dest);
        }
        BuildTransparencyRunTable(dest);
    }
}

void ReadMemImgToGraphImage(GraphImage* dest, const MEMIMG* src, int src_x, int src_y, int width, int height,
                            int dest_x, int dest_y, std::uint32_t transparent_color, int skip_transparent) {
    if (dest == nullptr || dest->pixels == nullptr || !IsMemImgValid(src)) return;
    const MemImgPixelBlock* block = src->block;
    if (block->kind == kMemImgChannel8 || block->kind == kMemImgChannel16 || block->palette_flag || block->alpha_flag) {
        return;
    }
    RECT rect{src_x, src_y, static_cast<LONG>(static_cast<std::int64_t>(src_x) + std::max(width, 0)),
              static_cast<LONG>(static_cast<std::int64_t>(src_y) + std::max(height, 0))};
    if (!ClipTransferRect(src->width, src->height, dest->width, dest->height, &rect, &dest_x, &dest_y)) return;
    ConvertColorBlt({.dest = dest->pixels, .dest_pitch = dest->pitch, .dest_format = &dest->format, .src = src->pixels,
                     .src_pitch = block->pitch, .src_format = block->format, .dest_x = dest_x, .dest_y = dest_y,
                     .src_rect = &rect, .key = transparent_color, .skip_key = skip_transparent});
}

int BltMemImgToMemImg(MEMIMG* dest, const MEMIMG* src, const RECT* src_rect, int dest_x, int dest_y) {
    if (!IsMemImgValid(dest) || !IsMemImgValid(src)) return -1;
    RECT rect = src_rect != nullptr ? *src_rect : RECT{0, 0, src->width, src->height};
    if (!ClipTransferRect(src->width, src->height, dest->width, dest->height, &rect, &dest_x, &dest_y)) return -1;
    return ConvertColorBlt({.dest = dest->pixels, .dest_pitch = dest->block->pitch, .dest_format = dest->block->format,
                            .src = src->pixels, .src_pitch = src->block->pitch, .src_format = src->block->format,
                            .dest_x = dest_x, .dest_y = dest_y, .src_rect = &rect});
}
