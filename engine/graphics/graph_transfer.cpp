// Graph-to-surface transfer: decoded pictures into the software MEMIMG of a piece (with
// the palette search for the transparent index) or into a locked DirectDraw surface
// through the conversion blit. Every rectangle is cut to the picture and to the image it
// lands in. Relies on the 2-D surfaces, the surface data records and the MEMIMG transfer.
#include "engine/graphics/graph_transfer.h"

#include <algorithm>
#include <cstring>

#include "engine/core/text_log.h"
#include "engine/graphics/conversion_blit.h"
#include "engine/graphics/draw_settings.h"
#include "engine/graphics/memimg_transfer.h"
#include "engine/graphics/screen_state.h"
#include "engine/graphics/surface_2d.h"
#include "engine/graphics/surface_data.h"

namespace {

// The transparent colour looked up among the palette entries of a palette image; the
// first match, or index 0, becomes the block's key.
void PickPaletteTransparentIndex(SurfaceData* data) {
    MemImgPixelBlock* block = data->color_image.block;
    if (!data->creation.palette || !block->palette_flag || block->palette == nullptr) return;
    const std::uint32_t rgb = GetDrawSettings()->transparent_color;
    const ColorFormat* format = GetMemImgColorFormat(block->kind, 0, 0);
    const std::uint32_t key = MakeColorValueInFormat(format, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF, 255);
    const bool wide = block->kind == kMemImgXrgb8888;
    std::uint32_t index = 0;
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t entry = 0;
        if (wide) {
            std::memcpy(&entry, block->palette + i * 4, 4);
            if ((entry & 0xFFFFFF) == (key & 0xFFFFFF)) {
                index = i;
                break;
            }
        } else {
            std::uint16_t small = 0;
            std::memcpy(&small, block->palette + i * 2, 2);
            if (small == (key & 0xFFFF)) {
                index = i;
                break;
            }
        }
    }
    block->transparent_color = index;
}

}  // namespace

int BltImageToSurface2D(const GraphImage* image, const GraphImage* alpha_image, const RECT* src_rect, int x, int y,
                        int surface, int alpha_from_red) {
    if (!IsScreenUp()) return -1;
    if (GetDrawSettings()->graphics_off) return 0;
    const Surface2D* piece = GetSurface2DRecord(surface);
    if (piece == nullptr) return -1;
    SurfaceData* data = GetSurfaceData(piece->surface_data);
    if (data == nullptr || image == nullptr || image->pixels == nullptr) return -1;
    // Cut the rectangle to the picture, then to the image it lands in.
    RECT src = *src_rect;
    if (src.left < 0) { x -= src.left; src.left = 0; }
    if (src.top < 0) { y -= src.top; src.top = 0; }
    src.right = std::min<LONG>(src.right, image->width);
    src.bottom = std::min<LONG>(src.bottom, image->height);
    if (alpha_image != nullptr) {
        src.right = std::min<LONG>(src.right, alpha_image->width);
        src.bottom = std::min<LONG>(src.bottom, alpha_image->height);
    }
    if (x < 0) { src.left -= x; x = 0; }
    if (y < 0) { src.top -= y; y = 0; }
    src.right = std::min<LONG>(src.right, src.left + (data->width - x));
    src.bottom = std::min<LONG>(src.bottom, src.top + (data->height - y));
    if (src.right <= src.left || src.bottom <= src.top) return 0;
    const int width = src.right - src.left;
    const int height = src.bottom - src.top;

    if (data->software) {
        if (!IsMemImgValid(&data->color_image)) return -1;
        WriteGraphImageToMemImg(image, alpha_image, &data->color_image, src.left, src.top, width, height, x, y, 1);
        PickPaletteTransparentIndex(data);
    } else {
        if (GetScreenBitDepth() == 8) return -1;  // no 8-bit screens here
        if (data->surface == nullptr) return -1;
        RECT area{x, y, x + width, y + height};
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof(desc);
        if (FAILED(data->surface->Lock(&area, &desc, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr))) {
            return WriteLogText("２Ｄサーフェスのロックに失敗しました");
        }
        const GraphImage* alpha = alpha_image;
        ConvertColorBlt(desc.lpSurface, desc.lPitch, GetScreenColorFormat(), image->pixels, image->pitch,
                        &image->format, alpha != nullptr ? alpha->pixels : nullptr, alpha != nullptr ? alpha->pitch : 0,
                        alpha != nullptr ? &alpha->format : nullptr, 0, 0, &src, 0, 0, 0, 0, 0, alpha_from_red, 0, 0);
        data->surface->Unlock(&area);
    }
    ApplySurfaceDataColorKey(piece->surface_data);
    return 0;
}

int BltImageToSurface2DPiece(const GraphImage* image, const GraphImage* alpha_image, int image_x, int image_y,
                             int surface, int alpha_from_red) {
    const Surface2D* piece = GetSurface2DRecord(surface);
    if (piece == nullptr) return -1;
    const RECT src{image_x, image_y, image_x + piece->width, image_y + piece->height};
    return BltImageToSurface2D(image, alpha_image, &src, piece->source_x, piece->source_y, surface, alpha_from_red);
}

int BltImageToGraphSurface2Ds(const GraphImage* image, const GraphImage* alpha_image, int x, int y,
                              const GraphRecord* graph) {
    if (!IsScreenUp()) return -1;
    for (int i = 0; i < graph->piece_count; ++i) {
        const Surface2D* piece = GetSurface2DRecord(graph->pieces[i]);
        if (piece == nullptr) return -1;
        if (BltImageToSurface2DPiece(image, alpha_image, x + piece->x, y + piece->y, graph->pieces[i],
                                     static_cast<int>(graph->mode_word)) == -1) {
            return -1;
        }
    }
    return 0;
}

int BltImageToGraphPieces(const GraphImage* image, const GraphImage* alpha_image, const RECT* src_rect, int dest_x,
                          int dest_y, const GraphRecord* graph) {
    if (!IsScreenUp()) return -1;
    const int rect_width = src_rect->right - src_rect->left;
    const int rect_height = src_rect->bottom - src_rect->top;
    for (int i = 0; i < graph->piece_count; ++i) {
        const Surface2D* piece = GetSurface2DRecord(graph->pieces[i]);
        if (piece == nullptr) return -1;
        if (!(piece->x < dest_x + rect_width && piece->x + piece->width > dest_x && piece->y < dest_y + rect_height &&
              piece->y + piece->height > dest_y)) {
            continue;
        }
        RECT src = *src_rect;
        int in_x = 0;
        int in_y = 0;
        if (dest_x < piece->x) src.left += piece->x - dest_x; else in_x = dest_x - piece->x;
        if (dest_y < piece->y) src.top += piece->y - dest_y; else in_y = dest_y - piece->y;
        src.right = std::min<LONG>(src.right, src.left + (piece->width - in_x));
        src.bottom = std::min<LONG>(src.bottom, src.top + (piece->height - in_y));
        if (BltImageToSurface2D(image, alpha_image, &src, piece->source_x + in_x, piece->source_y + in_y,
                                graph->pieces[i], 0) == -1) {
            return -1;
        }
    }
    return 0;
}
