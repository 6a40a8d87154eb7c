// Graph-to-surface transfer: decoded pictures or DIB-section bitmaps into the software
// MEMIMG of a piece (with the palette search for the transparent index), into a locked
// DirectDraw surface through the conversion blit, or, on an 8-bit screen, through a GDI
// copy into the surface's device context. Every rectangle is cut to the picture and to the
// image it lands in. Relies on the 2-D surfaces, the surface data records, the MEMIMG
// transfer, the image records' DIB bridges and the platform GDI calls.
#include "engine/graphics/graphs/graph_transfer.h"

#include <algorithm>
#include <cstring>

#include "engine/core/core.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/graphs/memimg_transfer.h"
#include "engine/graphics/graphs/surface_2d.h"
#include "engine/graphics/graphs/surface_data.h"
#include "engine/graphics/screen/screen_state.h"
#include "engine/pixels/pixels.h"

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

// A GraphImage over the bits of a DIB section, laid out as `format` says, its rows the
// bitmap's row bytes rounded up to 4 apart. False for a bitmap without bits or rows too
// short for the format's pixels.
bool DescribeBitmap(HBITMAP bitmap, const ColorFormat* format, GraphImage* out) {
    BITMAP info{};
    if (bitmap == nullptr || format == nullptr || GetObjectA(bitmap, sizeof(info), &info) == 0) return false;
    if (info.bmBits == nullptr || info.bmWidth <= 0 || info.bmHeight <= 0 || format->bytes_per_pixel == 0) {
        return false;
    }
    const std::int64_t pitch = (static_cast<std::int64_t>(info.bmWidthBytes) + 3) / 4 * 4;
    if (static_cast<std::int64_t>(info.bmWidth) * format->bytes_per_pixel > pitch || pitch > 0x7FFFFFFF) return false;
    std::memset(out, 0, sizeof(*out));
    out->format = *format;
    out->width = info.bmWidth;
    out->height = info.bmHeight;
    out->pitch = static_cast<std::int32_t>(pitch);
    out->pixels = info.bmBits;
    return true;
}

// The 8-bit screen: the picture goes into the surface through its device context, from
// the colour bitmap or from a DIB section made of the colour image for this call.
int TransferThroughGdi(const ImageSource& source, const GraphImage* color, const RECT& src, int x, int y,
                       SurfaceData* data) {
    HDC memory_dc = CreateCompatibleDC(nullptr);
    if (memory_dc == nullptr) return -1;
    HDC surface_dc = nullptr;
    if (FAILED(data->surface->GetDC(&surface_dc))) {
        DeleteDC(memory_dc);
        return -1;
    }
    const auto release_dcs = [&]() {
        data->surface->ReleaseDC(surface_dc);
        DeleteDC(memory_dc);
    };
    HBITMAP bitmap = source.color_bitmap;
    bool made = false;
    if (source.from_bitmap != 1) {
        alignas(BITMAPINFO) unsigned char info_block[kDibInfoBlockBytes];
        auto* info = reinterpret_cast<BITMAPINFO*>(info_block);
        void* bits = nullptr;
        const int converted = ConvertGraphImageToDIB(color, info, &bits, 0, 1);
        if (converted == -1) {
            WriteLogText("GraphImage を BMP に変換する処理が失敗しました");
            release_dcs();
            return -1;
        }
        bitmap = CreateDIBGraph(info, bits, 0, nullptr);
        if (converted == 1) TrackedFree(bits);
        if (bitmap == nullptr) {
            WriteLogText("ＢＭＰデータからＢＭＰハンドルを作成する処理が失敗しました");
            release_dcs();
            return -1;
        }
        made = true;
    }
    const HBITMAP previous = SelectObject(memory_dc, bitmap);
    bool copied = false;
    if (previous != nullptr) {
        copied = BitBlt(surface_dc, x, y, src.right - src.left, src.bottom - src.top, memory_dc, src.left, src.top,
                        SRCCOPY) != FALSE;
        SelectObject(memory_dc, previous);
    }
    release_dcs();
    if (made) DeleteObject(bitmap);
    return copied ? 0 : -1;
}

}  // namespace

bool ResolveSourcePictures(const ImageSource& source, GraphImage* color_view, GraphImage* alpha_view,
                           const GraphImage** color, const GraphImage** alpha) {
    *color = source.image;
    *alpha = source.alpha_image;
    if (source.from_bitmap == 1) {
        if (!DescribeBitmap(source.color_bitmap, source.bitmap_format, color_view)) return false;
        *color = color_view;
        *alpha = nullptr;
        if (source.alpha_bitmap != nullptr) {
            if (!DescribeBitmap(source.alpha_bitmap, source.bitmap_format, alpha_view)) return false;
            *alpha = alpha_view;
        }
    }
    return *color != nullptr && (*color)->pixels != nullptr;
}

int BltImageToSurface2D(const ImageSource& source, const RECT* src_rect, int x, int y, int surface) {
    if (!IsScreenUp()) return -1;
    if (GetDrawSettings()->graphics_off) return 0;
    const Surface2D* piece = GetSurface2DRecord(surface);
    if (piece == nullptr) return -1;
    SurfaceData* data = GetSurfaceData(piece->surface_data);
    if (data == nullptr || src_rect == nullptr) return -1;

    GraphImage color_view{};
    GraphImage alpha_view{};
    const GraphImage* color = nullptr;
    const GraphImage* alpha = nullptr;
    if (!ResolveSourcePictures(source, &color_view, &alpha_view, &color, &alpha)) return -1;

    // Cut the rectangle to the picture, then to the image it lands in.
    RECT src = *src_rect;
    if (!ClipTransferRect(color->width, color->height, data->width, data->height, &src, &x, &y)) return 0;
    const int width = src.right - src.left;
    const int height = src.bottom - src.top;

    if (data->software) {
        // A software record has no surface to reach through GDI, whatever the screen depth.
        if (!IsMemImgValid(&data->color_image)) return -1;
        WriteGraphImageToMemImg(color, alpha, &data->color_image, src.left, src.top, width, height, x, y, 1);
        PickPaletteTransparentIndex(data);
    } else if (data->surface == nullptr) {
        return -1;
    } else if (GetScreenState()->requested_depth == 8) {
        if (TransferThroughGdi(source, color, src, x, y, data) != 0) return -1;
    } else {
        RECT area{x, y, x + width, y + height};
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof(desc);
        if (FAILED(data->surface->Lock(&area, &desc, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr))) {
            WriteLogText("２Ｄサーフェスのロックに失敗しました");
            return -1;
        }
        // The lock hands out the rectangle's first byte: the picture lands at (0, 0) of it.
        // Alpha taken from red needs alpha bits in the screen pixel to go to; without them
        // the conversion would lay the red over the low bits of the pixel.
        const ColorFormat* screen_format = GetScreenColorFormat();
        const bool bitmap = source.from_bitmap == 1;
        const int alpha_from_red = bitmap || screen_format->alpha_width == 0 ? 0 : source.alpha_from_red;
        ConvertColorBlt({.dest = desc.lpSurface, .dest_pitch = desc.lPitch, .dest_format = screen_format,
                         .src = color->pixels, .src_pitch = color->pitch, .src_format = &color->format,
                         .src_rect = &src, .dither = bitmap ? GetDitherFlag() : kDitherNone,
                         .alpha_from_red = alpha_from_red});
        data->surface->Unlock(&area);
    }
    ApplySurfaceDataColorKey(piece->surface_data);
    return 0;
}

int BltImageToSurface2DPiece(const ImageSource& source, int image_x, int image_y, int surface) {
    const Surface2D* piece = GetSurface2DRecord(surface);
    if (piece == nullptr) return -1;
    const RECT src{image_x, image_y, HoldToInt(static_cast<std::int64_t>(image_x) + piece->width),
                   HoldToInt(static_cast<std::int64_t>(image_y) + piece->height)};
    return BltImageToSurface2D(source, &src, piece->source_x, piece->source_y, surface);
}

int BltImageToGraphSurface2Ds(const ImageSource& source, int x, int y, const GraphRecord* graph) {
    if (!IsScreenUp() || graph == nullptr) return -1;
    ImageSource piece_source = source;
    piece_source.alpha_from_red = static_cast<std::int32_t>(graph->mode_word);
    for (int i = 0; i < graph->piece_count; ++i) {
        const Surface2D* piece = GetSurface2DRecord(graph->pieces[i]);
        if (piece == nullptr) return -1;
        if (BltImageToSurface2DPiece(piece_source, HoldToInt(static_cast<std::int64_t>(x) + piece->x),
                                     HoldToInt(static_cast<std::int64_t>(y) + piece->y), graph->pieces[i]) == -1) {
            return -1;
        }
    }
    return 0;
}

int BltImageToGraphPieces(const ImageSource& source, const RECT* src_rect, int dest_x, int dest_y,
                          const GraphRecord* graph) {
    if (!IsScreenUp() || graph == nullptr || src_rect == nullptr) return -1;
    ImageSource piece_source = source;
    piece_source.alpha_from_red = 0;
    // In 64 bits: rectangles and positions may lie anywhere in the int range.
    const std::int64_t rect_width = static_cast<std::int64_t>(src_rect->right) - src_rect->left;
    const std::int64_t rect_height = static_cast<std::int64_t>(src_rect->bottom) - src_rect->top;
    for (int i = 0; i < graph->piece_count; ++i) {
        const Surface2D* piece = GetSurface2DRecord(graph->pieces[i]);
        if (piece == nullptr) return -1;
        const std::int64_t px = piece->x;
        const std::int64_t py = piece->y;
        if (!(px < dest_x + rect_width && px + piece->width > dest_x && py < dest_y + rect_height &&
              py + piece->height > dest_y)) {
            continue;
        }
        std::int64_t left = src_rect->left;
        std::int64_t top = src_rect->top;
        std::int64_t in_x = 0;
        std::int64_t in_y = 0;
        if (dest_x < px) left += px - dest_x; else in_x = dest_x - px;
        if (dest_y < py) top += py - dest_y; else in_y = dest_y - py;
        const std::int64_t right = std::min<std::int64_t>(src_rect->right, left + (piece->width - in_x));
        const std::int64_t bottom = std::min<std::int64_t>(src_rect->bottom, top + (piece->height - in_y));
        RECT src{HoldToInt(left), HoldToInt(top), HoldToInt(right), HoldToInt(bottom)};
        if (BltImageToSurface2D(piece_source, &src, HoldToInt(piece->source_x + in_x), HoldToInt(piece->source_y + in_y),
                                graph->pieces[i]) == -1) {
            return -1;
        }
    }
    return 0;
}
