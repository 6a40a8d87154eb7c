// Masks: the mask handle table and the mask screen with the brackets around each draw:
// before it the target's rectangle is kept (in the mask MEMIMG or the work surface), after
// it the kept pixels come back wherever the mask forbids drawing. Relies on MEMIMG images,
// the conversion blit, DirectDraw surfaces, the screen record and the draw settings.
#include "engine/graphics/draw/masks.h"

#include <algorithm>
#include <cstring>

#include "engine/core/core.h"
#include "engine/core/core_shell_hooks.h"
#include "engine/d3d/d3d.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/graphs/memimg_transfer.h"
#include "engine/graphics/screen/screen_internal.h"
#include "engine/pixels/pixels.h"

MaskSlot g_mask_slots[kMaskSlots];
MaskScreenState g_mask_screen;

namespace {

// The rectangle cut to the draw area and to the screen (the mask bytes and the keep
// image are screen-sized); false when nothing is left.
bool ClipToDrawArea(int left, int top, int right, int bottom, RECT* out) {
    RECT rect = OrderedRect(left, top, right, bottom);
    ClipRectToRect(&rect, &GetDrawSettings()->draw_area);
    int width = 0;
    int height = 0;
    ReadScreenSize(&width, &height);
    const RECT screen{0, 0, width, height};
    ClipRectToRect(&rect, &screen);
    *out = rect;
    return !IsRectEmpty(rect);
}

// Whether the keep image of the current mode exists.
bool KeepImageExists() { return IsSoftwareRendering() ? g_mask_screen.memimg_made != 0 : g_mask_screen.work_surface != nullptr; }

// Where the rectangle lies on the target surface: the front buffer outside software
// mode is the whole desktop, so the window's client origin is added.
RECT OnTargetSurface(const RECT& rect) {
    if (GetDrawSettings()->draw_target != kDrawTargetFront || IsSoftwareRendering()) return rect;
    RECT client{};
    GetShellHooks()->get_screen_client_rect(&client);
    return MovedRect(rect, client.left, client.top);
}

// The draw target as the brackets take it: its MEMIMG when it is held in a valid one,
// else its DirectDraw surface.
void CurrentTarget(MEMIMG** image, IDirectDrawSurface7** surface) {
    const ScreenState* screen = GetScreenState();
    *image = screen->target_image != nullptr && IsMemImgValid(screen->target_image) ? screen->target_image : nullptr;
    *surface = *image == nullptr ? screen->target_surface : nullptr;
}

// A target surface's rectangle sits at the target's origin on its image (a derived graph
// is a part of a larger one), and the working copies draw into the work surface at that
// same place. The rectangle is cut so that it stays on the screen-sized work surface there;
// false when nothing is left.
bool ClipToWorkAtOrigin(RECT* rect, POINT* origin) {
    const ScreenState* screen = GetScreenState();
    *origin = POINT{screen->target_x, screen->target_y};
    int width = 0;
    int height = 0;
    ReadScreenSize(&width, &height);
    const RECT room{-origin->x, -origin->y, width - origin->x, height - origin->y};
    ClipRectToRect(rect, &room);
    return !IsRectEmpty(*rect);
}

int ScreenBytesPerPixel() {
    const int depth = GetScreenBitDepth();
    return (depth != 0 ? depth : 16) / 8;
}

// Software mode: cuts the rectangle to the target image and the keep image; the bytes per
// pixel of both, or 0 when there is nothing to keep (no image, formats of other sizes, or
// nothing left of the rectangle).
int ClipToKeepImage(const MEMIMG* image, RECT* rect) {
    if (image == nullptr) return 0;
    const int bytes = MemImgBytesPerPixel(image);
    if (bytes != MemImgBytesPerPixel(&g_mask_screen.memimg)) return 0;
    rect->right = std::min<LONG>(rect->right, std::min(image->width, g_mask_screen.memimg.width));
    rect->bottom = std::min<LONG>(rect->bottom, std::min(image->height, g_mask_screen.memimg.height));
    return !IsRectEmpty(*rect) ? bytes : 0;
}

// Keeps the rectangle of the target before a draw: in the mask MEMIMG in software mode,
// else in the work surface, where the working copies then draw.
int SaveRectForMask(int left, int top, int right, int bottom, IDirectDrawSurface7* surface, const MEMIMG* image) {
    if (!KeepImageExists()) return 0;
    EndSceneD3D();
    RECT rect{};
    if (!ClipToDrawArea(left, top, right, bottom, &rect)) return 0;
    if (IsSoftwareRendering()) {
        // The target's pixels are kept as they are (an alpha channel included), so that the
        // ones put back are exactly the ones that were there.
        const int bytes = ClipToKeepImage(image, &rect);
        if (bytes == 0) return 0;
        const std::size_t row = static_cast<std::size_t>(rect.right - rect.left) * static_cast<std::size_t>(bytes);
        for (int y = rect.top; y < rect.bottom; ++y) {
            std::memcpy(g_mask_screen.memimg.pixels + static_cast<std::ptrdiff_t>(y) * g_mask_screen.memimg.block->pitch +
                            static_cast<std::ptrdiff_t>(rect.left) * bytes,
                        image->pixels + static_cast<std::ptrdiff_t>(y) * image->block->pitch +
                            static_cast<std::ptrdiff_t>(rect.left) * bytes,
                        row);
        }
        return 0;
    }
    if (surface != nullptr) {
        POINT origin{};
        if (!ClipToWorkAtOrigin(&rect, &origin)) return 0;
        RECT from = MovedRect(OnTargetSurface(rect), origin.x, origin.y);
        g_mask_screen.work_surface->BltFast(static_cast<DWORD>(rect.left + origin.x), static_cast<DWORD>(rect.top + origin.y),
                                     surface, &from, DDBLTFAST_NOCOLORKEY | DDBLTFAST_WAIT);
        return 0;
    }
    if (image == nullptr) return 0;
    if (rect.right > image->width || rect.bottom > image->height) {
        rect.right = std::min<LONG>(rect.right, image->width);
        rect.bottom = std::min<LONG>(rect.bottom, image->height);
        if (IsRectEmpty(rect)) return 0;
    }
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    if (FAILED(g_mask_screen.work_surface->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr))) return -1;
    ConvertColorBlt({.dest = desc.lpSurface, .dest_pitch = desc.lPitch, .dest_format = GetScreenColorFormat(),
                     .src = image->pixels, .src_pitch = image->block->pitch, .src_format = image->block->format,
                     .dest_x = rect.left, .dest_y = rect.top, .src_rect = &rect});
    g_mask_screen.work_surface->Unlock(nullptr);
    return 0;
}

// Sets the pixels of the work surface that the mask forbids to the key colour, which the
// copy back then skips; the work surface holds the drawing (the working copies drew
// into it).
void KeyForbiddenPixels(std::uint8_t* kept, int pitch, int bytes, const RECT& rect, const POINT& origin) {
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = rect.left; x < rect.right; ++x) {
            const std::uint8_t m = g_mask_screen.bytes[static_cast<std::ptrdiff_t>(y) * g_mask_screen.pitch + x];
            const bool allowed = g_mask_screen.reverse == 0 ? m != 0 : m == 0;
            if (allowed) continue;
            std::uint8_t* at = kept + static_cast<std::ptrdiff_t>(y + origin.y) * pitch +
                               static_cast<std::ptrdiff_t>(x + origin.x) * bytes;
            const std::uint32_t key = g_mask_screen.key_color;
            std::memcpy(at, &key, static_cast<std::size_t>(bytes));
        }
    }
}

// After the draw: wherever the mask forbids drawing the target ends as it was before it;
// elsewhere it shows the drawing (from the work surface outside software mode).
int ApplyMaskToRect(int left, int top, int right, int bottom, IDirectDrawSurface7* surface, MEMIMG* image) {
    if (!g_mask_screen.active || !KeepImageExists()) return 0;
    EndSceneD3D();
    RECT rect{};
    if (!ClipToDrawArea(left, top, right, bottom, &rect)) return 0;
    if (IsSoftwareRendering()) {
        const int bytes = ClipToKeepImage(image, &rect);
        if (bytes == 0) return 0;
        // The drawing went to the target, the keep image holds it as it was. A target pixel
        // comes back from the keep image where the mask forbids drawing, and also where the
        // drawing left the key colour, as the colour-keyed copy back of the work surface
        // does outside software mode.
        for (int y = rect.top; y < rect.bottom; ++y) {
            for (int x = rect.left; x < rect.right; ++x) {
                const std::uint8_t m = g_mask_screen.bytes[static_cast<std::ptrdiff_t>(y) * g_mask_screen.pitch + x];
                const bool allowed = g_mask_screen.reverse == 0 ? m != 0 : m == 0;
                std::uint8_t* drawn = image->pixels + static_cast<std::ptrdiff_t>(y) * image->block->pitch +
                                      static_cast<std::ptrdiff_t>(x) * bytes;
                std::uint32_t value = 0;
                std::memcpy(&value, drawn, static_cast<std::size_t>(bytes));
                if (allowed && value != g_mask_screen.key_color) continue;
                std::memcpy(drawn,
                            g_mask_screen.memimg.pixels + static_cast<std::ptrdiff_t>(y) * g_mask_screen.memimg.block->pitch +
                                static_cast<std::ptrdiff_t>(x) * bytes,
                            static_cast<std::size_t>(bytes));
            }
        }
        return 0;
    }
    POINT origin{0, 0};
    if (surface != nullptr && !ClipToWorkAtOrigin(&rect, &origin)) return 0;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    if (FAILED(g_mask_screen.work_surface->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr))) return -1;
    KeyForbiddenPixels(static_cast<std::uint8_t*>(desc.lpSurface), static_cast<int>(desc.lPitch), ScreenBytesPerPixel(),
                       rect, origin);
    g_mask_screen.work_surface->Unlock(nullptr);
    if (surface != nullptr) {
        const RECT to = MovedRect(OnTargetSurface(rect), origin.x, origin.y);
        RECT from = MovedRect(rect, origin.x, origin.y);
        surface->BltFast(static_cast<DWORD>(to.left), static_cast<DWORD>(to.top), g_mask_screen.work_surface, &from,
                         DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT);
        return 0;
    }
    if (image == nullptr) return 0;
    rect.right = std::min<LONG>(rect.right, image->width);
    rect.bottom = std::min<LONG>(rect.bottom, image->height);
    if (IsRectEmpty(rect)) return 0;
    // A work surface in video memory is read through the screen's work surface.
    IDirectDrawSurface7* readable = g_mask_screen.work_surface;
    IDirectDrawSurface7* screen_work = GetScreenState()->work;
    if (g_mask_screen.work_in_video_memory && screen_work != nullptr) {
        CopySurfaceRect(screen_work, g_mask_screen.work_surface, rect.left, rect.top, &rect, -1);
        readable = screen_work;
    }
    if (FAILED(readable->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_READONLY, nullptr))) return -1;
    ConvertColorBlt({.dest = image->pixels, .dest_pitch = image->block->pitch, .dest_format = image->block->format,
                     .src = desc.lpSurface, .src_pitch = desc.lPitch, .src_format = GetScreenColorFormat(),
                     .dest_x = rect.left, .dest_y = rect.top, .src_rect = &rect, .key = g_mask_screen.key_color,
                     .skip_key = 1});
    readable->Unlock(nullptr);
    return 0;
}

}  // namespace

int DeleteMaskHandle(int handle) {
    const int slot = ValidateHandleSlot(handle, kHandleKindMask, kMaskSlots);
    if (slot < 0) return -1;
    MaskSlot& mask = g_mask_slots[slot];
    if (!mask.used || !HandleCheckMatches(static_cast<std::uint32_t>(mask.check), handle)) return -1;
    if (mask.data != nullptr) TrackedFree(mask.data);
    mask = MaskSlot{};
    return 0;
}

int DeleteAllMasks() {
    for (int slot = 0; slot < kMaskSlots; ++slot) {
        if (g_mask_slots[slot].used) DeleteMaskHandle(MakeMaskHandleOfSlot(slot));
    }
    return 0;
}

int SetupMaskScreen(int flag) {
    if (flag == 0) return 0;
    int width = 0;
    int height = 0;
    ReadScreenSize(&width, &height);
    if (g_mask_screen.bytes == nullptr) {
        g_mask_screen.pitch = (width + 3) & ~3;
        const std::uint32_t bytes = static_cast<std::uint32_t>(g_mask_screen.pitch) * static_cast<std::uint32_t>(height);
        g_mask_screen.bytes = static_cast<std::uint8_t*>(TrackedCalloc(bytes != 0 ? bytes : 1, __FILE__, __LINE__));
        if (g_mask_screen.bytes == nullptr) FatalErrorExit("メモリの確保に失敗しました");
    }
    if (IsSoftwareRendering()) {
        if (!g_mask_screen.memimg_made) {
            if (CreateMemImgScreenFormat(&g_mask_screen.memimg, width, height, -1) != 0) {
                FatalErrorExit("マスク用 MEMIMG の作成に失敗しました");
            }
            g_mask_screen.memimg_made = 1;
        }
        return 0;
    }
    if (g_mask_screen.work_surface != nullptr) return 0;
    IDirectDraw7* object = GetDirectDrawObject();
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.dwWidth = static_cast<DWORD>(width);
    desc.dwHeight = static_cast<DWORD>(height);
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN |
                          (IsSoftwareRenderChosen() ? DDSCAPS_SYSTEMMEMORY : DDSCAPS_VIDEOMEMORY);
    bool made = object != nullptr && SUCCEEDED(object->CreateSurface(&desc, &g_mask_screen.work_surface, nullptr));
    if (!made && object != nullptr && (desc.ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY) != 0) {
        // A display without room in video memory still gets a mask in system memory.
        g_mask_screen.work_surface = nullptr;
        desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
        made = SUCCEEDED(object->CreateSurface(&desc, &g_mask_screen.work_surface, nullptr));
    }
    if (!made) {
        g_mask_screen.work_surface = nullptr;
        FatalErrorExit("マスク用サーフェスの作成に失敗しました");
    }
    DDCOLORKEY key{g_mask_screen.key_color, g_mask_screen.key_color};
    g_mask_screen.work_surface->SetColorKey(DDCKEY_SRCBLT, &key);
    DDSCAPS2 caps{};
    g_mask_screen.work_surface->GetCaps(&caps);
    g_mask_screen.work_in_video_memory = (caps.dwCaps & DDSCAPS_VIDEOMEMORY) ? 1 : 0;
    return 0;
}

int ReleaseMaskScreen() {
    if (g_mask_screen.bytes != nullptr) TrackedFree(g_mask_screen.bytes);
    g_mask_screen.bytes = nullptr;
    if (g_mask_screen.memimg_made) ReleaseMemImg(&g_mask_screen.memimg);
    g_mask_screen.memimg_made = 0;
    std::memset(&g_mask_screen.memimg, 0, sizeof(g_mask_screen.memimg));
    if (g_mask_screen.work_surface != nullptr) g_mask_screen.work_surface->Release();
    g_mask_screen.work_surface = nullptr;
    return 0;
}

int SetMaskScreenUse(int flag) {
    if (g_mask_screen.bytes == nullptr) return -1;
    g_mask_screen.use = flag;
    g_mask_screen.active = (flag != 0 && g_mask_screen.request != 0) ? 1 : 0;
    DrawSettingsBlock* settings = GetDrawSettings();
    settings->mask_screen_use = g_mask_screen.use;
    settings->mask_screen_active = g_mask_screen.active;
    // Where the target sits on its surface: the client area on the desktop for the front
    // buffer drawn directly in a window; else the whole target from (0, 0), which is also
    // where an active mask's work surface takes the drawing.
    const ScreenState* screen = GetScreenState();
    RECT rect{0, 0, settings->target_width, settings->target_height};
    const bool window_front = settings->draw_target == kDrawTargetFront && !screen->temp_primary_mode &&
                              GetSystemBlock()->settings.window_mode && !IsSoftwareRendering();
    if (!g_mask_screen.active && window_front) GetShellHooks()->get_screen_client_rect(&rect);
    settings->target_screen_rect = rect;
    // The 3-D device draws into the work surface while the mask is in use, and into the
    // draw target's surface again afterwards.
    if (IsDirect3DUp() && GetCurrentD3DDevice() != nullptr) {
        FlushCurrentVertexBatch();
        const int device = GetCurrentD3DDeviceIndex();
        SetDeviceRenderTarget(flag ? g_mask_screen.work_surface : screen->target_surface, device);
        if (!flag || !window_front) {
            SetViewportFromRect(&settings->draw_area, *settings);
        } else {
            // The work surface holds the front buffer from its corner, not from the
            // client area's place on the desktop.
            SetKeepViewportFlag(0);
            const RECT& area = settings->draw_area;
            D3DVIEWPORT7 viewport{static_cast<DWORD>(area.left), static_cast<DWORD>(area.top),
                                  static_cast<DWORD>(area.right - area.left), static_cast<DWORD>(area.bottom - area.top),
                                  0.0f, 1.0f};
            if (SetDeviceViewport(&viewport, device) != 0) return WriteLogText("ビューポートのセットに失敗しました\n");
        }
    }
    return 0;
}

int RecreateMaskScreen() {
    SetupMaskScreen(g_mask_screen.request);
    if (g_mask_screen.use) SetMaskScreenUse(1);
    return 0;
}

int TerminateMaskScreen() {
    // The wait is for the use switch; shutting down with no mask in use (the window may
    // be minimised then) does not wait.
    if (g_mask_screen.use) {
        GetShellHooks()->wait_while_inactive();
        SetMaskScreenUse(0);
    }
    ReleaseMaskScreen();
    g_mask_screen.request = 0;
    g_mask_screen.active = 0;
    GetDrawSettings()->mask_screen_active = 0;
    return 0;
}

int GetMaskScreenUse() { return g_mask_screen.use; }
IDirectDrawSurface7* GetMaskWorkSurface() { return g_mask_screen.work_surface; }
MEMIMG* GetMaskMemImg() { return &g_mask_screen.memimg; }
int IsMaskScreenActive() { return g_mask_screen.active; }

int BeginMaskedDraw(int left, int top, int right, int bottom) {
    MEMIMG* image = nullptr;
    IDirectDrawSurface7* surface = nullptr;
    CurrentTarget(&image, &surface);
    return SaveRectForMask(left, top, right, bottom, surface, image);
}

int EndMaskedDraw(int left, int top, int right, int bottom) {
    MEMIMG* image = nullptr;
    IDirectDrawSurface7* surface = nullptr;
    CurrentTarget(&image, &surface);
    return ApplyMaskToRect(left, top, right, bottom, surface, image);
}

int MakeMaskHandleOfSlot(int slot) {
    return MakeHandleValue(kHandleKindMask, static_cast<std::uint32_t>(g_mask_slots[slot].check), slot);
}
