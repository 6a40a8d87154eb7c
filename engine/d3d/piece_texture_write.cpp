// Writing a rectangle of a decoded picture (with its optional alpha picture) into one
// texture piece's texture, converted to the piece's slot format; through a lock of the
// texture, or a system-memory texture and the device's Load when the lock is refused.
// The rectangle is cut to the picture, its alpha picture and the texture.
#include <algorithm>
#include <cstdint>

#include "engine/core/core.h"
#include "engine/d3d/d3d_state.h"

namespace {

// Cuts `src` (placed at x, y) to a picture of pw x ph and to a texture of tw x th; false
// when nothing is left.
bool ClipToPictureAndTexture(std::int64_t pw, std::int64_t ph, int tw, int th, RECT* src, int* x, int* y) {
    std::int64_t left = src->left, top = src->top, right = src->right, bottom = src->bottom;
    std::int64_t dx = *x, dy = *y;
    if (left < 0) dx -= left, left = 0;
    if (top < 0) dy -= top, top = 0;
    if (dx < 0) left -= dx, dx = 0;
    if (dy < 0) top -= dy, dy = 0;
    if (right > pw) right = pw;
    if (bottom > ph) bottom = ph;
    if (right - left > tw - dx) right = left + (tw - dx);
    if (bottom - top > th - dy) bottom = top + (th - dy);
    if (right <= left || bottom <= top) return false;
    *src = RECT{static_cast<LONG>(left), static_cast<LONG>(top), static_cast<LONG>(right), static_cast<LONG>(bottom)};
    *x = static_cast<int>(dx);
    *y = static_cast<int>(dy);
    return true;
}

}  // namespace

int WriteImageToPieceTexture(const ImageSource& source, const RECT* source_rect, int x, int y, int piece_handle,
                             std::uint32_t alpha_from_red) {
    D3DRendererState& state = D3DState();
    if (state.direct3d == nullptr) return -1;
    FlushVertexBatch(state.current_device);
    const Surface3DData* piece = GetSurface3DData(piece_handle);
    if (piece == nullptr || source_rect == nullptr) return -1;
    SurfaceData* data = GraphicsCore().GetSurfaceData(piece->surface_data);
    if (data == nullptr || data->surface == nullptr) return -1;
    GraphImage color_view{}, alpha_view{};
    const GraphImage* color = nullptr;
    const GraphImage* alpha = nullptr;
    if (!GraphicsCore().ResolveSourcePictures(source, &color_view, &alpha_view, &color, &alpha)) return -1;
    if (alpha != nullptr && alpha->pixels == nullptr) return -1;
    // Each picture is read with its own row length, so only the part both cover is taken.
    const std::int64_t picture_width = alpha != nullptr ? std::min(color->width, alpha->width) : color->width;
    const std::int64_t picture_height = alpha != nullptr ? std::min(color->height, alpha->height) : color->height;
    RECT src = *source_rect;
    if (!ClipToPictureAndTexture(picture_width, picture_height, data->width, data->height, &src, &x, &y)) return 0;
    const int width = src.right - src.left;
    const int height = src.bottom - src.top;

    const int slot = GraphicsCore().GetTextureFormatIndex(&data->creation.texture);
    const ColorFormat* format = GetTextureFormatColorFormat(slot);
    const int key_to_alpha = format->alpha_width != 0 && alpha == nullptr && color->format.alpha_width == 0 ? 1 : 0;
    const int from_red = alpha_from_red != 0 ? 1 : 0;
    const void* alpha_pixels = alpha != nullptr ? alpha->pixels : nullptr;
    const int alpha_pitch = alpha != nullptr ? alpha->pitch : 0;
    const ColorFormat* alpha_format = alpha != nullptr ? &alpha->format : nullptr;

    RECT area{x, y, x + width, y + height};
    std::int32_t pitch = 0;
    void* pixels = nullptr;
    const int locked = GraphicsCore().LockSurfaceData(piece->surface_data, &pitch, &pixels, 1, &area, nullptr);
    if (locked == -2) {
        // Already locked elsewhere: the pointer handed out is that lock's, not this area's.
        GraphicsCore().UnlockSurfaceData(piece->surface_data, &area);
        return -1;
    }
    if (locked == 0) {
        ConvertColorBlt({.dest = pixels, .dest_pitch = pitch, .dest_format = format, .src = color->pixels,
                         .src_pitch = color->pitch, .src_format = &color->format, .alpha = alpha_pixels,
                         .alpha_pitch = alpha_pitch, .alpha_format = alpha_format, .src_rect = &src,
                         .key_to_alpha = key_to_alpha, .key = data->transparent_color, .dither = GetDitherFlag(),
                         .alpha_from_red = from_red});
        GraphicsCore().UnlockSurfaceData(piece->surface_data, &area);
    } else {
        // The texture cannot be locked: write a system-memory copy and load it across.
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof(desc);
        desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
        desc.dwWidth = data->width;
        desc.dwHeight = data->height;
        desc.ddpfPixelFormat = *GetTextureFormatPixelFormat(slot);
        desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY;
        IDirectDrawSurface7* temporary = nullptr;
        IDirectDraw7* object = GraphicsCore().GetDirectDrawObject();
        if (object == nullptr || FAILED(object->CreateSurface(&desc, &temporary, nullptr))) {
            FatalErrorExit("テンポラリテクスチャサーフェスの作成に失敗しました");
        }
        DDSURFACEDESC2 locked{};
        locked.dwSize = sizeof(locked);
        if (SUCCEEDED(temporary->Lock(nullptr, &locked, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr))) {
            ConvertColorBlt({.dest = locked.lpSurface, .dest_pitch = locked.lPitch, .dest_format = format,
                             .src = color->pixels, .src_pitch = color->pitch, .src_format = &color->format,
                             .alpha = alpha_pixels, .alpha_pitch = alpha_pitch, .alpha_format = alpha_format,
                             .dest_x = x, .dest_y = y, .src_rect = &src, .key_to_alpha = key_to_alpha,
                             .key = data->transparent_color, .dither = GetDitherFlag(), .alpha_from_red = from_red});
            temporary->Unlock(nullptr);
        }
        data->surface->Restore();
        POINT at{x, y};
        D3DDeviceRecord* record = CurrentD3DDeviceRecord();
        if (record == nullptr || record->device == nullptr ||
            FAILED(record->device->Load(data->surface, &at, temporary, &area, 0))) {
            temporary->Release();
            FatalErrorExit("作業用テクスチャサーフェスから描画用テクスチャサーフェスへの画像転送に失敗しました");
        }
        temporary->Release();
    }
    GraphicsCore().ApplySurfaceDataColorKey(piece->surface_data);
    return 0;
}
