// The output surfaces: primary, back, depth, temporary and work surfaces over DirectDraw,
// or in software rendering the front, back and depth MEMIMG images that take their place;
// the 8-bit palette, restoring lost surfaces, and dropping and rebuilding the DirectDraw
// object around full-screen deactivation. Relies on the screen record and the core log.
#include <cstring>
#include <initializer_list>

#include "engine/core/core.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/graphics.h"
#include "engine/graphics/screen/screen_internal.h"

namespace {

std::uint32_t BackgroundRgb(int* red, int* green, int* blue) {
    const WindowSettings& settings = GetSystemBlock()->settings;
    *red = settings.background_red;
    *green = settings.background_green;
    *blue = settings.background_blue;
    return 0;
}

void FillSurface(IDirectDrawSurface7* surface, std::uint32_t value) {
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    fx.dwFillColor = value;
    surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

IDirectDrawSurface7* MakeSurface(DWORD caps, int width, int height) {
    ScreenState* screen = GetScreenState();
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = caps;
    if (width > 0) {
        desc.dwFlags |= DDSD_WIDTH | DDSD_HEIGHT;
        desc.dwWidth = static_cast<DWORD>(width);
        desc.dwHeight = static_cast<DWORD>(height);
    }
    IDirectDrawSurface7* surface = nullptr;
    if (FAILED(screen->direct_draw->CreateSurface(&desc, &surface, nullptr))) return nullptr;
    return surface;
}

const char* MemoryName(IDirectDrawSurface7* surface) {
    DDSCAPS2 caps{};
    if (surface != nullptr) surface->GetCaps(&caps);
    return (caps.dwCaps & DDSCAPS_VIDEOMEMORY) != 0 ? "VIDEOMEMORY" : "SYSTEMMEMORY";
}

void Release(IDirectDrawSurface7*& surface) {
    if (surface != nullptr) surface->Release();
    surface = nullptr;
}

// The default palette of 8-bit screens: a 6 x 6 x 6 colour cube, then a grey ramp.
void DefaultPalette(PALETTEENTRY entries[256]) {
    for (int i = 0; i < 256; ++i) {
        if (i < 216) {
            entries[i] = PALETTEENTRY{static_cast<BYTE>((i / 36) * 51), static_cast<BYTE>(((i / 6) % 6) * 51),
                                      static_cast<BYTE>((i % 6) * 51), 0};
        } else {
            const BYTE grey = static_cast<BYTE>((i - 216) * 255 / 39);
            entries[i] = PALETTEENTRY{grey, grey, grey, 0};
        }
    }
}

HRESULT SetPaletteOnAttachedSurface(IDirectDrawSurface7* surface, DDSURFACEDESC2*, void* context) {
    surface->SetPalette(static_cast<IDirectDrawPalette*>(context));
    return DDENUMRET_OK;
}

}  // namespace

int CreateOutputSurfaces() {
    ScreenState* screen = GetScreenState();
    if (GetSystemBlock()->settings.skip_graphics) return 0;
    if (!screen->gdi_output && (screen->direct_draw == nullptr || screen->primary != nullptr)) return -1;
    WriteLogText("出力画面用の DirectDrawSurface を作成します\n");
    IncreaseLogIndent();
    screen->memimg_mode = IsSoftwareRendering();
    int red = 0;
    int green = 0;
    int blue = 0;
    BackgroundRgb(&red, &green, &blue);
    if (screen->memimg_mode) {
        screen->work = screen->work2 = screen->z_buffer = nullptr;
        if (!screen->gdi_output) {
            screen->primary = MakeSurface(DDSCAPS_PRIMARYSURFACE | DDSCAPS_SYSTEMMEMORY, 0, 0);
            if (screen->primary == nullptr) FatalErrorExit("プライマリサーフェスの作成に失敗しました");
            screen->back = MakeSurface(DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY, screen->width, screen->height);
            if (screen->back == nullptr) FatalErrorExit("バックサーフェスの作成に失敗しました");
            FillSurface(screen->back, MakeColorValue(red, green, blue));
        }
        const int kind = screen->current_depth == 16 ? kMemImgRgb565 : kMemImgXrgb8888;
        if (CreateMemImgScreenFormat(&screen->front_image, screen->width, screen->height, kind) < 0) {
            FatalErrorExit("プライマリサーフェス用の MEMIMG の作成に失敗しました\n");
        }
        const DDPIXELFORMAT& f = screen->pixel_format;
        const bool exact = (f.dwRGBBitCount == 32 && f.dwRBitMask == 0xFF0000 && f.dwGBitMask == 0xFF00 &&
                            f.dwBBitMask == 0xFF) ||
                           (f.dwRGBBitCount == 16 && f.dwRBitMask == 0xF800 && f.dwGBitMask == 0x07E0 &&
                            f.dwBBitMask == 0x001F);
        if (screen->back != nullptr && screen->current_depth == screen->requested_depth && exact) {
            DDSURFACEDESC2 desc{};
            desc.dwSize = sizeof(desc);
            if (FAILED(screen->back->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr))) {
                FatalErrorExit("バックサーフェスのロックに失敗しました");
            }
            std::memset(&screen->back_image, 0, sizeof(screen->back_image));
            CreateMemImg(&screen->back_image, screen->width, screen->height, desc.lPitch, 0, kind, 0, 0, 0,
                         desc.lpSurface);
        } else if (CreateMemImgScreenFormat(&screen->back_image, screen->width, screen->height, kind) < 0) {
            FatalErrorExit("バックサーフェス用の MEMIMG の作成に失敗しました\n");
        }
        if (CreateMemImgDepth16(&screen->z_image, screen->width, screen->height) < 0) {
            FatalErrorExit("Ｚバッファサーフェス用の MEMIMG の作成に失敗しました\n");
        }
        for (MEMIMG* image : {&screen->front_image, &screen->back_image}) {
            FillMemImgRectRaw(image, nullptr,
                              MakeColorValueInFormat(image->block->format, static_cast<std::uint32_t>(red),
                                                     static_cast<std::uint32_t>(green),
                                                     static_cast<std::uint32_t>(blue), 255));
        }
    } else {
        screen->current_depth = screen->requested_depth;
        const std::uint32_t background = MakeColorValue(red, green, blue);
        if (GetSystemBlock()->settings.window_mode) {
            screen->primary = MakeSurface(DDSCAPS_PRIMARYSURFACE | DDSCAPS_3DDEVICE, 0, 0);
            if (screen->primary == nullptr) FatalErrorExit("プライマリサーフェスの作成に失敗しました");
            screen->back = MakeSurface(DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE, screen->width, screen->height);
            if (screen->back == nullptr) FatalErrorExit("バックサーフェスの作成に失敗しました");
            FillSurface(screen->back, background);
        } else {
            DDSURFACEDESC2 desc{};
            desc.dwSize = sizeof(desc);
            desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
            desc.dwBackBufferCount = 1;
            desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE;
            if (FAILED(screen->direct_draw->CreateSurface(&desc, &screen->primary, nullptr))) {
                FatalErrorExit("プライマリサーフェスの作成に失敗しました");
            }
            DDSCAPS2 back_caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
            if (FAILED(screen->primary->GetAttachedSurface(&back_caps, &screen->back))) {
                FatalErrorExit("バックバッファのポインタ取得に失敗しました");
            }
            for (int i = 0; i < 3; ++i) {
                FillSurface(screen->back, background);
                screen->primary->Flip(nullptr, DDFLIP_NOVSYNC);
            }
        }
        if (screen->temp_primary_mode) {
            screen->temp_primary = MakeSurface(DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE, screen->width, screen->height);
            if (screen->temp_primary == nullptr) FatalErrorExit("テンポラリプライマリサーフェスの作成に失敗しました");
            FillSurface(screen->temp_primary, background);
        }
        if (GetSystemBlock()->os_code == kOsCodeVista) {
            screen->temp_320 = MakeSurface(DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE, 320, 240);
            if (screen->temp_320 == nullptr) FatalErrorExit("320x240用テンポラリプライマリサーフェスの作成に失敗しました");
            FillSurface(screen->temp_320, background);
        }
        DDCOLORKEY key{0, 0};
        screen->work = MakeSurface(DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY, screen->width, screen->height);
        if (screen->work == nullptr) FatalErrorExit("作業用サーフェスの作成に失敗しました");
        screen->work->SetColorKey(DDCKEY_SRCBLT, &key);
        screen->work2 = MakeSurface(DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY, screen->width, screen->height);
        if (screen->work2 == nullptr) FatalErrorExit("作業用サーフェス２の作成に失敗しました");
        screen->work2->SetColorKey(DDCKEY_SRCBLT, &key);
        DDSURFACEDESC2 z{};
        z.dwSize = sizeof(z);
        z.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        z.dwWidth = static_cast<DWORD>(screen->width);
        z.dwHeight = static_cast<DWORD>(screen->height);
        z.ddsCaps.dwCaps = DDSCAPS_ZBUFFER | DDSCAPS_VIDEOMEMORY;
        z.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
        z.ddpfPixelFormat.dwFlags = DDPF_ZBUFFER;
        z.ddpfPixelFormat.dwZBufferBitDepth = 16;
        z.ddpfPixelFormat.dwZBitMask = 0xFFFF;
        if (FAILED(screen->direct_draw->CreateSurface(&z, &screen->z_buffer, nullptr))) {
            screen->z_buffer = nullptr;
            WriteLogText("Ｚバッファの作成に失敗しました\n");
        } else {
            screen->back->AddAttachedSurface(screen->z_buffer);
        }
    }
    WriteLogText("各スクリーンメモリの配置位置\n");
    IncreaseLogIndent();
    if (screen->memimg_mode) {
        WriteLogFormat("PrimaryBuffer : SYSTEMMEMORY( MEMIMG ) ");
        WriteLogFormat("BaskBuffer : SYSTEMMEMORY( MEMIMG ) ");
    } else {
        WriteLogFormat("PrimaryBuffer : %s  ", MemoryName(screen->primary));
        WriteLogFormat("BaskBuffer : %s  ", MemoryName(screen->back));
    }
    DecreaseLogIndent();
    DecreaseLogIndent();
    WriteLogText("出力画面用の DirectDrawSurface の作成は正常に終了しました\n");
    return 0;
}

int ReleaseOutputSurfaces() {
    ScreenState* screen = GetScreenState();
    if (!screen->gdi_output && screen->direct_draw == nullptr) return -1;
    if (IsSoftwareRendering() && screen->back != nullptr &&
        screen->current_depth == screen->requested_depth) {
        screen->back->Unlock(nullptr);
    }
    if (screen->z_buffer != nullptr) {
        if (screen->back != nullptr) screen->back->DeleteAttachedSurface(0, screen->z_buffer);
        Release(screen->z_buffer);
    }
    if (screen->primary != nullptr) {
        WriteLogText("メインサーフェスを破棄をします... 完了しました\n");
        screen->primary->SetClipper(nullptr);
        Release(screen->back);
        Release(screen->primary);
    }
    Release(screen->back);
    Release(screen->temp_primary);
    Release(screen->temp_320);
    Release(screen->work);
    Release(screen->work2);
    if (screen->memimg_mode) {
        ReleaseMemImg(&screen->front_image);
        ReleaseMemImg(&screen->back_image);
        ReleaseMemImg(&screen->z_image);
        std::memset(&screen->front_image, 0, sizeof(MEMIMG));
        std::memset(&screen->back_image, 0, sizeof(MEMIMG));
        std::memset(&screen->z_image, 0, sizeof(MEMIMG));
        screen->memimg_mode = 0;
    }
    // The draw target pointed into what was just released.
    screen->target_surface = nullptr;
    screen->target_image = nullptr;
    screen->target_depth_image = nullptr;
    return 0;
}

int RestoreLostSurfaces() {
    ScreenState* screen = GetScreenState();
    if (screen->direct_draw == nullptr) return -1;
    if (GetDrawSettings()->graphics_off) return 0;
    for (IDirectDrawSurface7* surface :
         {screen->primary, screen->temp_primary, screen->temp_320, screen->back, screen->z_buffer}) {
        if (surface != nullptr && surface->IsLost() == DDERR_SURFACELOST) surface->Restore();
    }
    return 0;
}

int CreateScreenPalette() {
    ScreenState* screen = GetScreenState();
    if (screen->direct_draw == nullptr || screen->palette != nullptr || screen->requested_depth != 8) return 0;
    DefaultPalette(screen->palette_entries);
    if (FAILED(screen->direct_draw->CreatePalette(DDPCAPS_8BIT, screen->palette_entries, &screen->palette, nullptr))) {
        FatalErrorExit("パレットの作成に失敗しました");
    }
    if (screen->primary != nullptr) screen->primary->SetPalette(screen->palette);
    if (GetSystemBlock()->settings.window_mode) {
        if (screen->back != nullptr) screen->back->SetPalette(screen->palette);
    } else if (screen->primary != nullptr) {
        screen->primary->EnumAttachedSurfaces(screen->palette, &SetPaletteOnAttachedSurface);
    }
    return 0;
}

int RefreshScreenPalette() {
    ScreenState* screen = GetScreenState();
    if (screen->requested_depth != 8) return 0;
    PALETTEENTRY kept[256];
    std::memcpy(kept, screen->palette_entries, sizeof(kept));
    CreateScreenPalette();
    std::memcpy(screen->palette_entries, kept, sizeof(kept));
    if (screen->palette != nullptr) {
        screen->palette->SetEntries(0, 0, 256, screen->palette_entries);
        screen->palette->GetEntries(0, 0, 256, screen->palette_entries);
    }
    return 0;
}

int ReleaseClipper() {
    ScreenState* screen = GetScreenState();
    if (screen->clipper != nullptr) screen->clipper->Release();
    screen->clipper = nullptr;
    return 0;
}

int RecreateClipper() {
    ScreenState* screen = GetScreenState();
    if (screen->direct_draw == nullptr) return 0;
    ReleaseClipper();
    IDirectDrawClipper* clipper = nullptr;
    if (FAILED(screen->direct_draw->CreateClipper(0, &clipper, nullptr)) ||
        FAILED(clipper->SetHWnd(0, screen->window))) {
        if (clipper != nullptr) clipper->Release();
        WriteLogText("ＤｉｒｅｃｔＤｒａｗＣｌｉｐｐｅｒオブジェクトの作成に失敗しました\n");
        FatalErrorExit("クリッパーオブジェクトの作成失敗しました");
    }
    screen->clipper = clipper;
    return 0;
}

int ReleaseDirectDrawObject() {
    ScreenState* screen = GetScreenState();
    WriteLogText("ＤｉｒｅｃｔＤｒａｗオブジェクトを解放します\n");
    if (!screen->gdi_output && screen->direct_draw == nullptr) {
        WriteLogText("既に解放されています\n");
        return 0;
    }
    LeaveProgramDisplayMode();
    if (screen->palette != nullptr) {
        screen->palette->Release();
        screen->palette = nullptr;
    }
    ReleaseClipper();
    if (screen->direct_draw != nullptr) {
        screen->direct_draw->Release();
        screen->direct_draw = nullptr;
    }
    WriteLogText("ＤｉｒｅｃｔＤｒａｗオブジェクトを解放しました\n");
    return 0;
}

int LeaveProgramDisplayMode() {
    ScreenState* screen = GetScreenState();
    if (GetSystemBlock()->settings.window_mode || !screen->display_mode_changed) return 0;
    if (screen->gdi_output) {
        ChangeDisplaySettingsA(nullptr, 0);
    } else if (screen->direct_draw != nullptr) {
        screen->direct_draw->SetCooperativeLevel(screen->window, DDSCL_NORMAL);
        screen->direct_draw->RestoreDisplayMode();
        screen->display_mode_changed = 0;
    }
    return 0;
}

int RecreateDirectDrawObject() {
    ScreenState* screen = GetScreenState();
    if (screen->direct_draw != nullptr) return 0;
    if (CreateDirectDrawObject(&screen->direct_draw) == -1) {
        FatalErrorExit("DirectDraw オブジェクトの作成処理時にエラーが発生しました");
    }
    ReapplyScreenDisplayMode();
    if (!screen->gdi_output) RecreateClipper();
    return 0;
}

int ReapplyScreenDisplayMode() {
    ScreenState* screen = GetScreenState();
    int desktop_width = 0;
    int desktop_height = 0;
    ReadLiveDesktopInfo(&desktop_width, &desktop_height, nullptr);
    SetScreenDisplayMode(screen->direct_draw, desktop_width, desktop_height, screen->width, screen->height,
                         screen->requested_depth, nullptr, &screen->cooperative_flags,
                         GetSystemBlock()->settings.window_mode, &screen->display_mode_changed, screen->window);
    return 0;
}
