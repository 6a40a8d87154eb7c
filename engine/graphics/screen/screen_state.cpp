// The screen record of the graphics core and its small getters and setters; the
// GDI-visible switch re-selects the draw target so the clipper follows the new mode.
// Relies on the draw settings for the target and area, and on the window-state queries.
#include "engine/graphics/screen/screen_state.h"

#include <cstring>

#include "engine/core/core.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/draw/draw_state_access.h"
#include "engine/graphics/graphics.h"
#include "engine/graphics/screen/screen_internal.h"

namespace {
ScreenState g_screen;
}

ScreenState* GetScreenState() { return &g_screen; }

const DDPIXELFORMAT* OverlayFormatAt(int index) {
   static DDPIXELFORMAT formats[4];
   static bool built = false;
   if (!built) {
       for (DDPIXELFORMAT& format : formats) {
           std::memset(&format, 0, sizeof(format));
           format.dwSize = sizeof(format);
       }
       formats[0].dwFlags = DDPF_FOURCC;
       formats[0].dwFourCC = MakeFourCC('U', 'Y', 'V', 'Y');
       formats[1].dwFlags = DDPF_FOURCC;
       formats[1].dwFourCC = MakeFourCC('Y', 'U', 'Y', '2');
       MakeRgbPixelFormat(&formats[2], 16, 0x7C00, 0x03E0, 0x001F, 0);
       MakeRgbPixelFormat(&formats[3], 16, 0xF800, 0x07E0, 0x001F, 0);
       built = true;
   }
   return index >= 0 && index < 4 ? &formats[index] : nullptr;
}

int ReadScreenSize(int* width, int* height) {
   if (width != nullptr) *width = g_screen.width != 0 ? g_screen.width : 640;
   if (height != nullptr) *height = g_screen.height != 0 ? g_screen.height : 480;
   return 0;
}

int GetScreenBitDepth() { return g_screen.current_depth != 0 ? g_screen.current_depth : 16; }
const ColorFormat* GetScreenColorFormat() { return &g_screen.color_format; }
const DDPIXELFORMAT* GetScreenPixelFormat() { return &g_screen.pixel_format; }
IDirectDraw7* GetDirectDrawObject() { return g_screen.direct_draw; }
int IsDirectDrawOutput() { return g_screen.gdi_output ? 0 : 1; }
int IsSoftwareRendering() { return g_screen.software_render && g_screen.requested_depth != 8 ? 1 : 0; }
int IsSoftwareRenderChosen() { return g_screen.software_render ? 1 : 0; }

int SetSoftwareModeRequest(int flag) {
   g_screen.software_mode_request = g_screen.gdi_output ? 1 : flag;
   return 0;
}

int GetSoftwareModeRequest() { return g_screen.software_mode_request; }
int GetGdiVisibleMode() { return g_screen.gdi_visible_request; }
int IsDisplayModeChanged() { return g_screen.display_mode_changed; }
IDirectDrawSurface7* GetDrawTargetSurface() { return g_screen.target_surface; }
IDirectDrawSurface7* GetFrontSurface() { return g_screen.temp_primary_mode ? g_screen.temp_primary : g_screen.primary; }
IDirectDrawSurface7* GetBackSurface() { return g_screen.back; }
IDirectDrawSurface7* GetWorkSurface() { return g_screen.work; }
int GetTempPrimaryMode() { return g_screen.temp_primary_mode; }
int IsScreenUp() { return g_screen.gdi_output || g_screen.direct_draw != nullptr ? 1 : 0; }

int IsWindowFrontTarget() {
   return GetSystemBlock()->settings.window_mode && g_screen.target_surface != nullptr &&
                  g_screen.target_surface == g_screen.primary
              ? 1
              : 0;
}

const DDPIXELFORMAT* GetOverlayPixelFormat() {
   int width = 0;
   int height = 0;
   ReadScreenSize(&width, &height);
   if (width < 640 || height < 400) return nullptr;
   return OverlayFormatAt(g_screen.overlay_index);
}

std::uint32_t* CopyDirectDrawCaps(std::uint32_t* buffer) {
   std::memcpy(buffer, g_screen.caps, sizeof(g_screen.caps));
   return buffer;
}

int SetGdiVisibleMode(int flag) {
    const int effective = flag == 1 || IsMenuUsed() ? 1 : 0;
   if (effective == g_screen.gdi_visible_effective) return 0;
   g_screen.gdi_visible_request = flag;
   if (g_screen.direct_draw == nullptr) return 0;
   if (effective == 1) g_screen.direct_draw->FlipToGDISurface();
   RECT area;
   ReadDrawArea(&area);
   const int kept = GetDrawTarget();
   ChooseDrawTarget(kDrawTargetBack);
   ChooseDrawTarget(kDrawTargetFront);
   ChooseDrawTarget(kept);
   SetDrawClipArea(area.left, area.top, area.right, area.bottom);
   g_screen.gdi_visible_effective = effective;
   return 0;
}

int CreateMemImgScreenFormat(MEMIMG* image, int width, int height, int kind) {
    std::memset(image, 0, sizeof(*image));
    if (kind == -1) kind = GetScreenBitDepth() == 16 ? kMemImgRgb565 : kMemImgXrgb8888;
    return CreateMemImg(image, width, height, -1, 0, kind, 0, 0, 0, nullptr);
}
