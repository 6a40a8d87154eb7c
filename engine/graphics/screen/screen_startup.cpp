// Bringing the screen up, changing its size, depth and refresh rate, and taking it down:
// the DirectDraw object and clipper, the order in which the screen's pieces are made and
// released, the fall-back to software rendering with GDI output, and the fall-backs of a
// refused display mode. Relies on the display-mode steps, the output surfaces, the draw
// settings and the engine core's window, log and fatal exit.
#include <cstring>

#include "engine/core/core.h"
#include "engine/core/core_shell_hooks.h"
#include "engine/d3d/d3d.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/draw/draw_state_access.h"
#include "engine/graphics/graphics.h"
#include "engine/graphics/graphs/graph_handles.h"
#include "engine/graphics/graphs/surface_2d.h"
#include "engine/graphics/screen/screen_internal.h"
#include "engine/pixels/pixels.h"
#include "platform/kernel.h"
#include "platform/keyboard_state.h"

namespace {

// Overlay probe: the first format of the overlay table in which a 16 x 16 overlay
// surface can be made in video memory. The older interface that the display answers is
// the DirectDraw object itself, so its capabilities are read through IDirectDraw7.
void ProbeOverlayFormat(ScreenState* screen) {
    screen->overlay_index = -1;
    if (GetSystemBlock()->os_code == kOsCodeVista) return;
    void* answered = nullptr;
    if (FAILED(screen->direct_draw->QueryInterface(IID_IDirectDraw, &answered))) return;
    auto* older = static_cast<IDirectDraw7*>(answered);
    std::memset(screen->caps, 0, sizeof(screen->caps));
    DDCAPS caps{};
    caps.dwSize = sizeof(caps);
    if (SUCCEEDED(older->GetCaps(&caps, nullptr))) {
        std::memcpy(screen->caps, &caps, sizeof(screen->caps));
    }
    const bool no_stretch = caps.dwMinOverlayStretch >= 1000 && caps.dwMaxOverlayStretch >= 2000;
    for (int index = 0; !no_stretch && index < 4; ++index) {
        DDSURFACEDESC2 description{};
        description.dwSize = sizeof(description);
        description.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
        description.dwWidth = 16;
        description.dwHeight = 16;
        description.ddsCaps.dwCaps = DDSCAPS_OVERLAY | DDSCAPS_VIDEOMEMORY;
        description.ddpfPixelFormat = *OverlayFormatAt(index);
        IDirectDrawSurface7* test = nullptr;
        if (FAILED(screen->direct_draw->CreateSurface(&description, &test, nullptr))) continue;
        DDSCAPS2 made{};
        test->GetCaps(&made);
        test->Release();
        if ((made.dwCaps & DDSCAPS_SYSTEMMEMORY) != 0) continue;
        screen->overlay_index = index;
        break;
    }
    static const char* const kNames[4] = {" UYVY", " YUY2", " 16-bit RGB 5:5:5 ", " 16-bit RGB 5:6:5 "};
    if (screen->overlay_index >= 0) {
        WriteLogFormat("オーバーレイサーフェスを使用します　　　%s", kNames[screen->overlay_index]);
    } else {
        WriteLogText("オーバーレイサーフェスは使用しません\n");
    }
    older->Release();
}

}  // namespace

int StartScreen(HWND window) {
    InstallRendererHooks();
    ScreenState* screen = GetScreenState();
    screen->window = window;
    if (InitializeDirectDraw() == 0) {
        screen->graphics_initialised = 1;
        return 0;
    }
    if (!IsSoftwareRenderChosen()) {
        WriteLogText("ソフトウエアレンダリングモードに変更します\n");
        SetHardwareRendering(0);
        if (InitializeDirectDraw() == 0) {
            screen->graphics_initialised = 1;
            return 0;
        }
    }
    FatalErrorExit("DirectDraw の初期化に失敗しました");
}

int EndScreen() {
    TerminateDirectDraw();
    GetScreenState()->graphics_initialised = 0;
    return 0;
}

int InitializeDirectDraw() {
    ScreenState* screen = GetScreenState();
    if (screen->direct_draw != nullptr) return -1;
    WriteLogText("DirectDraw 関連の初期化を行います\n");
    IncreaseLogIndent();
    screen->chosen_device_valid = 0;
    if (screen->gdi_output) {
        GetDrawSettings()->new_graph.texture_graphs = 0;
        GetDrawSettings()->new_graph.video_memory_graphs = 0;
        SetHardwareRendering(0);
    }
    if (CreateDirectDrawObject(&screen->direct_draw) == -1) FatalErrorExit("DirectDrawオブジェクトの作成に失敗しました");
    if (!screen->gdi_output &&
        CreateWindowClipper(screen->direct_draw, &screen->clipper, screen->window) == -1) {
        FatalErrorExit("DirectDrawClipperオブジェクトの作成時にエラーが発生しました");
    }
    if (screen->width == 0) screen->width = 640;
    if (screen->height == 0) screen->height = 480;
    if (screen->requested_depth == 0) screen->requested_depth = 16;
    screen->current_depth = screen->requested_depth;
    if (ChangeScreenMode(-1, -1, -1, 1, -1) < 0) {
        DecreaseLogIndent();
        TerminateDirectDraw();
        return -1;
    }
    if (!IsWindowRegionSet()) {
        ChooseDrawTarget(kDrawTargetBack);
        ClearDrawTarget();
        ChooseDrawTarget(kDrawTargetFront);
    }
    screen->directdraw_ready = 1;
    ProbeOverlayFormat(screen);
    DecreaseLogIndent();
    WriteLogText("DirectDraw 関連の初期化は正常に終了しました\n");
    BuildBlendTables();
    screen->directdraw_initialised = 1;
    return 0;
}

int CreateDirectDrawObject(IDirectDraw7** object) {
    ScreenState* screen = GetScreenState();
    SystemBlock* system = GetSystemBlock();
    WriteLogText("DirectDraw オブジェクトの取得を行います....  ");
    IDirectDraw7* created = nullptr;
    if (FAILED(CoCreateInstance(CLSID_DirectDraw7, nullptr, CLSCTX_ALL, IID_IDirectDraw7,
                                reinterpret_cast<void**>(&created)))) {
        WriteLogText("オブジェクトの取得に失敗しました\n");
        return -1;
    }
    WriteLogText("成功\n");
    WriteLogText("引き続き初期化処理... ");
    GUID* device = screen->chosen_device_valid ? &screen->chosen_device.guid : screen->device_guid;
    if (FAILED(created->Initialize(device))) {
        WriteLogText("DirectDrawオブジェクトの初期化に失敗しました\n");
        created->Release();
        return -1;
    }
    WriteLogText("初期化に成功しました\n");
    if (screen->chosen_device_valid) {
        IncreaseLogIndent();
        WriteLogFormat("ビデオカードドライバ:%s ", screen->chosen_device.driver_name);
        WriteLogFormat("ドライバ記述:%s ", screen->chosen_device.description);
        WriteLogFormat("３Ｄ機能の有無:%s ", screen->chosen_device.has_3d ? "あり" : "なし");
        WriteLogFormat("ビデオメモリ総量:%.2fMB ", screen->chosen_device.total_video_memory * (1.0 / 1048576));
        DecreaseLogIndent();
        system->window.memory_free = 0;
        system->window.memory_total = screen->chosen_device.total_video_memory;
    } else {
        WriteLogText("ビデオカードの情報\n");
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        if ((keys[VK_SHIFT] & 0x80) != 0) {
            DDDEVICEIDENTIFIER2 identifier{};
            created->GetDeviceIdentifier(&identifier, 0);
            const std::uint64_t version = static_cast<std::uint64_t>(identifier.liDriverVersion.QuadPart);
            WriteLogFormat("ビデオカードドライバ:%s バージョン:%u.%u.%u.%u ", identifier.szDriver,
                           static_cast<unsigned>((version >> 48) & 0xFFFF), static_cast<unsigned>((version >> 32) & 0xFFFF),
                           static_cast<unsigned>((version >> 16) & 0xFFFF), static_cast<unsigned>(version & 0xFFFF));
            WriteLogFormat("ドライバ記述:%s \n", identifier.szDescription);
            DDSCAPS2 caps{DDSCAPS_VIDEOMEMORY, 0, 0, 0};
            DWORD total = 0;
            DWORD free = 0;
            created->GetAvailableVidMem(&caps, &total, &free);
            WriteLogFormat("ビデオメモリ総量:%.2fMB ビデオメモリ空き容量:%.2fMB", total * (1.0 / 1048576),
                           free * (1.0 / 1048576));
            system->window.memory_free = free;
            system->window.memory_total = total;
        } else {
            system->window.memory_free = 0;
            system->window.memory_total = 0x1000000;
        }
    }
    created->SetCooperativeLevel(GetMainWindowHandle(), DDSCL_NORMAL);
    *object = created;
    return 0;
}

int CreateWindowClipper(IDirectDraw7* object, IDirectDrawClipper** clipper, HWND window) {
    IDirectDrawClipper* created = nullptr;
    if (FAILED(object->CreateClipper(0, &created, nullptr)) || FAILED(created->SetHWnd(0, window))) {
        if (created != nullptr) created->Release();
        WriteLogText("ＤｉｒｅｃｔＤｒａｗＣｌｉｐｐｅｒオブジェクトの作成に失敗しました\n");
        return -1;
    }
    *clipper = created;
    return 0;
}

namespace {

// The first display mode of a start-up: window style, desktop, display mode, with the
// fall-backs to the old mode and to 640 x 480 x 16. 0, -2 or fatal.
int FirstModeSet(int old_width, int old_height, int old_depth, int old_refresh) {
    ScreenState* screen = GetScreenState();
    SystemBlock* system = GetSystemBlock();
    const int window_mode = system->settings.window_mode;
    int result = 0;
    if (!window_mode) GetShellHooks()->apply_window_style_for_mode();
    int desktop_width = 0;
    int desktop_height = 0;
    int desktop_bits = 0;
    GetDesktopScreenInfo(&desktop_width, &desktop_height, &desktop_bits);
    auto attempt = [&]() {
        if (screen->width == 0) screen->width = 640;
        if (screen->height == 0) screen->height = 480;
        if (screen->requested_depth == 0) screen->requested_depth = 16;
        return SetScreenDisplayMode(screen->direct_draw, desktop_width, desktop_height, screen->width, screen->height,
                                    screen->requested_depth, &screen->current_depth,
                                    &screen->cooperative_flags, window_mode, &screen->display_mode_changed,
                                    screen->window);
    };
    if (attempt() != -1) return 0;
    const bool differs = old_width != screen->width || old_height != screen->height ||
                         old_depth != screen->requested_depth || old_refresh != 0;
    screen->width = old_width;
    screen->height = old_height;
    screen->requested_depth = old_depth;
    screen->refresh_rate = old_refresh;
    if (!window_mode) GetShellHooks()->apply_window_style_for_mode();
    if (differs && attempt() != -1) return 0;
    screen->width = 640;
    screen->height = 480;
    screen->requested_depth = 16;
    screen->refresh_rate = 0;
    result = kScreenModeFellBack;
    if (window_mode) GetShellHooks()->apply_window_style_for_mode();
    if (attempt() == -1) FatalErrorExit("予期せぬ画面モード変更不能現象が起きました\n");
    return result;
}

// A later mode change: a fresh DirectDraw object (or GDI display settings) in the new
// mode, with the same fall-backs. 0, -2 or fatal.
int LaterModeSet(int old_width, int old_height, int old_depth) {
    ScreenState* screen = GetScreenState();
    const int window_mode = GetSystemBlock()->settings.window_mode;
    ReleaseAllSurface2D();
    int result = 0;
    const DWORD extra = screen->multithreaded ? DDSCL_MULTITHREADED : 0u;
    if (!screen->gdi_output) {
        WriteLogText("ＤｉｒｅｃｔＤｒａｗオブジェクトを解放します\n");
        screen->direct_draw->SetCooperativeLevel(screen->window, DDSCL_NORMAL);
        screen->direct_draw->Release();
        screen->direct_draw = nullptr;
        WriteLogText("ＤｉｒｅｃｔＤｒａｗオブジェクトを解放しました\n");
        if (CreateDirectDrawObject(&screen->direct_draw) == -1) {
            FatalErrorExit("DirectDrawオブジェクトの作成に失敗しました");
        }
        const DWORD level = (window_mode ? DDSCL_NORMAL : (DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN)) | extra;
        const HRESULT set = screen->direct_draw->SetCooperativeLevel(screen->window, level);
        if (FAILED(set) && !(!window_mode && (set == DDERR_EXCLUSIVEMODEALREADYSET || set == DDERR_HWNDALREADYSET ||
                                              set == DDERR_HWNDSUBCLASSED))) {
            FatalErrorExit("DirectDrawの協調レベルの設定に失敗しました、ソフトを終了します");
        }
        screen->cooperative_flags = level;
        screen->display_mode_changed = 0;
        if (!window_mode) {
            WriteLogText("画面解像度を変更します... ");
            auto set_mode = [&](int w, int h, int b, int r) {
                return SUCCEEDED(screen->direct_draw->SetDisplayMode(static_cast<DWORD>(w), static_cast<DWORD>(h),
                                                                     static_cast<DWORD>(b), static_cast<DWORD>(r), 0));
            };
            bool done = set_mode(screen->width, screen->height, screen->requested_depth, screen->refresh_rate);
            if (!done) {
                screen->refresh_rate = 0;
                done = set_mode(screen->width, screen->height, screen->requested_depth, 0);
            }
            if (!done) {
                screen->width = old_width;
                screen->height = old_height;
                screen->requested_depth = old_depth;
                done = set_mode(old_width, old_height, old_depth, 0);
            }
            if (!done) {
                screen->width = 640;
                screen->height = 480;
                screen->requested_depth = 16;
                result = kScreenModeFellBack;
                done = set_mode(640, 480, 16, 0);
            }
            if (!done) FatalErrorExit("予期せぬ画面モード変更不能現象が起きました2\n");
            screen->display_mode_changed = 1;
            screen->current_depth = screen->requested_depth;
            WriteLogText("成功しました\n");
        }
    } else if (window_mode) {
        ChangeDisplaySettingsA(nullptr, 0);
        screen->display_mode_changed = 0;
    } else {
        auto set_mode = [&](int w, int h, int b, int r, DWORD flags) {
            DEVMODEA mode{};
            mode.dmSize = sizeof(mode);
            mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
            mode.dmBitsPerPel = static_cast<DWORD>(b);
            mode.dmPelsWidth = static_cast<DWORD>(w);
            mode.dmPelsHeight = static_cast<DWORD>(h);
            if (r != 0) {
                mode.dmFields |= DM_DISPLAYFREQUENCY;
                mode.dmDisplayFrequency = static_cast<DWORD>(r);
            }
            return ChangeDisplaySettingsA(&mode, flags) == DISP_CHANGE_SUCCESSFUL;
        };
        WriteLogText("画面解像度を変更します... ");
        bool done = set_mode(screen->width, screen->height, screen->requested_depth, screen->refresh_rate,
                             CDS_FULLSCREEN);
        if (!done) {
            screen->refresh_rate = 0;
            done = set_mode(screen->width, screen->height, screen->requested_depth, 0, 0);
        }
        if (!done) {
            screen->width = old_width;
            screen->height = old_height;
            screen->requested_depth = old_depth;
            done = set_mode(old_width, old_height, old_depth, 0, 0);
        }
        if (!done) {
            screen->width = 640;
            screen->height = 480;
            screen->requested_depth = 16;
            result = kScreenModeFellBack;
            done = set_mode(640, 480, 16, 0, 0);
        }
        if (!done) FatalErrorExit("予期せぬ画面モード変更不能現象が起きました2\n");
        screen->display_mode_changed = 1;
        screen->current_depth = screen->requested_depth;
        WriteLogText("成功しました\n");
    }
    return result;
}

}  // namespace

int ChangeScreenMode(int width, int height, int bits, int force, int refresh_rate) {
    ScreenState* screen = GetScreenState();
    SystemBlock* system = GetSystemBlock();
    DrawSettingsBlock* settings = GetDrawSettings();
    const std::uint32_t kept_key = settings->transparent_color;
    const bool keep_key = screen->directdraw_initialised != 0;
    if (width == -1) width = screen->width;
    if (height == -1) height = screen->height;
    if (bits == -1) bits = screen->requested_depth;
    if (refresh_rate == -1) refresh_rate = screen->refresh_rate;
    if (width == screen->width && height == screen->height && bits == screen->requested_depth &&
        refresh_rate == screen->refresh_rate && force == 0) {
        return 0;
    }
    WriteLogText("画面モード変更処理を開始します\n");
    IncreaseLogIndent();
    // The default font's size and thickness outlive the change.
    int font_size = -1;
    int font_thickness = -1;
    const bool keep_font = GetGraphicsFontHooks()->read_default_font_size(&font_size, &font_thickness) == 0;
    const int old_width = screen->width;
    const int old_height = screen->height;
    const int old_depth = screen->requested_depth;
    const int old_refresh = screen->refresh_rate;
    screen->width = width;
    screen->height = height;
    screen->requested_depth = bits;
    screen->refresh_rate = refresh_rate;
    if ((!system->initialising && !system->initialised) || (!screen->gdi_output && screen->direct_draw == nullptr)) {
        DecreaseLogIndent();
        return 0;
    }
    screen->gdi_visible_effective = -1;
    // Display drivers need a moment between two mode changes.
    const DWORD now = timeGetTime();
    if (screen->mode_changed_once && now - screen->last_mode_change < 2000) {
        while (timeGetTime() - screen->last_mode_change < 2060) Sleep(1);
    } else {
        Sleep(60);
    }
    screen->last_mode_change = timeGetTime();
    screen->mode_changed_once = 1;

    DeleteAllGraphs();
    TerminateGraphics();
    TerminateDirect3D();
    if (screen->palette != nullptr) {
        screen->palette->Release();
        screen->palette = nullptr;
    }
    ReleaseOutputSurfaces();

    int result;
    if (!screen->directdraw_initialised) {
        result = FirstModeSet(old_width, old_height, old_depth, old_refresh);
    } else {
        result = LaterModeSet(old_width, old_height, old_depth);
    }
    SetupScreenColorFormat();
    if (system->settings.window_mode || screen->gdi_output) GetShellHooks()->apply_window_style_for_mode();
    if (CreateOutputSurfaces() < 0) {
        DecreaseLogIndent();
        WriteLogText("DirectDrawSurface の初期化に失敗しました\n");
        return -1;
    }
    if (!screen->gdi_output && !screen->software_mode_request && !IsSoftwareRenderChosen()) {
        if (InitializeDirect3D(*GetDrawSettings()) < 0) {
            DecreaseLogIndent();
            ReleaseOutputSurfaces();
            return -1;
        }
    }
    InitializeGraphics();
    if (keep_font) GetGraphicsFontHooks()->set_default_font_size(font_size, font_thickness);
    GetGraphicsFontHooks()->start_screen_log();
    CreateScreenPalette();
    if (!IsSoftwareRendering()) RunCopyMethodTest();
    MeasureFrameTime();
    if (keep_key) settings->transparent_color = kept_key;
    DecreaseLogIndent();
    WriteLogText("画面モード変更処理は正常に終了しました\n");
    GetShellHooks()->pump_messages();
    ResetFlipCount();
    return result;
}

int SetHardwareRendering(int flag) {
    ScreenState* screen = GetScreenState();
    if (screen->gdi_output) flag = 0;
    if (flag == 0) {
        GetDrawSettings()->new_graph.texture_graphs = 0;
        GetDrawSettings()->new_graph.video_memory_graphs = 0;
        screen->gdi_output = 1;
    }
    screen->software_render = flag == 0 ? 1 : 0;
    if (screen->direct_draw != nullptr) {
        const int kept = GetDrawTarget();
        DeleteAllGraphs();
        ChangeScreenMode(-1, -1, -1, 1, -1);
        if (kept == kDrawTargetFront || kept == kDrawTargetBack) ChooseDrawTarget(kept);
    }
    return 0;
}

int SetTempPrimaryMode(int flag) {
    ScreenState* screen = GetScreenState();
    if (screen->direct_draw == nullptr) screen->temp_primary_mode = flag;
    return 0;
}

int TerminateDirectDraw() {
    ScreenState* screen = GetScreenState();
    KillFrontCopyTimer();
    if (!screen->gdi_output && screen->direct_draw == nullptr) return 0;
    WriteLogText("DirectDraw 関連の終了処理をおこないます\n");
    IncreaseLogIndent();
    if (!screen->gdi_output) {
        if (screen->palette != nullptr) {
            screen->palette->Release();
            screen->palette = nullptr;
        }
        TerminateGraphics();
        ReleaseAllSurface2D();
        TerminateDirect3D();
        ReleaseOutputSurfaces();
        ReleaseClipper();
    } else {
        TerminateGraphics();
        ReleaseAllSurface2D();
        ReleaseOutputSurfaces();
    }
    WriteLogText("ＤｉｒｅｃｔＤｒａｗオブジェクトを解放します\n");
    if (screen->direct_draw != nullptr) {
        screen->direct_draw->Release();
        screen->direct_draw = nullptr;
    }
    WriteLogText("ＤｉｒｅｃｔＤｒａｗオブジェクトを解放しました\n");
    if (screen->gdi_output) RestoreDesktopDisplayMode();
    DecreaseLogIndent();
    WriteLogText("DirectDraw 関連の終了処理は正常に終了しました\n");
    screen->directdraw_initialised = 0;
    return 0;
}
