// Working copies: the working images of a draw (MEMIMG views over locked DirectDraw
// memory, through a work surface and converted into a working format when the screen's
// is not one, or the choice of a plain DirectDraw blit), and the front image kept in step
// with the window in software rendering (read back before a draw on the front buffer,
// shown after it). Relies on the screen record, the draw settings, the surface data
// records, the conversion blit and CopySurfaceRect.
#include "engine/graphics/draw/working_copies.h"

#include <algorithm>
#include <initializer_list>

#include "engine/core/core.h"
#include "engine/core/core_shell_hooks.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/draw/masks.h"
#include "engine/graphics/graphs/surface_data.h"
#include "engine/graphics/screen/screen_internal.h"
#include "engine/pixels/pixels.h"
#include "platform/gdi.h"

WorkingCopyState g_working_copy;

namespace {

RECT Intersected(const RECT& a, const RECT& b) {
    return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
}

// The renderers' pixel kind on this screen.
int WorkingKind() { return GetScreenBitDepth() != 16 ? kMemImgXrgb8888 : kMemImgRgb565; }
const ColorFormat* WorkingFormat() { return GetMemImgColorFormat(WorkingKind(), 0, 0); }

bool SurfaceSize(IDirectDrawSurface7* surface, int* width, int* height) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    if (surface == nullptr || FAILED(surface->GetSurfaceDesc(&desc))) return false;
    *width = static_cast<int>(desc.dwWidth);
    *height = static_cast<int>(desc.dwHeight);
    return true;
}

bool FitsOn(IDirectDrawSurface7* surface, int width, int height) {
    int w = 0;
    int h = 0;
    return SurfaceSize(surface, &w, &h) && width <= w && height <= h;
}

bool LockRect(WorkingCopyLock* lock, IDirectDrawSurface7* surface, const RECT& rect) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    RECT area = rect;
    if (surface == nullptr || FAILED(surface->Lock(&area, &desc, DDLOCK_WAIT, nullptr))) return false;
    if (desc.lpSurface == nullptr) {
        surface->Unlock(&area);
        return false;
    }
    *lock = WorkingCopyLock{surface, rect, static_cast<std::uint8_t*>(desc.lpSurface), desc.lPitch, 0, RECT{}};
    return true;
}

// Converts `area` (relative to the locked rectangle) in place between the screen's
// format and the working format; both have the same pixel size.
void ConvertLocked(const WorkingCopyLock& lock, const RECT& area, bool to_working) {
    if (IsRectEmpty(area)) return;
    const ColorFormat* screen = GetScreenColorFormat();
    const ColorFormat* working = WorkingFormat();
    ConvertColorBlt({.dest = lock.pixels, .dest_pitch = lock.pitch, .dest_format = to_working ? working : screen,
                     .src = lock.pixels, .src_pitch = lock.pitch, .src_format = to_working ? screen : working,
                     .dest_x = area.left, .dest_y = area.top, .src_rect = &area});
}

// The source's key as the renderer meets it: on a converted screen the key pixels were
// stored in the screen's format and converted with the rest, so the key is converted the
// same way (a key made straight in the working format can differ in its low bits).
std::uint32_t WorkingKey(std::uint32_t rgb, bool converted) {
    const std::uint32_t r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    if (!converted) return MakeColorValueInFormat(WorkingFormat(), r, g, b, 255);
    const ColorFormat* screen = GetScreenColorFormat();
    const std::uint32_t stored = MakeColorValueInFormat(screen, r, g, b, 255);
    std::uint32_t key = 0;
    const RECT one{0, 0, 1, 1};
    ConvertColorBlt({.dest = &key, .dest_pitch = 4, .dest_format = WorkingFormat(), .src = &stored, .src_pitch = 4,
                     .src_format = screen, .src_rect = &one});
    const int bytes = WorkingFormat()->bytes_per_pixel;
    return bytes >= 4 ? key : key & ((1u << (8 * bytes)) - 1u);
}

// Into the working format; with `put_back` the unlock converts the pixels back.
void ConvertToWorking(WorkingCopyLock* lock, const RECT& area, bool put_back) {
    ConvertLocked(*lock, area, true);
    if (put_back && !IsRectEmpty(area)) {
        lock->converted = 1;
        lock->converted_rect = area;
    }
}

void UnlockWorkingLock(WorkingCopyLock* lock) {
    if (lock->surface == nullptr) return;
    if (lock->converted) ConvertLocked(*lock, lock->converted_rect, false);
    RECT area = lock->rect;
    lock->surface->Unlock(&area);
    *lock = WorkingCopyLock{};
}

void ReleaseViews() {
    if (IsMemImgValid(&g_working_copy.target_view)) ReleaseMemImg(&g_working_copy.target_view);
    if (IsMemImgValid(&g_working_copy.source_view)) ReleaseMemImg(&g_working_copy.source_view);
    g_working_copy.target = nullptr;
    g_working_copy.source = nullptr;
}

// Leaves nothing locked and no working image: the draw that asked fails.
int GiveUp() {
    ReleaseViews();
    UnlockWorkingLock(&g_working_copy.source_lock);
    UnlockWorkingLock(&g_working_copy.target_lock);
    g_working_copy.target_locked = 0;
    g_working_copy.source_locked = 0;
    g_working_copy.target_through_work = 0;
    g_working_copy.source_through_work = 0;
    return -1;
}

// A view of the locked memory: its first byte is (0, 0) of the image, so every pixel the
// view can address lies inside the locked rectangle.
bool MakeLockedView(MEMIMG* view, const WorkingCopyLock& lock, int width, int height, std::uint32_t key) {
    return CreateMemImg(view, width, height, lock.pitch, key, WorkingKind(), 0, 0, 0, lock.pixels) == 0;
}

// The target side: the draw target's own MEMIMG, or a locked view of the target surface
// (through the first work surface when the pixels must be converted or read back from
// video memory). The view's origin is the target's (0, 0) and it reaches the clip
// rectangle's right and bottom edges, so the renderer addresses only locked memory.
int PrepareTarget(const DrawSettingsBlock* settings, IDirectDrawSurface7* target_surface, bool masked, bool cpu,
                  bool target_video, int plain_write, std::uint32_t* colour1, std::uint32_t* colour2) {
    ScreenState* screen = GetScreenState();
    const RECT& clip = g_working_copy.clip;
    if (!masked && screen->target_image != nullptr && IsMemImgValid(screen->target_image)) {
        if (screen->target_x == 0 && screen->target_y == 0) {
            g_working_copy.target = screen->target_image;
        } else {
            CreateMemImgView(&g_working_copy.target_view, screen->target_image, screen->target_x, screen->target_y,
                             settings->target_width, settings->target_height);
            if (!IsMemImgValid(&g_working_copy.target_view)) return GiveUp();
            g_working_copy.target = &g_working_copy.target_view;
        }
        return 0;
    }
    if (target_surface == nullptr) return GiveUp();
    const int origin_x = screen->target_x + settings->target_screen_rect.left;
    const int origin_y = screen->target_y + settings->target_screen_rect.top;
    g_working_copy.target_surface = target_surface;
    g_working_copy.target_rect = MovedRect(clip, origin_x, origin_y);
    const bool through_work = (target_video && cpu) || (g_working_copy.format_converted && (cpu || plain_write == 0));
    const bool convert = g_working_copy.format_converted && through_work;
    if (convert && GetScreenColorFormat()->bytes_per_pixel != WorkingFormat()->bytes_per_pixel) return GiveUp();
    if (through_work && FitsOn(screen->work, clip.right, clip.bottom)) {
        // The copy keeps target coordinates on the work surface.
        if (CopySurfaceRect(screen->work, target_surface, clip.left, clip.top, &g_working_copy.target_rect, -1) != 0 ||
            !LockRect(&g_working_copy.target_lock, screen->work, RECT{0, 0, clip.right, clip.bottom})) {
            return GiveUp();
        }
        g_working_copy.target_through_work = 1;
    } else if (!LockRect(&g_working_copy.target_lock, target_surface,
                         RECT{origin_x, origin_y, origin_x + clip.right, origin_y + clip.bottom})) {
        return GiveUp();
    }
    // A target larger than the work surface is converted where it is, and back at the end.
    g_working_copy.target_locked = 1;
    if (convert) {
        ConvertToWorking(&g_working_copy.target_lock, clip, true);
        for (std::uint32_t* colour : {colour1, colour2}) {
            if (colour != nullptr) *colour = ConvertColorValue(WorkingFormat(), GetScreenColorFormat(), *colour);
        }
    }
    if (!MakeLockedView(&g_working_copy.target_view, g_working_copy.target_lock, clip.right, clip.bottom, 0)) return GiveUp();
    g_working_copy.target = &g_working_copy.target_view;
    return 0;
}

// The part of the piece the draw reads, in piece coordinates (empty when none).
RECT SourceArea(const Surface2D* piece, const RECT* source_rect) {
    const RECT whole{0, 0, piece->width, piece->height};
    const RECT wanted = Intersected(source_rect != nullptr ? *source_rect : whole, whole);
    return IsRectEmpty(wanted) ? RECT{0, 0, 0, 0} : wanted;
}

// Copies the part of the piece the draw reads to the same place of the second work surface.
int CopySourceToWork(const Surface2D* piece, SurfaceData* data, const RECT& area) {
    if (IsRectEmpty(area)) return 0;
    const RECT from = MovedRect(area, piece->source_x, piece->source_y);
    return CopySurfaceRect(GetScreenState()->work2, data->surface, area.left, area.top, &from, -1) != 0 ? -1 : 0;
}

// The source side: the piece's software image (a view of its own rectangle when it is
// part of a larger image), or a locked view of the piece on its DirectDraw image (through
// the second work surface when it is in video memory or must be converted). The view
// covers the whole piece; only the source rectangle is copied and converted. With
// `copied` the piece was put on the second work surface before the target side was
// prepared.
int PrepareSource(const Surface2D* piece, SurfaceData* data, const RECT* source_rect, bool copied) {
    if (data->software) {
        MEMIMG* image = &data->color_image;
        if (!IsMemImgValid(image)) return GiveUp();
        if (piece->source_x == 0 && piece->source_y == 0 && piece->width == image->width &&
            piece->height == image->height) {
            g_working_copy.source = image;
            return 0;
        }
        CreateMemImgView(&g_working_copy.source_view, image, piece->source_x, piece->source_y, piece->width,
                         piece->height);
        if (!IsMemImgValid(&g_working_copy.source_view)) return GiveUp();
        g_working_copy.source = &g_working_copy.source_view;
        return 0;
    }
    if (data->surface == nullptr) return GiveUp();
    const ScreenState* screen = GetScreenState();
    const RECT whole{0, 0, piece->width, piece->height};
    const RECT area = SourceArea(piece, source_rect);
    const bool convert = g_working_copy.format_converted != 0;
    if (convert && GetScreenColorFormat()->bytes_per_pixel != WorkingFormat()->bytes_per_pixel) return GiveUp();
    const bool through_work = data->creation.system_memory != 1 || convert || copied;
    if (through_work && FitsOn(screen->work2, piece->width, piece->height)) {
        if (!copied && CopySourceToWork(piece, data, area) != 0) return GiveUp();
        if (!LockRect(&g_working_copy.source_lock, screen->work2, whole)) return GiveUp();
        g_working_copy.source_through_work = 1;
        // The copy is the draw's own: nothing to put back.
        if (convert) ConvertToWorking(&g_working_copy.source_lock, area, false);
    } else {
        if (!LockRect(&g_working_copy.source_lock, data->surface, MovedRect(whole, piece->source_x, piece->source_y))) {
            return GiveUp();
        }
        if (convert) ConvertToWorking(&g_working_copy.source_lock, area, true);
    }
    g_working_copy.source_locked = 1;
    const std::uint32_t key = WorkingKey(data->transparent_color, convert);
    if (!MakeLockedView(&g_working_copy.source_view, g_working_copy.source_lock, piece->width, piece->height, key)) {
        return GiveUp();
    }
    g_working_copy.source = &g_working_copy.source_view;
    return 0;
}

}  // namespace


int BeginWorkingCopy(const Surface2D* piece, int blit_allowed, const RECT* source_rect, const RECT* destination,
                     int plain_write, std::uint32_t* colour1, std::uint32_t* colour2) {
    return BeginWorkingCopyWith(*GetDrawSettings(), piece, blit_allowed, source_rect, destination, plain_write, colour1,
                                colour2);
}

int BeginWorkingCopyWith(const DrawSettingsBlock& draw_state, const Surface2D* piece, int blit_allowed,
                         const RECT* source_rect, const RECT* destination, int plain_write, std::uint32_t* colour1,
                         std::uint32_t* colour2) {
    // Whatever an earlier copy left is let go.
    ReleaseViews();
    g_working_copy = WorkingCopyState{};
    if (IsSoftwareRendering()) return 0;
    ScreenState* screen = GetScreenState();
    const DrawSettingsBlock* settings = &draw_state;
    const bool masked = IsMaskScreenActive() != 0;
    IDirectDrawSurface7* target_surface = masked ? GetMaskWorkSurface() : screen->target_surface;
    SurfaceData* data = nullptr;
    if (piece != nullptr) {
        data = GetSurfaceData(piece->surface_data);
        if (data == nullptr) return -1;
    }
    const bool plain_copy =
        settings->blend_mode == kBlendNone || (settings->blend_mode == kBlendAlpha && settings->blend_value == 255);
    const bool cpu =
        !plain_copy || (data != nullptr && data->creation.alpha_channel) || settings->blend_graph != -1;
    bool target_video = settings->target_in_video_memory != 0;
    if (masked) {
        DDSCAPS2 caps{};
        target_video = target_surface != nullptr && SUCCEEDED(target_surface->GetCaps(&caps)) &&
                       (caps.dwCaps & DDSCAPS_VIDEOMEMORY) != 0;
    }
    const bool white = settings->bright[0] == 255 && settings->bright[1] == 255 && settings->bright[2] == 255;
    if (blit_allowed && data != nullptr && source_rect != nullptr && !cpu && white && !data->software &&
        data->surface != nullptr && target_surface != nullptr &&
        (target_video ? data->creation.system_memory != 1 : data->creation.system_memory == 1)) {
        g_working_copy.blit_source = data->surface;
        g_working_copy.blit_source_rect = MovedRect(*source_rect, piece->source_x, piece->source_y);
        g_working_copy.blit_destination = target_surface;
        g_working_copy.blit_x = destination->left + settings->target_screen_rect.left + screen->target_x;
        g_working_copy.blit_y = destination->top + settings->target_screen_rect.top + screen->target_y;
        g_working_copy.blit_chosen = 1;
        return 0;
    }
    g_working_copy.format_converted = screen->format_index == 3 || screen->format_index == 1;
    g_working_copy.clip = Intersected(*destination, settings->draw_area);
    if (IsRectEmpty(g_working_copy.clip)) return -1;
    // A source on the image the target is drawn into (another piece of a shared image) is
    // copied out before the target side locks that image; it is read from the copy.
    bool copied = false;
    if (data != nullptr && !data->software && data->surface != nullptr && data->surface == target_surface &&
        FitsOn(screen->work2, piece->width, piece->height)) {
        if (CopySourceToWork(piece, data, SourceArea(piece, source_rect)) != 0) return -1;
        copied = true;
    }
    if (PrepareTarget(settings, target_surface, masked, cpu, target_video, plain_write, colour1, colour2) != 0) return -1;
    if (piece != nullptr && PrepareSource(piece, data, source_rect, copied) != 0) return -1;
    return 0;
}

int EndWorkingCopy() {
    ReleaseViews();
    if (IsSoftwareRendering()) return 0;
    UnlockWorkingLock(&g_working_copy.target_lock);
    UnlockWorkingLock(&g_working_copy.source_lock);
    if (g_working_copy.target_through_work) {
        RECT from = g_working_copy.clip;
        CopySurfaceRect(g_working_copy.target_surface, GetScreenState()->work, g_working_copy.target_rect.left,
                        g_working_copy.target_rect.top, &from, -1);
    }
    g_working_copy.target_locked = 0;
    g_working_copy.source_locked = 0;
    return 0;
}

int GetFrontScreenRect(RECT* rect) {
    int width = 0;
    int height = 0;
    ReadScreenSize(&width, &height);
    *rect = RECT{0, 0, width, height};
    if (!GetScreenState()->temp_primary_mode) {
        RECT client{};
        GetShellHooks()->get_screen_client_rect(&client);
        rect->left += client.left;
        rect->right += client.left;
        rect->top += client.top;
        rect->bottom += client.top;
    }
    return 0;
}

int ReadBackFrontImage() {
    ScreenState* screen = GetScreenState();
    if (!(screen->gdi_output || IsSoftwareRendering()) || !screen->front_image_stale) return 0;
    MEMIMG& front = screen->front_image;
    if (!IsMemImgValid(&front)) return -1;
    if (screen->gdi_output) {
        HWND window = GetMainWindowHandle();
        HDC window_dc = GetDC(window);
        if (window_dc == nullptr) return -1;
        HDC memory_dc = CreateCompatibleDC(window_dc);
        HBITMAP bitmap = CreateCompatibleBitmap(window_dc, front.width, front.height);
        HBITMAP old = SelectObject(memory_dc, bitmap);
        BitBlt(memory_dc, 0, 0, front.width, front.height, window_dc, 0, 0, SRCCOPY);
        SelectObject(memory_dc, old);
        MemImgDibHeader info = DescribeMemImgAsDib(front);
        GetDIBits(memory_dc, bitmap, 0, static_cast<UINT>(front.height), front.pixels,
                  reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
        DeleteObject(bitmap);
        DeleteDC(memory_dc);
        ReleaseDC(window, window_dc);
        screen->front_image_stale = 0;
        return 0;
    }
    // Software rendering over DirectDraw output does not occur: software rendering is
    // only ever switched on together with GDI output.
    return -1;
}

int FlushFrontImageRect(const RECT* rect) {
    ScreenState* screen = GetScreenState();
    int width = 0;
    int height = 0;
    ReadScreenSize(&width, &height);
    if (width == 0) width = 640;
    if (height == 0) height = 480;
    RECT area{std::max<LONG>(rect->left, 0), std::max<LONG>(rect->top, 0), std::min<LONG>(rect->right, width),
              std::min<LONG>(rect->bottom, height)};
    if (IsRectEmpty(area)) return 0;
    const MEMIMG& front = screen->front_image;
    if (!IsMemImgValid(&front)) return -1;
    if (!screen->gdi_output) return -1;
    HWND window = GetMainWindowHandle();
    HDC dc = GetDC(window);
    if (dc == nullptr) return 0;
    const MemImgDibHeader info = DescribeMemImgAsDib(front);
    const int area_width = area.right - area.left;
    const int area_height = area.bottom - area.top;
    StretchDIBits(dc, area.left, area.top, area_width, area_height, area.left, front.height - area_height - area.top,
                  area_width, area_height, front.pixels, reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS,
                  SRCCOPY);
    ReleaseDC(window, dc);
    return 0;
}

ScopedWorkingCopy::ScopedWorkingCopy(const Surface2D* source, int blit_allowed, const RECT* source_rect,
                                     const RECT* destination, int plain_write, std::uint32_t* colour1,
                                     std::uint32_t* colour2)
    : begun_(BeginWorkingCopy(source, blit_allowed, source_rect, destination, plain_write, colour1, colour2) == 0) {}

ScopedWorkingCopy::ScopedWorkingCopy(const DrawSettingsBlock& settings, const Surface2D* source, int blit_allowed,
                                     const RECT* source_rect, const RECT* destination, int plain_write,
                                     std::uint32_t* colour1, std::uint32_t* colour2)
    : begun_(BeginWorkingCopyWith(settings, source, blit_allowed, source_rect, destination, plain_write, colour1,
                                  colour2) == 0) {}

ScopedWorkingCopy::~ScopedWorkingCopy() { End(); }

void ScopedWorkingCopy::End() {
    if (!begun_) return;
    begun_ = false;
    EndWorkingCopy();
}

MEMIMG* ScopedWorkingCopy::target() const { return g_working_copy.target; }
WorkingCopyState* ScopedWorkingCopy::state() const { return &g_working_copy; }
