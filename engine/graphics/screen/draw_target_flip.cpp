// Where drawing goes and how a finished frame reaches the screen: the draw-target
// selection with its clipper binding, the full-screen flip, the present to the window by
// DirectDraw or GDI (with the image's real pitch and the dirty area in place), the
// surface-to-surface copy, the bounded vertical-blank waits and the front-copy timer.
#include <cstring>

#include "engine/core/core.h"
#include "engine/core/core_shell_hooks.h"
#include "engine/d3d/d3d.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/draw/draw_state_access.h"
#include "engine/graphics/graphics.h"
#include "engine/graphics/graphs/graph_draw_target.h"
#include "engine/graphics/screen/screen_internal.h"
#include "engine/pixels/pixels.h"
#include "platform/gdi.h"
#include "platform/kernel.h"

namespace {

constexpr UINT_PTR kFrontCopyTimer = 32767;
constexpr UINT kFrontCopyPeriod = 17;
// A blank wait never polls for longer than this: a display that stops answering cannot
// hold the program.
constexpr DWORD kBlankPollLimitMs = 100;

// Draws the on-screen log over the frame, once text was sent to it, over the whole
// screen without blending or tint; the draw settings are put back after, with the
// renderer's state that derives from them.
void DrawScreenLogOverFrame() {
    if (!GetGraphicsFontHooks()->is_screen_log_used()) return;
    DrawSettingsBlock* settings = GetDrawSettings();
    const RECT area = settings->draw_area;
    float area_float[4];
    std::memcpy(area_float, settings->draw_area_float, sizeof area_float);
    std::int32_t requested[4];
    std::memcpy(requested, settings->requested_area, sizeof requested);
    const std::int32_t empty = settings->empty_area;
    const std::int32_t mode = settings->blend_mode;
    const std::int32_t value = settings->blend_value;
    std::uint8_t bright[4];
    std::memcpy(bright, settings->bright, sizeof bright);
    int width = 0;
    int height = 0;
    ReadScreenSize(&width, &height);
    SetDrawClipArea(0, 0, width, height);
    settings->blend_mode = kBlendNone;
    settings->blend_value = 0;
    settings->bright[0] = settings->bright[1] = settings->bright[2] = 255;
    GetGraphicsFontHooks()->draw_screen_log();
    settings->draw_area = area;
    std::memcpy(settings->draw_area_float, area_float, sizeof area_float);
    std::memcpy(settings->requested_area, requested, sizeof requested);
    settings->empty_area = empty;
    settings->blend_mode = mode;
    settings->blend_value = value;
    std::memcpy(settings->bright, bright, sizeof bright);
    // The log's glyph draws left the renderer's own copies of these settings (the vertex
    // colour, the viewport) at the log's: they follow the settings put back, or the next
    // frame would be drawn untinted, opaque and over the whole screen.
    if (IsDirect3DUp()) {
        UpdateVertexDiffuseColor(*settings);
        if (!settings->empty_area) SetViewportFromRect(&settings->draw_area, *settings);
        NotifyDirect3DStateChange();
    }
}

void FrontCopyTimerProc(HWND window, UINT, UINT_PTR id, DWORD) {
    KillTimer(window, id);
    ScreenState* screen = GetScreenState();
    if (screen->primary == nullptr) return;
    CopyTempPrimaryToFront();
    SetTimer(window, kFrontCopyTimer, kFrontCopyPeriod, &FrontCopyTimerProc);
}

bool WindowMode() { return GetSystemBlock()->settings.window_mode != 0; }

void BindClipper(bool give) {
    ScreenState* screen = GetScreenState();
    if (screen->gdi_output || screen->primary == nullptr) return;
    if (WindowMode() || screen->gdi_visible_request || IsMenuUsed()) {
        screen->primary->SetClipper(give ? screen->clipper : nullptr);
    }
}

// The GDI present of the back image: `source` in image pixels, `destination` in client
// coordinates. The DIB is described as wide as the image's pitch, so rows line up
// whatever padding the image has.
void PresentByGdi(const MEMIMG& image, const RECT& source, const RECT& destination) {
    HWND window = GetMainWindowHandle();
    HDC dc = GetDC(window);
    if (dc == nullptr) return;
    const MemImgDibHeader info = DescribeMemImgAsDib(image);
    const BITMAPINFO* bitmap_info = reinterpret_cast<const BITMAPINFO*>(&info);
    const int source_width = source.right - source.left;
    const int source_height = source.bottom - source.top;
    const int destination_width = destination.right - destination.left;
    const int destination_height = destination.bottom - destination.top;
    if (destination_width == image.width && destination_height == image.height && source_width == image.width &&
        source_height == image.height) {
        SetDIBitsToDevice(dc, destination.left, destination.top, static_cast<DWORD>(image.width),
                          static_cast<DWORD>(image.height), 0, 0, 0, static_cast<UINT>(image.height), image.pixels,
                          bitmap_info, DIB_RGB_COLORS);
    } else {
        // Source rows are counted from the bottom of the image.
        StretchDIBits(dc, destination.left, destination.top, destination_width, destination_height, source.left,
                      image.height - source.top - source_height, source_width, source_height, image.pixels,
                      bitmap_info, DIB_RGB_COLORS, SRCCOPY);
    }
    ReleaseDC(window, dc);
}

}  // namespace

void KillFrontCopyTimer() {
    HWND window = GetMainWindowHandle();
    if (window != nullptr) KillTimer(window, kFrontCopyTimer);
}

int SelectDrawTarget(int target, int previous) {
    ScreenState* screen = GetScreenState();
    DrawSettingsBlock* settings = GetDrawSettings();
    screen->target_image = nullptr;
    if (previous == kDrawTargetFront && screen->temp_primary_mode) {
        KillFrontCopyTimer();
        CopyTempPrimaryToFront();
    }
    // A graph target may hold a view of its piece; a screen buffer needs none.
    if (target == kDrawTargetFront || target == kDrawTargetBack) ReleaseGraphDrawTarget();
    if (target == kDrawTargetFront) {
        screen->target_surface = screen->temp_primary_mode ? screen->temp_primary : screen->primary;
        screen->target_image = IsMemImgValid(&screen->front_image) ? &screen->front_image : nullptr;
        screen->target_depth_image = nullptr;
        screen->target_x = screen->target_y = 0;
        BindClipper(false);
        if (!screen->gdi_output && screen->temp_primary_mode && screen->primary != nullptr) {
            screen->primary->SetClipper(screen->clipper);
            CopyFrontToTempPrimary();
            SetTimer(GetMainWindowHandle(), kFrontCopyTimer, kFrontCopyPeriod, &FrontCopyTimerProc);
        }
    } else if (target == kDrawTargetBack) {
        screen->target_surface = screen->back;
        screen->target_image = IsMemImgValid(&screen->back_image) ? &screen->back_image : nullptr;
        screen->target_depth_image = IsMemImgValid(&screen->z_image) ? &screen->z_image : nullptr;
        screen->target_x = screen->target_y = 0;
        BindClipper(true);
    } else {
        if (SelectGraphDrawTarget(target, screen) != 0) {
            screen->target_surface = nullptr;
            settings->target_in_video_memory = 0;
            return -1;
        }
        BindClipper(true);
    }
    settings->target_in_video_memory = 0;
    if (screen->target_surface != nullptr) {
        DDSCAPS2 caps{};
        screen->target_surface->GetCaps(&caps);
        settings->target_in_video_memory = caps.dwCaps & DDSCAPS_VIDEOMEMORY;
    }
    return 0;
}

int FlipScreen() {
    ScreenState* screen = GetScreenState();
    DrawSettingsBlock* settings = GetDrawSettings();
    if (!IsScreenUp()) return -1;
    GetShellHooks()->wait_while_inactive();
    const bool real_flip = !IsSoftwareRenderChosen() && !screen->gdi_visible_request && !screen->gdi_output &&
                           !WindowMode() && !IsMenuUsed() && !settings->half_size_mode && screen->primary != nullptr;
    if (!real_flip) return PresentToWindow(nullptr);
    DrawScreenLogOverFrame();
    if (settings->draw_target == kDrawTargetFront && !settings->no_vsync) {
        CountFlip();
        return WaitVBlankCount(1);
    }
    FlushCurrentVertexBatch();
    EndSceneD3D();
    const DWORD flags = DDFLIP_WAIT | (settings->no_vsync ? DDFLIP_NOVSYNC : 0u);
    screen->primary->Flip(nullptr, flags);
    if (!settings->no_vsync) Sleep(1);
    CountFlip();
    return 0;
}

int PresentToWindow(const RECT* dirty_area) {
    ScreenState* screen = GetScreenState();
    DrawSettingsBlock* settings = GetDrawSettings();
    if (!IsScreenUp()) return -1;
    DrawScreenLogOverFrame();
    if (settings->draw_target == kDrawTargetFront) {
        CountFlip();
        // Without the vertical-blank wait nothing is waited for.
        return settings->no_vsync ? 0 : WaitVBlankCount(1);
    }
    int width = 0;
    int height = 0;
    ReadScreenSize(&width, &height);
    RECT source{0, 0, width, height};
    const bool halved = settings->half_size_mode && width == 640 && height == 480;
    if (halved) source = RECT{0, 0, 320, 240};
    RECT client{0, 0, 0, 0};
    RECT destination = source;
    RECT client_destination = source;  // the destination in client coordinates
    const bool window_mode = WindowMode();
    if (window_mode) {
        GetShellHooks()->get_screen_client_rect(&client);
        const double scale = GetWindowScaleFactor();
        destination = RECT{client.left, client.top, client.left + static_cast<LONG>(width * scale),
                           client.top + static_cast<LONG>(height * scale)};
        client_destination = RECT{0, 0, destination.right - destination.left, destination.bottom - destination.top};
        if (dirty_area != nullptr && !halved) {
            destination = RECT{client.left + dirty_area->left, client.top + dirty_area->top,
                               client.left + dirty_area->right, client.top + dirty_area->bottom};
            client_destination = *dirty_area;
            source = RECT{static_cast<LONG>(dirty_area->left / scale), static_cast<LONG>(dirty_area->top / scale),
                          static_cast<LONG>(dirty_area->right / scale), static_cast<LONG>(dirty_area->bottom / scale)};
        }
    }
    const bool wait = settings->no_vsync == 0;
    if (!IsSoftwareRendering()) {
        FlushCurrentVertexBatch();
        EndSceneD3D();
        if (screen->back == nullptr || screen->primary == nullptr) return -1;
        if (wait) WaitVerticalBlank();
        if (window_mode) {
            screen->primary->Blt(&destination, screen->back, &source, DDBLT_WAIT, nullptr);
        } else if (!screen->gdi_visible_request && !IsMenuUsed() && !halved) {
            screen->primary->BltFast(0, 0, screen->back, &source, DDBLTFAST_WAIT);
        } else {
            screen->primary->Blt(nullptr, screen->back, &source, DDBLT_WAIT, nullptr);
        }
        CountFlip();
        return 0;
    }
    const DWORD started = timeGetTime();
    if (!screen->gdi_output) {
        // Software rendering over DirectDraw surfaces.
        if (screen->back == nullptr || screen->primary == nullptr) return -1;
        if (IsMemImgValid(&screen->back_image) && screen->back_image.block->caller_owns_pixels) {
            screen->back->Unlock(nullptr);
            if (wait) WaitVerticalBlank();
            screen->primary->Blt(window_mode ? &destination : nullptr, screen->back, &source, DDBLT_WAIT, nullptr);
            DDSURFACEDESC2 desc{};
            desc.dwSize = sizeof(desc);
            if (FAILED(screen->back->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr))) {
                FatalErrorExit("バックサーフェスのロックに失敗しました");
            }
            const int kind = screen->back_image.block->kind;
            ReleaseMemImg(&screen->back_image);
            std::memset(&screen->back_image, 0, sizeof(MEMIMG));
            CreateMemImg(&screen->back_image, width, height, desc.lPitch, 0, kind, 0, 0, 0, desc.lpSurface);
        } else {
            DDSURFACEDESC2 desc{};
            desc.dwSize = sizeof(desc);
            if (FAILED(screen->back->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr))) {
                FatalErrorExit("バックサーフェスのロックに失敗しました");
            }
            const MEMIMG& image = screen->back_image;
            const RECT whole{0, 0, width, height};
            ConvertColorBlt({.dest = desc.lpSurface, .dest_pitch = desc.lPitch, .dest_format = &screen->color_format,
                             .src = image.pixels, .src_pitch = image.block->pitch, .src_format = image.block->format,
                             .src_rect = &whole});
            screen->back->Unlock(nullptr);
            if (wait) WaitVerticalBlank();
            screen->primary->Blt(window_mode ? &destination : nullptr, screen->back, &source, DDBLT_WAIT, nullptr);
        }
    } else {
        if (!IsMemImgValid(&screen->back_image)) return 0;
        if (wait) WaitVerticalBlank();
        PresentByGdi(screen->back_image, source, client_destination);
    }
    screen->last_software_present = static_cast<std::int32_t>(timeGetTime() - started);
    screen->front_image_stale = 1;
    CountFlip();
    return 0;
}

int CopySurfaceRect(IDirectDrawSurface7* destination, IDirectDrawSurface7* source, int x, int y, const RECT* rect,
                    int method) {
    if (method == -1) method = GetScreenState()->copy_by_bitblt;
    RECT copy = *rect;
    if (method == 0) {
        return SUCCEEDED(destination->BltFast(static_cast<DWORD>(x), static_cast<DWORD>(y), source, &copy,
                                              DDBLTFAST_NOCOLORKEY))
                   ? 0
                   : -1;
    }
    HDC to = nullptr;
    HDC from = nullptr;
    if (FAILED(destination->GetDC(&to))) return -1;
    if (FAILED(source->GetDC(&from))) {
        destination->ReleaseDC(to);
        return -1;
    }
    const BOOL done = BitBlt(to, x, y, rect->right - rect->left, rect->bottom - rect->top, from, rect->left,
                             rect->top, SRCCOPY);
    GdiFlush();
    source->ReleaseDC(from);
    destination->ReleaseDC(to);
    return done ? 0 : -1;
}

void WaitVerticalBlank() {
    ScreenState* screen = GetScreenState();
    IDirectDraw7* object = screen->direct_draw;
    const DWORD now = timeGetTime();
    if (object != nullptr) {
        if (screen->wait_threshold < 0 || static_cast<int>(now - screen->last_vblank_wait) >= screen->wait_threshold) {
            Sleep(0);
            BOOL blank = FALSE;
            object->GetVerticalBlankStatus(&blank);
            if (!blank) object->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
        } else {
            while (static_cast<int>(timeGetTime() - screen->last_vblank_wait) < screen->wait_threshold) Sleep(1);
            object->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
        }
    }
    screen->last_vblank_wait = timeGetTime();
}

int WaitVBlankCount(int count) {
    ScreenState* screen = GetScreenState();
    IDirectDraw7* object = screen->direct_draw;
    if (object == nullptr) return -1;
    if (GetDrawSettings()->graphics_off) return 0;
    GetShellHooks()->wait_while_inactive();
    // Polls until the blank status equals `wanted`; false when message processing
    // reported something (or the display stopped answering).
    auto poll_until = [&](BOOL wanted, int* message_result) {
        const DWORD start = timeGetTime();
        for (;;) {
            *message_result = GetShellHooks()->pump_messages();
            if (*message_result != 0) return false;
            BOOL blank = FALSE;
            object->GetVerticalBlankStatus(&blank);
            if ((blank != FALSE) == (wanted != FALSE)) return true;
            if (timeGetTime() - start > kBlankPollLimitMs) return false;
        }
    };
    int message_result = 0;
    if (count == 0) {
        poll_until(TRUE, &message_result);
        return 0;
    }
    for (int i = 0; i < count; ++i) {
        if (poll_until(FALSE, &message_result)) poll_until(TRUE, &message_result);
        if (message_result < 0) return -1;
    }
    return 0;
}

int CopyFrontToTempPrimary() {
    ScreenState* screen = GetScreenState();
    if (screen->temp_primary == nullptr || screen->primary == nullptr) return 0;
    RECT client{};
    GetShellHooks()->get_screen_client_rect(&client);
    RECT from{client.left, client.top, client.left + screen->width, client.top + screen->height};
    RECT to{0, 0, screen->width, screen->height};
    screen->temp_primary->Blt(&to, screen->primary, &from, DDBLT_WAIT, nullptr);
    return 0;
}

int CopyTempPrimaryToFront() {
    ScreenState* screen = GetScreenState();
    if (screen->temp_primary == nullptr || screen->primary == nullptr) return 0;
    RECT client{};
    GetShellHooks()->get_screen_client_rect(&client);
    RECT to{client.left, client.top, client.left + screen->width, client.top + screen->height};
    RECT from{0, 0, screen->width, screen->height};
    screen->primary->Blt(&to, screen->temp_primary, &from, DDBLT_WAIT, nullptr);
    return 0;
}
