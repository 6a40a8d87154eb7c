// Surface data records: the table of kind 7 (65,536 slots), creation with the choice of
// a software MEMIMG, a DirectDraw off-screen surface or a texture surface in one of the
// 3-D renderer's formats, Z buffers, colour keys, nested locks, colour fill, loss and
// deletion. Relies on the handle rules, MEMIMG images, the screen record, the draw
// settings and the texture formats of the 3-D renderer's door.
#include "engine/graphics/graphs/surface_data.h"

#include <cstring>

#include "engine/core/core.h"
#include "engine/d3d/d3d.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/draw/draw_state_access.h"
#include "engine/graphics/screen/screen_state.h"

namespace {
void* g_slots[kSurfaceDataSlots];
}  // namespace

HandleTable g_surface_data_table = {kHandleKindSurfaceData, kSurfaceDataSlots, g_slots, 0, 0, 0};

namespace {

// Releases whatever holder the record has; used on every failure of the creation and
// when the display takes the holders away. A lock still held ends with its memory: a
// holder made again starts unlocked, so no stale pointer is handed out.
void DropHolder(SurfaceData* data) {
    if (data->lock_count != 0 && !data->software && data->surface != nullptr) data->surface->Unlock(nullptr);
    data->lock_count = 0;
    data->locked_pitch = 0;
    data->locked_pointer = nullptr;
    if (data->attached_surface != nullptr) {
        if (data->surface != nullptr) data->surface->DeleteAttachedSurface(0, data->attached_surface);
        data->attached_surface->Release();
        data->attached_surface = nullptr;
    }
    if (data->surface != nullptr) {
        data->surface->Release();
        data->surface = nullptr;
    }
    if (IsMemImgValid(&data->z_image)) ReleaseMemImg(&data->z_image);
    if (IsMemImgValid(&data->color_image)) ReleaseMemImg(&data->color_image);
    std::memset(&data->color_image, 0, sizeof(data->color_image));
    std::memset(&data->z_image, 0, sizeof(data->z_image));
}

int CreateSoftwareHolder(SurfaceData* data) {
    const GraphCreationBytes& c = data->creation;
    if (c.mode_byte != 1) {
        data->format_index = (c.bit_depth != 16 ? 12 : 10) + (c.alpha_channel ? 1 : 0);
        const int kind = c.bit_depth != 16 ? kMemImgXrgb8888 : kMemImgRgb565;
        std::uint32_t key = 65535;
        if (c.palette != 1) {
            const std::uint32_t rgb = GetDrawSettings()->transparent_color;
            key = MakeColorValueInFormat(GetMemImgColorFormat(kind, c.alpha_channel, 0), (rgb >> 16) & 0xFF,
                                         (rgb >> 8) & 0xFF, rgb & 0xFF, 255);
        }
        if (CreateMemImg(&data->color_image, data->width, data->height, -1, key, kind, c.palette, c.alpha_channel, 1,
                         nullptr) != 0) {
            WriteLogText("メモリイメージの作成に失敗しました\n");
            DropHolder(data);
            return -1;
        }
    } else if (CreateMemImg(&data->color_image, data->width, data->height, -1, 0, kMemImgChannel8, 0, 0, 1,
                            nullptr) != 0) {
        WriteLogText("メモリイメージの作成に失敗しました\n");
        DropHolder(data);
        return -1;
    }
    // A new image starts black rather than with whatever the memory held.
    FillMemImgRectRaw(&data->color_image, nullptr, 0);
    return 0;
}

int CreateOffscreenHolder(SurfaceData* data, IDirectDraw7* object) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.dwWidth = data->width;
    desc.dwHeight = data->height;
    data->format_index = 9;
    int screen_width = 0;
    ReadScreenSize(&screen_width, nullptr);
    DWORD caps = DDSCAPS_OFFSCREENPLAIN;
    if (data->creation.system_memory != 1 && data->width <= screen_width) {
        caps |= IsSoftwareRenderChosen() ? DDSCAPS_SYSTEMMEMORY : (DDSCAPS_VIDEOMEMORY | DDSCAPS_3DDEVICE);
    } else {
        caps |= DDSCAPS_SYSTEMMEMORY;
    }
    desc.ddsCaps.dwCaps = caps;
    if (FAILED(object->CreateSurface(&desc, &data->surface, nullptr))) {
        data->surface = nullptr;
        desc.ddsCaps.dwCaps = DDSCAPS_SYSTEMMEMORY | DDSCAPS_OFFSCREENPLAIN;
        if (FAILED(object->CreateSurface(&desc, &data->surface, nullptr))) {
            data->surface = nullptr;
            WriteLogText("標準サーフェスの作成に失敗しました\n");
            DropHolder(data);
            return -1;
        }
    }
    DDSCAPS2 got{};
    data->surface->GetCaps(&got);
    data->creation.system_memory = (got.dwCaps & DDSCAPS_VIDEOMEMORY) ? 0 : 1;
    data->creation.drawable = 1;
    return 0;
}

// The surface description flag that names the texture stage of a texture.
constexpr DWORD kDescribesTextureStage = 0x00100000u;

// A texture surface in the slot's format of the 3-D renderer, cleared to 0.
int CreateTextureHolder(SurfaceData* data, IDirectDraw7* object) {
    const GraphCreationBytes& c = data->creation;
    data->format_index = GetTextureFormatIndex(reinterpret_cast<const std::uint8_t*>(&c));
    const DDPIXELFORMAT* format = GetTextureFormatPixelFormat(data->format_index);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT | kDescribesTextureStage;
    desc.dwWidth = data->width;
    desc.dwHeight = data->height;
    desc.ddsCaps.dwCaps = c.drawable ? (DDSCAPS_TEXTURE | DDSCAPS_3DDEVICE) : DDSCAPS_TEXTURE;
    desc.ddsCaps.dwCaps2 = (!c.drawable && !c.unmanaged_texture) ? DDSCAPS2_TEXTUREMANAGE : 0;
    if (format != nullptr) desc.ddpfPixelFormat = *format;
    if (format == nullptr || FAILED(object->CreateSurface(&desc, &data->surface, nullptr))) {
        data->surface = nullptr;
        WriteLogText("テクスチャサーフェスの作成に失敗しました\n");
        WriteLogFormat("DrawValid:%d  AlphaChFlag%d  AlphaTestFlag:%d  ColorBitDepth:%d", c.drawable, c.alpha_channel,
                       c.alpha_test, c.bit_depth);
        DropHolder(data);
        return -1;
    }
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    fx.dwFillColor = 0;
    data->surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    return 0;
}

// The colour format of a record's pixels: the texture slot's for textures, the colour
// image's for software records, the screen's for DirectDraw surfaces.
const ColorFormat* HolderFormat(const SurfaceData* data) {
    if (data->creation.texture && !data->software) {
        const ColorFormat* format = GetTextureFormatColorFormat(data->format_index);
        if (format != nullptr) return format;
    }
    if (data->software && IsMemImgValid(&data->color_image)) return data->color_image.block->format;
    return GetScreenColorFormat();
}

}  // namespace

int AddSurfaceData(int reference_count, std::uint16_t width, std::uint16_t height, std::uint32_t transparent_color,
                   const GraphCreationBytes* creation) {
    if (g_surface_data_table.live_count >= kSurfaceDataSlots) {
        WriteLogText("サーフェスのデータ数が許容量を越えました。\n");
        return -1;
    }
    void* raw = nullptr;
    int full = 0;
    const int handle = CreateHandleRecord(g_surface_data_table, sizeof(SurfaceData), &raw, &full);
    if (handle == -1) {
        if (full) return WriteLogText("サーフェスのデータ数が許容量を越えました。\n");
        return WriteLogText("サーフェス用データを保存するメモリ領域の確保に失敗しました\n");
    }
    auto* data = static_cast<SurfaceData*>(raw);
    data->creation = *creation;
    data->width = width;
    data->height = height;
    data->reference_count = reference_count;
    data->transparent_color = transparent_color;
    GraphCreationBytes& c = data->creation;
    if (!c.texture) {
        if (c.alpha_channel == 1 || c.mode_byte == 1) c.system_memory = 1;
        c.drawable = 1;
        c.alpha_test = 0;
    } else {
        c.system_memory = 0;
        if (c.drawable == 1 || c.alpha_channel == 1) c.alpha_test = 0;
    }
    data->software = (c.system_memory == 1 || IsSoftwareRendering()) ? 1 : 0;
    if (CreateSurfaceDataSurface(handle) == -1) {
        DeleteSurfaceData(handle);
        return -1;
    }
    ApplySurfaceDataColorKey(handle);
    return handle;
}

SurfaceData* GetSurfaceData(int handle) { return static_cast<SurfaceData*>(LookupHandleRecord(g_surface_data_table, handle)); }

int AddSurfaceDataRef(int handle) {
    SurfaceData* data = GetSurfaceData(handle);
    if (data == nullptr) return -1;
    return ++data->reference_count;
}

int ReleaseSurfaceDataRef(int handle) {
    SurfaceData* data = GetSurfaceData(handle);
    if (data == nullptr) return -1;
    return --data->reference_count;
}

int CreateSurfaceDataSurface(int handle) {
    SurfaceData* data = GetSurfaceData(handle);
    if (data == nullptr) return -1;
    IDirectDraw7* object = GetDirectDrawObject();
    if (!data->software && object == nullptr) return -1;
    if (data->surface != nullptr || IsMemImgValid(&data->color_image)) return 0;
    int result;
    if (data->creation.texture && !data->software) {
        result = CreateTextureHolder(data, object);
    } else if (data->software) {
        result = CreateSoftwareHolder(data);
    } else {
        result = CreateOffscreenHolder(data, object);
    }
    if (result != 0) return -1;
    if (SetSurfaceDataZBuffer(handle, data->z_buffer) != 0 && data->z_buffer) {
        DropHolder(data);
        return -1;
    }
    return 0;
}

int ReleaseSurfaceDataSurface(int handle) {
    SurfaceData* data = GetSurfaceData(handle);
    if (data == nullptr) return -1;
    DropHolder(data);
    return 0;
}

int DeleteSurfaceData(int handle) {
    SurfaceData* data = GetSurfaceData(handle);
    if (data == nullptr) return -1;
    DropHolder(data);
    // The owner's flag pointer is read before the record goes.
    std::int32_t* lost_flag = data->lost_flag;
    FreeHandleRecord(g_surface_data_table, handle);
    if (lost_flag != nullptr) *lost_flag = 1;
    return 0;
}

int SetSurfaceDataZBuffer(int handle, int wanted) {
    SurfaceData* data = GetSurfaceData(handle);
    if (data == nullptr) return -1;
    IDirectDraw7* object = GetDirectDrawObject();
    if (!data->software && object == nullptr) return -1;
    const bool has = data->software ? IsMemImgValid(&data->z_image) != 0 : data->attached_surface != nullptr;
    if (wanted == data->z_buffer && has == (wanted != 0)) return 0;
    if (!data->creation.drawable) return -1;
    if (wanted == 0) {
        if (IsMemImgValid(&data->z_image)) ReleaseMemImg(&data->z_image);
        if (data->attached_surface != nullptr) {
            if (data->surface != nullptr) data->surface->DeleteAttachedSurface(0, data->attached_surface);
            data->attached_surface->Release();
            data->attached_surface = nullptr;
        }
        data->z_buffer = 0;
        return 0;
    }
    if (data->software) {
        if (!IsMemImgValid(&data->z_image) && CreateMemImgDepth16(&data->z_image, data->width, data->height) != 0) {
            return WriteLogText("Ｚバッファの作成に失敗しました");
        }
    } else if (data->attached_surface == nullptr) {
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof(desc);
        desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
        desc.ddsCaps.dwCaps = DDSCAPS_ZBUFFER | DDSCAPS_VIDEOMEMORY;
        desc.dwWidth = data->width;
        desc.dwHeight = data->height;
        // The Z format chosen at Direct3D start-up; a plain 16-bit depth format before.
        if (const DDPIXELFORMAT* z_format = GetZBufferPixelFormat(); z_format != nullptr) {
            desc.ddpfPixelFormat = *z_format;
        } else {
            desc.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
            desc.ddpfPixelFormat.dwFlags = DDPF_ZBUFFER;
            desc.ddpfPixelFormat.dwRGBBitCount = 16;
        }
        if (FAILED(object->CreateSurface(&desc, &data->attached_surface, nullptr))) {
            data->attached_surface = nullptr;
            return WriteLogText("Ｚバッファの作成に失敗しました");
        }
        if (data->surface == nullptr || FAILED(data->surface->AddAttachedSurface(data->attached_surface))) {
            data->attached_surface->Release();
            data->attached_surface = nullptr;
            return WriteLogText("Ｚバッファの作成に失敗しました");
        }
    }
    data->z_buffer = 1;
    return 0;
}

int ApplySurfaceDataColorKey(int handle) {
    SurfaceData* data = GetSurfaceData(handle);
    if (data == nullptr) return -1;
    if (data->surface == nullptr) return 0;
    const std::uint32_t rgb = data->transparent_color;
    if (data->creation.texture) {
        // A texture's key carries full alpha and the unused bits, as its texels do.
        const ColorFormat* format = GetTextureFormatColorFormat(data->format_index);
        if (format == nullptr) return WriteLogText("テクスチャサーフェスのカラーキーの設定に失敗しました\n");
        const std::uint32_t key = MakeColorValueInFormat(format, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF,
                                                         255) |
                                  format->alpha_mask | format->unused_mask;
        DDCOLORKEY texture_key{key, key};
        if (FAILED(data->surface->SetColorKey(DDCKEY_SRCBLT, &texture_key))) {
            return WriteLogText("テクスチャサーフェスのカラーキーの設定に失敗しました\n");
        }
        return 0;
    }
    std::uint32_t key = 0;
    if (GetScreenBitDepth() != 8) {
        key = MakeColorValue(static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                             static_cast<int>(rgb & 0xFF));
    }
    DDCOLORKEY color_key{key, key};
    if (FAILED(data->surface->SetColorKey(DDCKEY_SRCBLT, &color_key))) {
        return WriteLogText("標準サーフェスのカラーキーの設定に失敗しました\n");
    }
    return 0;
}

int RestoreSurfaceDataIfLost(int handle) {
    SurfaceData* data = GetSurfaceData(handle);
    if (data == nullptr) return -1;
    if (data->surface == nullptr) return 0;
    if (data->surface->IsLost() == DD_OK) return 0;
    data->surface->Restore();
    if (data->lost_flag != nullptr) *data->lost_flag = 1;
    return -1;
}

int LockSurfaceData(int handle, std::int32_t* pitch, void** pixels, int write_only, const RECT* rect,
                    const ColorFormat** format) {
    SurfaceData* data = GetSurfaceData(handle);
    if (data == nullptr) return -1;
    if (format != nullptr) *format = HolderFormat(data);
    if (data->lock_count != 0) {
        if (pitch != nullptr && pixels != nullptr) {
            *pitch = data->locked_pitch;
            *pixels = data->locked_pointer;
        }
        data->lock_count += 1;
        return -2;
    }
    if (data->software) {
        if (!IsMemImgValid(&data->color_image)) return -1;
        const MEMIMG& image = data->color_image;
        std::uint8_t* at = image.pixels;
        if (rect != nullptr) {
            if (rect->left < 0 || rect->top < 0 || rect->left > image.width || rect->top > image.height) return -1;
            at += static_cast<std::ptrdiff_t>(rect->top) * image.block->pitch +
                  static_cast<std::ptrdiff_t>(rect->left) * MemImgBytesPerPixel(&image);
        }
        data->locked_pitch = image.block->pitch;
        data->locked_pointer = at;
    } else {
        if (data->surface == nullptr) return -1;
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof(desc);
        RECT area = rect != nullptr ? *rect : RECT{};
        const DWORD flags = write_only == 1 ? (DDLOCK_WAIT | DDLOCK_WRITEONLY) : DDLOCK_WAIT;
        if (FAILED(data->surface->Lock(rect != nullptr ? &area : nullptr, &desc, flags, nullptr))) {
            return WriteLogText("グラフィックのロックに失敗しました");
        }
        data->locked_pitch = desc.lPitch;
        data->locked_pointer = static_cast<std::uint8_t*>(desc.lpSurface);
    }
    if (pitch != nullptr && pixels != nullptr) {
        *pitch = data->locked_pitch;
        *pixels = data->locked_pointer;
    }
    data->lock_count = 1;
    return 0;
}

int UnlockSurfaceData(int handle, const RECT* rect) {
    SurfaceData* data = GetSurfaceData(handle);
    if (data == nullptr || data->lock_count == 0) return -1;
    data->lock_count -= 1;
    if (data->lock_count == 0 && !data->software && data->surface != nullptr) {
        RECT area = rect != nullptr ? *rect : RECT{};
        data->surface->Unlock(rect != nullptr ? &area : nullptr);
    }
    return 0;
}

int FillSurfaceDataColor(int handle, int red, int green, int blue, int alpha) {
    SurfaceData* data = GetSurfaceData(handle);
    if (data == nullptr) return -1;
    if (data->software) {
        // A software record has no DirectDraw surface: its colour image is filled.
        if (!IsMemImgValid(&data->color_image)) return -1;
        const std::uint32_t value =
            MakeColorValueInFormat(data->color_image.block->format, static_cast<std::uint32_t>(red) & 0xFF,
                                   static_cast<std::uint32_t>(green) & 0xFF, static_cast<std::uint32_t>(blue) & 0xFF,
                                   static_cast<std::uint8_t>(alpha));
        FillMemImgRectRaw(&data->color_image, nullptr, value);
        return 0;
    }
    if (GetDirectDrawObject() == nullptr || data->surface == nullptr) return -1;
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    fx.dwFillColor = MakeColorValueInFormat(HolderFormat(data), static_cast<std::uint32_t>(red) & 0xFF,
                                            static_cast<std::uint32_t>(green) & 0xFF,
                                            static_cast<std::uint32_t>(blue) & 0xFF, static_cast<std::uint8_t>(alpha));
    data->surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    return 0;
}

void ResetSurfaceDataTable() {
    if (g_surface_data_table.live_count != 0) return;
    g_surface_data_table.end_mark = 0;
    g_surface_data_table.next_check = 0;
}
