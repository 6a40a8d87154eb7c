// Clearing the current draw target to the window's background colour: the software
// images (with the depth image set to 0xFFFF) or the DirectDraw target surface with a
// colour fill and a depth fill, or a graph's own image; a cleared front buffer in software
// rendering is shown at once.
#include "engine/core/core.h"
#include "engine/core/core_shell_hooks.h"
#include "engine/d3d/d3d.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/draw/working_copies.h"
#include "engine/graphics/graphics.h"
#include "engine/graphics/graphs/graph_draw_target.h"
#include "engine/graphics/graphs/graph_handles.h"
#include "engine/graphics/screen/screen_internal.h"

int ClearDrawTarget() {
    DrawSettingsBlock* settings = GetDrawSettings();
    if (settings->graphics_off) return 0;
    GetShellHooks()->wait_while_inactive();
    if (IsThreeDInUse()) ClearDrawTargetD3D(*GetDrawSettings());
    ScreenState* screen = GetScreenState();
    const WindowSettings& window = GetSystemBlock()->settings;
    const std::uint32_t red = static_cast<std::uint32_t>(window.background_red);
    const std::uint32_t green = static_cast<std::uint32_t>(window.background_green);
    const std::uint32_t blue = static_cast<std::uint32_t>(window.background_blue);
    const bool screen_target = settings->draw_target == kDrawTargetFront || settings->draw_target == kDrawTargetBack;
    if (IsSoftwareRendering()) {
        // The target image is the screen buffer's or the graph's own.
        MEMIMG* image = screen->target_image;
        if (image == nullptr || !IsMemImgValid(image)) return -1;
        FillMemImgRectRaw(image, nullptr, MakeColorValueInFormat(image->block->format, red, green, blue, 255));
        if (screen->target_depth_image != nullptr && IsMemImgValid(screen->target_depth_image)) {
            FillMemImgRectRaw(screen->target_depth_image, nullptr, 0xFFFF);
        }
        if (settings->draw_target == kDrawTargetFront) {
            int width = 0;
            int height = 0;
            ReadScreenSize(&width, &height);
            const RECT whole{0, 0, width, height};
            FlushFrontImageRect(&whole);
        }
        return 0;
    }
    FlushCurrentVertexBatch();
    EndSceneD3D();
    if (!screen_target) {
        return ClearGraphDrawTarget(settings->draw_target, red, green, blue);
    }
    IDirectDrawSurface7* surface = screen->target_surface;
    if (surface == nullptr) return -1;
    int width = 0;
    int height = 0;
    ReadScreenSize(&width, &height);
    RECT area{0, 0, width, height};
    if (settings->draw_target == kDrawTargetFront && window.window_mode) {
        RECT front{};
        GetFrontScreenRect(&front);
        area = RECT{front.left, front.top, front.left + width, front.top + height};
    }
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    fx.dwFillColor = MakeColorValue(static_cast<int>(red), static_cast<int>(green), static_cast<int>(blue));
    surface->Blt(&area, nullptr, nullptr, DDBLT_COLORFILL, &fx);
    if (screen->z_buffer != nullptr) {
        RECT whole{0, 0, width, height};
        fx.dwFillDepth = 0xFFFF;
        screen->z_buffer->Blt(&whole, nullptr, nullptr, DDBLT_DEPTHFILL | DDBLT_WAIT, &fx);
    }
    return 0;
}
