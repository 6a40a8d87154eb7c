// The draw settings block: its reset, the draw-target choice with the target's size and
// 3-D defaults, the draw area clamped to the target, the blend, bright-colour and filter
// setters, and colour values in the screen format. Relies on the screen record, the
// draw-target selection and the engine core's window queries.
#include "engine/graphics/draw/draw_settings.h"

#include <cstring>

#include "engine/core/core.h"
#include "engine/core/core_shell_hooks.h"
#include "engine/d3d/d3d.h"
#include "engine/graphics/draw/draw_state_access.h"
#include "engine/graphics/draw/matrix_builders.h"
#include "engine/graphics/graphics.h"
#include "engine/graphics/graphs/graph_handles.h"
#include "engine/graphics/screen/screen_internal.h"
#include "engine/pixels/pixels.h"

namespace {

DrawSettingsBlock g_settings;

void TargetSize(int target, int* width, int* height) {
    if (target == kDrawTargetFront || target == kDrawTargetBack) {
        ReadScreenSize(width, height);
    } else if (ReadGraphSize(target, width, height) != 0) {
        *width = 0;
        *height = 0;
    }
}

void SetTargetMatrices(int width, int height) {
    SetIdentityMatrix(g_settings.world);
    MakeOrthoMatrix(g_settings.screen, width / 2.0f, height / 2.0f, static_cast<float>(width),
                    static_cast<float>(height));
    const float d = static_cast<float>(height / 2) * 1.7320509f;
    const Vector3 eye{width * 0.5f, height * 0.5f, -d};
    const Vector3 at{width * 0.5f, height * 0.5f, -d + 1.0f};
    const Vector3 up{0.0f, 1.0f, 0.0f};
    MakeLookAtMatrix(g_settings.view, &eye, &at, &up);
    MakePerspectiveMatrix(g_settings.projection, 1.0471976f, d * 0.01f, d + 1000.0f, -1.0f);
}

// The colour format that colour values are made in.
const ColorFormat* ValueFormat() {
    ScreenState* screen = GetScreenState();
    if (IsSoftwareRenderChosen()) {
        int bits = 16;
        ReadScreenModeSize(nullptr, nullptr, &bits);
        return GetMemImgColorFormat(bits == 16 ? kMemImgRgb565 : kMemImgXrgb8888, 0, 0);
    }
    return &screen->color_format;
}

}  // namespace

DrawSettingsBlock* GetDrawSettings() { return &g_settings; }

int ResetDrawSettings() {
    InstallRendererHooks();
    const GraphRestoreCallback restore = g_settings.restore_callback;
    const std::int32_t outline = g_settings.outline_switch;
    const std::int32_t half_size = g_settings.half_size_mode;
    const std::int32_t graphics_off = g_settings.graphics_off;
    const std::int32_t old_light = g_settings.default_light;
    std::memset(&g_settings, 0, sizeof(g_settings));
    g_settings.restore_callback = restore;
    g_settings.outline_switch = outline;
    g_settings.half_size_mode = half_size;
    g_settings.graphics_off = graphics_off;
    g_settings.blend_graph = -1;
    g_settings.texture_address_mode = 3;
    g_settings.new_graph.texture_graphs = 1;
    g_settings.new_graph.alpha_test = 1;
    g_settings.bright[0] = g_settings.bright[1] = g_settings.bright[2] = 0;
    SetBrightColorRGB(255, 255, 255);
    g_settings.vertex_z = 0.2f;
    g_settings.depth_compare = 4;
    g_settings.mask_screen_use = 1;
    g_settings.mask_screen_active = 0;
    SetMaskScreenUse(1);
    g_settings.draw_target = kDrawTargetBack;
    ChooseDrawTarget(kDrawTargetFront);
    int width = 0;
    int height = 0;
    TargetSize(g_settings.draw_target, &width, &height);
    SetDrawClipArea(0, 0, width, height);
    g_settings.graphics_off = 0;
    // The previous default light goes, so a reset never leaves one behind.
    DeleteLightHandle(old_light);
    g_settings.default_light = CreateDirectionalLight(1.0f, -1.0f, 1.0f);
    return 0;
}

int ChooseDrawTarget(int target) {
    if (!IsGraphManagerUp()) return -1;
    if (g_settings.graphics_off) return 0;
    if (!IsWindowActive()) GetShellHooks()->wait_while_inactive();
    const int mask_use = GetMaskScreenUse();
    SetMaskScreenUse(0);
    const int old_target = g_settings.draw_target;
    int old_width = 0;
    int old_height = 0;
    TargetSize(old_target, &old_width, &old_height);
    g_settings.draw_target = target;
    ScreenState* screen = GetScreenState();
    if (target == kDrawTargetFront && !screen->temp_primary_mode && GetSystemBlock()->settings.window_mode &&
        // The depth in force now, not the one asked for: during a mode change the two differ.
        !(IsSoftwareRenderChosen() && screen->current_depth != 8)) {
        GetShellHooks()->get_screen_client_rect(&g_settings.target_screen_rect);
    } else {
        g_settings.target_screen_rect = RECT{0, 0, 0, 0};
    }
    const bool three_d = IsDirect3DUp() != 0;
    const int three_d_result = three_d ? ChooseDrawTargetD3D(target) : 0;
    const int two_d_result = SelectDrawTarget(target, old_target);
    if (three_d && (three_d_result & two_d_result) != 0) {
        // Both sides refused the target: keep the old one.
        g_settings.draw_target = old_target;
        ChooseDrawTargetD3D(old_target);
        SelectDrawTarget(old_target, target);
        SetMaskScreenUse(mask_use);
        return -1;
    }
    if (!three_d && two_d_result != 0) {
        // The 2-D side refused the target (no such graph): keep the old one.
        g_settings.draw_target = old_target;
        SelectDrawTarget(old_target, target);
        SetMaskScreenUse(mask_use);
        return -1;
    }
    int width = 0;
    int height = 0;
    TargetSize(target, &width, &height);
    g_settings.target_width = width;
    g_settings.target_height = height;
    if (width == old_width && height == old_height) {
        const RECT area = g_settings.draw_area;
        SetDrawClipArea(area.left, area.top, area.right, area.bottom);
    } else {
        SetDrawClipArea(0, 0, width, height);
    }
    SetTargetMatrices(width, height);
    SetMaskScreenUse(mask_use);
    return 0;
}

int SetDrawClipArea(int x1, int y1, int x2, int y2) {
    if (g_settings.graphics_off) return 0;
    g_settings.requested_area[0] = x1;
    g_settings.requested_area[1] = y1;
    g_settings.requested_area[2] = x2;
    g_settings.requested_area[3] = y2;
    int width = 0;
    int height = 0;
    const int target = g_settings.draw_target;
    const char* label = "Image Buffer";
    if (target == kDrawTargetFront) {
        label = "Front Buffer";
        RECT client{};
        if (GetSystemBlock()->settings.window_mode) {
            GetClientRect(GetMainWindowHandle(), &client);
        } else {
            GetShellHooks()->get_screen_client_rect(&client);
        }
        ReadScreenSize(&width, &height);
        if (client.left < 0) x1 = -client.left;
        if (client.top < 0) y1 = -client.top;
        int desktop_width = 0;
        int desktop_height = 0;
        GetDesktopScreenInfo(&desktop_width, &desktop_height, nullptr);
        if (client.left + width >= desktop_width) width = desktop_width - client.left;
        if (client.top + height >= desktop_height) height = desktop_height - client.top;
    } else if (target == kDrawTargetBack) {
        label = "Back Buffer";
        ReadScreenSize(&width, &height);
    } else if (ReadGraphSize(target, &width, &height) != 0) {
        return 0;
    }
    const RECT ordered = OrderedRect(x1, y1, x2, y2);
    x1 = ClampInt(ordered.left, 0, width);
    x2 = ClampInt(ordered.right, 0, width);
    y1 = ClampInt(ordered.top, 0, height);
    y2 = ClampInt(ordered.bottom, 0, height);
    g_settings.draw_area = RECT{x1, y1, x2, y2};
    g_settings.draw_area_float[0] = static_cast<float>(x1);
    g_settings.draw_area_float[1] = static_cast<float>(y1);
    g_settings.draw_area_float[2] = static_cast<float>(x2);
    g_settings.draw_area_float[3] = static_cast<float>(y2);
    g_settings.empty_area = x1 == x2 || y1 == y2 ? 1 : 0;
    if (g_settings.empty_area) return 0;
    if (IsDirect3DUp() && SetViewportFromRect(&g_settings.draw_area, g_settings) < 0) {
        WriteLogFormat("ビューポートの設定に失敗しました %s", label);
    }
    NotifyDirect3DStateChange();
    return 0;
}

int SetBlendModeAndValue(int mode, int value) {
    if (g_settings.graphics_off) return 0;
    if (mode == g_settings.blend_mode && value == g_settings.blend_value) return 0;
    if (!IsWindowActive()) GetShellHooks()->wait_while_inactive();
    g_settings.blend_mode = mode;
    g_settings.blend_value = ClampInt(value, 0, 255);
    UpdateVertexDiffuseColor(g_settings);
    return 0;
}

int SetBlendSourceGraph(int graph, int border_value, int border_range) {
    if (g_settings.graphics_off) return 0;
    if (graph == g_settings.blend_graph && border_value == g_settings.blend_border_value &&
        border_range == g_settings.blend_border_range) {
        return 0;
    }
    if (graph != -1 && !IsGraphHandleValid(graph)) return -1;
    g_settings.blend_graph = graph;
    if (!IsWindowActive()) GetShellHooks()->wait_while_inactive();
    g_settings.blend_border_value = ClampInt(border_value, 0, 255);
    g_settings.blend_border_range = ClampInt(border_range, 0, 255);
    if (IsDirect3DUp()) {
        SetBlendGraphD3D(graph != -1 ? GetGraphRecord(graph) : nullptr, g_settings.blend_border_value,
                         g_settings.blend_border_range);
    }
    BuildBlendGraphWeightTable(g_settings.blend_border_value, g_settings.blend_border_range);
    return 0;
}

int SetBrightColorRGB(int red, int green, int blue) {
    if (g_settings.bright[2] == red && g_settings.bright[1] == green && g_settings.bright[0] == blue) return 0;
    g_settings.bright[2] = static_cast<std::uint8_t>(ClampInt(red, 0, 255));
    g_settings.bright[1] = static_cast<std::uint8_t>(ClampInt(green, 0, 255));
    g_settings.bright[0] = static_cast<std::uint8_t>(ClampInt(blue, 0, 255));
    if (IsDirect3DUp()) UpdateVertexDiffuseColor(g_settings);
    return 0;
}

int SetBrightColorPacked(std::uint32_t color) {
    const std::uint32_t value = color & 0x00FFFFFFu;
    g_settings.bright[0] = static_cast<std::uint8_t>(value);
    g_settings.bright[1] = static_cast<std::uint8_t>(value >> 8);
    g_settings.bright[2] = static_cast<std::uint8_t>(value >> 16);
    g_settings.bright[3] = 0;
    UpdateVertexDiffuseColor(g_settings);
    return 0;
}

int SetDrawFilterMode(int mode) {
    if (g_settings.graphics_off || mode == g_settings.filter_mode) return 0;
    g_settings.filter_mode = mode;
    if (IsDirect3DUp()) SetDrawModeD3D(mode);
    return 0;
}

int SetUseTextureGraphs(int flag) {
    if (GetDirectDrawObject() == nullptr) SetSoftwareModeRequest(flag == 0 ? 1 : 0);
    g_settings.new_graph.texture_graphs = flag;
    return 0;
}

int GetUseTextureGraphs() {
    return g_settings.new_graph.texture_graphs == 1 && IsDirect3DUp() && !IsSoftwareRenderChosen() &&
                   GetCurrentD3DDevice() != nullptr
               ? 1
               : 0;
}

int ReadScreenModeSize(int* width, int* height, int* bits) {
    ScreenState* screen = GetScreenState();
    if (width != nullptr) *width = screen->width != 0 ? screen->width : 640;
    if (height != nullptr) *height = screen->height != 0 ? screen->height : 480;
    *bits = screen->requested_depth != 0 ? screen->requested_depth : 16;
    return 0;
}

std::uint32_t MakeColorValue(int red, int green, int blue) {
    ScreenState* screen = GetScreenState();
    if (screen->current_depth == 8) {
        std::uint32_t best = 0;
        int best_distance = 0xFFFFFF;
        for (int i = 0; i < 256; ++i) {
            const int dr = screen->palette_entries[i].peRed - red;
            const int dg = screen->palette_entries[i].peGreen - green;
            const int db = screen->palette_entries[i].peBlue - blue;
            const int distance = dr * dr + dg * dg + db * db;
            if (distance < best_distance) {
                best_distance = distance;
                best = static_cast<std::uint32_t>(i);
            }
        }
        return best;
    }
    const ColorFormat* format = ValueFormat();
    auto channel = [](int c, int width, int shift) {
        if (width == 0) return 0u;
        const std::uint32_t v = static_cast<std::uint32_t>(c & 0xFF);
        return (width >= 8 ? v << (width - 8) : v >> (8 - width)) << shift;
    };
    return channel(red, format->red_width, format->red_shift) + channel(green, format->green_width, format->green_shift) +
           channel(blue, format->blue_width, format->blue_shift) + format->unused_mask;
}

int SplitColorValue(std::uint32_t color, int* red, int* green, int* blue) {
    ScreenState* screen = GetScreenState();
    if (screen->current_depth == 8) {
        if (color > 255) return -1;
        *red = screen->palette_entries[color].peRed;
        *green = screen->palette_entries[color].peGreen;
        *blue = screen->palette_entries[color].peBlue;
        return 0;
    }
    const ColorFormat* format = &screen->color_format;
    int mode_bits = 16;
    ReadScreenModeSize(nullptr, nullptr, &mode_bits);
    if (IsSoftwareRenderChosen() && screen->current_depth != mode_bits) {
        format = GetMemImgColorFormat(mode_bits == 16 ? kMemImgRgb565 : kMemImgXrgb8888, 0, 0);
    }
    auto channel = [color](std::uint32_t mask, int shift, int width) {
        if (width == 0) return 0;
        const std::uint32_t top = width >= 32 ? 0xFFFFFFFFu : (1u << width) - 1u;
        return static_cast<int>(((color & mask) >> shift) * 255u / top);
    };
    *red = channel(format->red_mask, format->red_shift, format->red_width);
    *green = channel(format->green_mask, format->green_shift, format->green_width);
    *blue = channel(format->blue_mask, format->blue_shift, format->blue_width);
    return 0;
}
