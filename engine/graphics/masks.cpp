// Masks: the mask handle table and the mask screen with its software brackets: before a
// draw the rectangle of the target is kept, after it the kept pixels come back wherever
// the mask forbids drawing. Relies on MEMIMG images, the screen record and draw settings.
#include "engine/graphics/masks.h"

#include <algorithm>
#include <cstring>

#include "engine/core/handle_table.h"
#include "engine/core/library_startup.h"
#include "engine/core/message_processing.h"
#include "engine/core/tracked_alloc.h"
#include "engine/graphics/draw_settings.h"
#include "engine/graphics/memimg_transfer.h"
#include "engine/graphics/screen_internal.h"

namespace {

MaskSlot g_masks[kMaskSlots];
MaskScreenState g_mask;

bool SoftwareMode() {
    const ScreenState* screen = GetScreenState();
    return screen->software_render == 1 && screen->requested_depth != 8;
}

// The rectangle cut to the draw area; false when nothing is left.
bool ClipToDrawArea(int left, int top, int right, int bottom, RECT* out) {
    RECT rect{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
    ClipRectToRect(&rect, &GetDrawSettings()->draw_area);
    *out = rect;
    return rect.right > rect.left && rect.bottom > rect.top;
}

}  // namespace

int DeleteMaskHandle(int handle) {
    const int slot = ValidateHandleSlot(handle, kHandleKindMask, kMaskSlots);
    if (slot < 0) return -1;
    MaskSlot& mask = g_masks[slot];
    if (!mask.used || !HandleCheckMatches(static_cast<std::uint32_t>(mask.check), handle)) return -1;
    if (mask.data != nullptr) TrackedFree(mask.data);
    mask = MaskSlot{};
    return 0;
}

int DeleteAllMasks() {
    for (int slot = 0; slot < kMaskSlots; ++slot) {
        if (g_masks[slot].used) DeleteMaskHandle(MakeMaskHandleOfSlot(slot));
    }
    return 0;
}

int SetupMaskScreen(int flag) {
    if (flag == 0) return 0;
    int width = 0;
    int height = 0;
    ReadScreenSize(&width, &height);
    if (g_mask.bytes == nullptr) {
        g_mask.pitch = (width + 3) & ~3;
        const std::uint32_t bytes = static_cast<std::uint32_t>(g_mask.pitch) * static_cast<std::uint32_t>(height);
        g_mask.bytes = static_cast<std::uint8_t*>(TrackedCalloc(bytes != 0 ? bytes : 1, __FILE__, __LINE__));
        if (g_mask.bytes == nullptr) FatalErrorExit("メモリの確保に失敗しました");
    }
    if (SoftwareMode()) {
        if (!g_mask.memimg_made) {
            if (CreateMemImgScreenFormat(&g_mask.memimg, width, height, -1) != 0) {
                FatalErrorExit("マスク用 MEMIMG の作成に失敗しました");
            }
            g_mask.memimg_made = 1;
        }
        return 0;
    }
    if (g_mask.work_surface != nullptr) return 0;
    IDirectDraw7* object = GetDirectDrawObject();
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.dwWidth = static_cast<DWORD>(width);
    desc.dwHeight = static_cast<DWORD>(height);
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN |
                          (GetScreenState()->software_render ? DDSCAPS_SYSTEMMEMORY : DDSCAPS_VIDEOMEMORY);
    if (object == nullptr || FAILED(object->CreateSurface(&desc, &g_mask.work_surface, nullptr))) {
        FatalErrorExit("マスク用サーフェスの作成に失敗しました");
    }
    DDCOLORKEY key{g_mask.key_color, g_mask.key_color};
    g_mask.work_surface->SetColorKey(DDCKEY_SRCBLT, &key);
    DDSCAPS2 caps{};
    g_mask.work_surface->GetCaps(&caps);
    g_mask.work_in_video_memory = (caps.dwCaps & DDSCAPS_VIDEOMEMORY) ? 1 : 0;
    return 0;
}

int ReleaseMaskScreen() {
    if (g_mask.bytes != nullptr) TrackedFree(g_mask.bytes);
    g_mask.bytes = nullptr;
    if (g_mask.memimg_made) ReleaseMemImg(&g_mask.memimg);
    g_mask.memimg_made = 0;
    std::memset(&g_mask.memimg, 0, sizeof(g_mask.memimg));
    if (g_mask.work_surface != nullptr) g_mask.work_surface->Release();
    g_mask.work_surface = nullptr;
    return 0;
}

int SetMaskScreenUse(int flag) {
    if (g_mask.bytes == nullptr) return -1;
    g_mask.use = flag;
    g_mask.active = (flag != 0 && g_mask.request != 0) ? 1 : 0;
    DrawSettingsBlock* settings = GetDrawSettings();
    settings->mask_screen_use = g_mask.use;
    settings->mask_screen_active = g_mask.active;
    return 0;
}

int RecreateMaskScreen() {
    SetupMaskScreen(g_mask.request);
    if (g_mask.use) SetMaskScreenUse(1);
    return 0;
}

int TerminateMaskScreen() {
    // The wait is for the use switch; shutting down with no mask in use (the window may
    // be minimised then) does not wait.
    if (g_mask.use) {
        WaitWhileInactive();
        SetMaskScreenUse(0);
    }
    ReleaseMaskScreen();
    g_mask.request = 0;
    g_mask.active = 0;
    GetDrawSettings()->mask_screen_active = 0;
    return 0;
}

int GetMaskScreenUse() { return g_mask.use; }
IDirectDrawSurface7* GetMaskWorkSurface() { return g_mask.work_surface; }
MEMIMG* GetMaskMemImg() { return &g_mask.memimg; }
int IsMaskScreenActive() { return g_mask.active; }

// The software brackets: the target MEMIMG's rectangle is kept in the mask MEMIMG, and
// after the draw every kept pixel whose mask byte forbids drawing is put back.
int BeginMaskedDraw(int left, int top, int right, int bottom) {
    const ScreenState* screen = GetScreenState();
    if (!g_mask.active || !g_mask.memimg_made || screen->target_image == nullptr ||
        !IsMemImgValid(screen->target_image)) {
        return 0;
    }
    RECT rect{};
    if (!ClipToDrawArea(left, top, right, bottom, &rect)) return 0;
    BltMemImgToMemImg(&g_mask.memimg, screen->target_image, &rect, rect.left, rect.top);
    return 0;
}

int EndMaskedDraw(int left, int top, int right, int bottom) {
    const ScreenState* screen = GetScreenState();
    if (!g_mask.active || !g_mask.memimg_made || screen->target_image == nullptr ||
        !IsMemImgValid(screen->target_image)) {
        return 0;
    }
    RECT rect{};
    if (!ClipToDrawArea(left, top, right, bottom, &rect)) return 0;
    MEMIMG* target = screen->target_image;
    const int bytes = MemImgBytesPerPixel(target);
    if (bytes != MemImgBytesPerPixel(&g_mask.memimg)) return 0;
    rect.right = std::min<LONG>(rect.right, std::min(target->width, g_mask.memimg.width));
    rect.bottom = std::min<LONG>(rect.bottom, std::min(target->height, g_mask.memimg.height));
    const int mask_rows = g_mask.memimg.height;
    for (int y = rect.top; y < rect.bottom && y < mask_rows; ++y) {
        for (int x = rect.left; x < rect.right; ++x) {
            const std::uint8_t m = g_mask.bytes[static_cast<std::ptrdiff_t>(y) * g_mask.pitch + x];
            const bool allowed = g_mask.reverse == 0 ? m != 0 : m == 0;
            std::uint8_t* kept = g_mask.memimg.pixels + static_cast<std::ptrdiff_t>(y) * g_mask.memimg.block->pitch +
                                 static_cast<std::ptrdiff_t>(x) * bytes;
            if (allowed) std::memset(kept, 0, static_cast<std::size_t>(bytes));  // the key colour, 0
            std::uint32_t value = 0;
            std::memcpy(&value, kept, static_cast<std::size_t>(bytes));
            if (value == g_mask.key_color) continue;  // transparent in the copy back
            std::memcpy(target->pixels + static_cast<std::ptrdiff_t>(y) * target->block->pitch +
                            static_cast<std::ptrdiff_t>(x) * bytes,
                        kept, static_cast<std::size_t>(bytes));
        }
    }
    return 0;
}

MaskScreenState* GetMaskScreenState() { return &g_mask; }
MaskSlot* GetMaskSlot(int slot) { return slot >= 0 && slot < kMaskSlots ? &g_masks[slot] : nullptr; }
int MakeMaskHandleOfSlot(int slot) {
    return MakeHandleValue(kHandleKindMask, static_cast<std::uint32_t>(g_masks[slot].check), slot);
}
