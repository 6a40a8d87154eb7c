// Window modes and geometry: styles per mode, centring and fitting the client area to
// the screen times the scale factor, the screen area, cursor and menu visibility, the
// bounded wait for the display change after a mode switch, and the title. Relies on the
// SystemBlock, the platform's window calls and the graphics core's screen operations.
#include "engine/app/window_modes.h"

#include "engine/app/app.h"
#include "engine/app/window_state.h"
#include "engine/core/core.h"
#include "engine/graphics/graphics.h"

namespace {

// The window styles the window types are made of.
constexpr DWORD kStyleFramedWithMinimize = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kStyleBorderless = WS_POPUP | WS_SYSMENU;
constexpr DWORD kStyleFramed = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kStyleFramedWithBoxes = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr DWORD kExStyleSunken = WS_EX_CLIENTEDGE | WS_EX_WINDOWEDGE;

}  // namespace

const DWORD kWindowModeStyles[8] = {kStyleFramedWithMinimize, kStyleBorderless, kStyleBorderless,
                                    kStyleFramedWithMinimize, kStyleBorderless, kStyleFramed,
                                    kStyleFramedWithMinimize, kStyleFramedWithBoxes};
const DWORD kWindowModeExStyles[8] = {kExStyleSunken,   kExStyleSunken,   0, WS_EX_TOOLWINDOW, WS_EX_TOOLWINDOW,
                                      WS_EX_WINDOWEDGE, kExStyleSunken, 0};
const DWORD kFullScreenStyles[8] = {WS_POPUP, WS_POPUP, WS_POPUP, WS_POPUP, WS_POPUP, 0, 0, 0};
const DWORD kFullScreenExStyles[8] = {WS_EX_TOPMOST, WS_EX_TOPMOST, WS_EX_TOPMOST, WS_EX_TOPMOST,
                                      WS_EX_TOPMOST, 0,             0,             0};

namespace {

// The wait for the display change after a mode switch ends after this long at the latest.
constexpr DWORD kDisplayChangeWaitMs = 2000;
// ShowCursor moves the display count by one per call; more calls than this never help.
constexpr int kShowCursorCallLimit = 256;
// In full-screen mode the menu shows while the cursor is this close to the top of the screen.
constexpr LONG kMenuRevealHeight = 60;

SystemBlock& Block() { return *GetSystemBlock(); }
WindowSettings& Settings() { return GetSystemBlock()->settings; }
WindowState& Window() { return GetSystemBlock()->window; }

int StyleType() {
    const int type = Settings().window_style_type;
    return type >= 0 && type < 8 ? type : 0;
}

bool HasUserWindow() { return GetSystemBlock()->user_window != 0; }

void ReadClientArea(HWND window, RECT* area) {
    RECT client{};
    GetClientRect(window, &client);
    POINT top_left{client.left, client.top};
    POINT bottom_right{client.right, client.bottom};
    ClientToScreen(window, &top_left);
    ClientToScreen(window, &bottom_right);
    *area = RECT{top_left.x, top_left.y, bottom_right.x, bottom_right.y};
}

}  // namespace

void CopyTextBounded(char* destination, const char* source, int size) {
    int i = 0;
    if (source != nullptr) {
        while (source[i] != '\0') {
            const int length = IsMultiByteLeadByte(reinterpret_cast<const unsigned char*>(source + i), GetEngineCharSetMode()) &&
                                       source[i + 1] != '\0'
                                   ? 2
                                   : 1;
            if (i + length > size - 1) break;
            for (int k = 0; k < length; ++k) destination[i + k] = source[i + k];
            i += length;
        }
    }
    destination[i] = '\0';
}

int SetWindowModeFlag(int window_mode) {
    WindowSettings& settings = Settings();
    settings.window_mode = window_mode;
    WriteLogText(window_mode ? "ウインドウモードフラグが立てられました\n" : "ウインドウモードフラグが倒されました\n");
    if (settings.menu_in_use && settings.main_window != nullptr) {
        SetMenu(settings.main_window, window_mode ? settings.menu : nullptr);
        settings.menu_attached = window_mode ? 1 : 0;
    }
    return 0;
}

int ChangeWindowMode(int window_mode) {
    WriteLogText("ChangeWindowMode実行 \n");
    const int flag = window_mode != 0 ? 1 : 0;
    WindowSettings& settings = Settings();
    WindowState& window = Window();
    if (flag == settings.window_mode) return 0;
    window.styles_applied = 1;
    window.display_changed = 0;
    SetWindowModeFlag(flag);
    if (settings.main_window == nullptr || HasUserWindow()) return 0;

    window.mode_change_running = 1;
    ApplyWindowStyleForMode();
    const int result = ChangeScreenMode(-1, -1, -1, 1, -1);
    // The display change normally arrives at once; never wait for it without end.
    const DWORD start = timeGetTime();
    for (;;) {
        if (ProcessWindowMessages() != 0 || window.display_changed) break;
        if (timeGetTime() - start >= kDisplayChangeWaitMs) break;
        Sleep(1);
    }
    window.mode_change_running = 0;
    return result;
}

SIZE WindowModeClientSize(const WindowSettings& settings, int screen_width, int screen_height, bool with_tool_bar) {
    if (settings.user_size_set) return SIZE{settings.user_width, settings.user_height};
    const double scale = GetWindowScaleFactor();
    const int width = DoubleToInt(screen_width * scale);
    const int height = DoubleToInt(screen_height * scale);
    return SIZE{width, with_tool_bar ? height + GetToolBarHeight() : height};
}

int ApplyWindowStyleForMode() {
    WindowSettings& settings = Settings();
    WindowState& window = Window();
    const HWND main = settings.main_window;
    if (main == nullptr || HasUserWindow()) return 0;
    const int type = StyleType();
    int screen_width = 0;
    int screen_height = 0;
    ReadScreenSize(&screen_width, &screen_height);

    if (settings.window_mode) {
        WriteLogText("ウインドウスタイルをウインドウモード用に変更します... ");
        DWORD ex_style = kWindowModeExStyles[type];
        if (settings.hidden_start) ex_style |= WS_EX_TRANSPARENT;
        DWORD style = kWindowModeStyles[type];
        if (settings.mode_change_permitted) style |= WS_MAXIMIZEBOX;
        if (window.styles_applied) style |= WS_VISIBLE;
        if (settings.thick_frame) style |= WS_THICKFRAME;
        SetWindowLongA(main, GWL_EXSTYLE, static_cast<LONG>(ex_style));
        SetWindowLongA(main, GWL_STYLE, static_cast<LONG>(style));

        const SIZE client = WindowModeClientSize(settings, screen_width, screen_height, true);
        RECT outer{0, 0, client.cx, client.cy};
        AdjustWindowRectEx(&outer, style, FALSE, ex_style);
        const int outer_width = outer.right - outer.left;
        const int outer_height = outer.bottom - outer.top;
        int x = (window.desktop_width - outer_width) / 2;
        int y = (window.desktop_height - outer_height) / 2;
        if (settings.user_position_set) {
            x = settings.user_x;
            y = settings.user_y;
        }
        SetWindowPos(main, nullptr, x, y, outer_width, outer_height, SWP_NOZORDER);

        ReadClientArea(main, &window.screen_area);
        if (window.screen_area.left < 0 || window.screen_area.top < 0) {
            if (settings.user_position_set) {
                SetWindowPos(main, nullptr, settings.user_x, settings.user_y, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
            } else {
                const int dx = window.screen_area.left;
                const int dy = window.screen_area.top;
                SetWindowPos(main, nullptr, x - dx, y - dy, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
            }
            ReadClientArea(main, &window.screen_area);
        }
        SetMouseCursorVisible(1);
        WriteLogText("完了\n");
    } else {
        WriteLogText("ウインドウスタイルをフルスクリーンモード用に変更します... ");
        SetWindowLongA(main, GWL_EXSTYLE, static_cast<LONG>(kFullScreenExStyles[type]));
        SetWindowLongA(main, GWL_STYLE, static_cast<LONG>(kFullScreenStyles[type]));
        window.screen_area = RECT{0, 0, screen_width, screen_height};
        ShowWindow(main, SW_SHOW);
        UpdateWindow(main);
        SetWindowPos(main, HWND_TOPMOST, 0, 0, screen_width, screen_height, SWP_NOREDRAW);
        SetMouseCursorVisible(0);
        WriteLogText("完了\n");
    }
    SetActiveWindow(main);
    PostMessageA(main, WM_SETCURSOR, reinterpret_cast<WPARAM>(main), MAKELPARAM(HTCLIENT, static_cast<WORD>(WM_MOUSEMOVE)));
    return 0;
}

int FitWindowToScreen() {
    if (HasUserWindow()) return 0;
    WindowSettings& settings = Settings();
    WindowState& window = Window();
    const HWND main = settings.main_window;
    int screen_width = 0;
    int screen_height = 0;
    ReadScreenSize(&screen_width, &screen_height);
    if (settings.window_scale <= 0.0) settings.window_scale = 1.0;
    const double scale = settings.window_mode ? settings.window_scale : 1.0;
    const int target_width = DoubleToInt(screen_width * scale);
    const int target_height = DoubleToInt(screen_height * scale);

    RECT outer{};
    RECT client{};
    GetWindowRect(main, &outer);
    if (!GetClientRect(main, &client)) return 0;
    const int frame_width = (outer.right - outer.left) - (client.right - client.left);
    const int frame_height = (outer.bottom - outer.top) - (client.bottom - client.top);
    const bool starting = Block().initialising != 0;

    int width = target_width;
    int height = target_height;
    if (settings.user_size_set) {
        width = settings.user_width < target_width ? settings.user_width : target_width;
        height = settings.user_height < target_height ? settings.user_height : target_height;
        if (settings.sizing_option && !starting) settings.user_size_set = 0;
    } else if (settings.sizing_option) {
        const int current_width = client.right - client.left;
        const int current_height = client.bottom - client.top;
        width = current_width < target_width ? current_width : target_width;
        height = current_height < target_height ? current_height : target_height;
    }
    height += GetToolBarHeight();

    int x = outer.left;
    int y = outer.top;
    if (settings.user_position_set) {
        x = settings.user_x;
        y = settings.user_y;
        if (!starting) settings.user_position_set = 0;
    }
    MoveWindow(main, x, y, width + frame_width, height + frame_height, TRUE);

    if (settings.window_mode && !window.styles_applied) {
        window.styles_applied = 1;
        ApplyWindowStyleForMode();
    }
    return 0;
}

int UpdateScreenAreaFromMove(LPARAM lparam) {
    if (HasUserWindow()) return 0;
    WindowState& window = Window();
    RECT client{};
    if (!GetClientRect(Settings().main_window, &client)) return 0;
    const int x = GET_X_LPARAM(lparam);
    const int y = GET_Y_LPARAM(lparam);
    window.screen_area = RECT{x, y, x + (client.right - client.left), y + (client.bottom - client.top)};
    if (GetDrawTarget() == kDrawTargetFront) {
        const int mask_use = GetMaskScreenUse();
        SetMaskScreenUse(0);
        if (!GetTempPrimaryMode()) SetDrawTargetScreenRect(&window.screen_area);
        SetMaskScreenUse(mask_use);
    }
    RECT area{};
    ReadDrawArea(&area);
    SetDrawClipArea(area.left, area.top, area.right, area.bottom);
    return 0;
}

int GetScreenClientRect(RECT* rect) {
    *rect = Window().screen_area;
    const int tool_bar = GetToolBarHeight();
    rect->top += tool_bar;
    rect->bottom += tool_bar;
    return 0;
}

int GetMousePositionInClient(int* x, int* y) {
    POINT cursor{};
    GetCursorPos(&cursor);
    const WindowState& window = Window();
    if (Settings().window_mode) {
        const double scale = GetWindowScaleFactor();
        if (x != nullptr) *x = DoubleToInt((cursor.x - window.screen_area.left) / scale);
        if (y != nullptr) *y = DoubleToInt((cursor.y - window.screen_area.top - GetToolBarHeight()) / scale);
    } else {
        if (x != nullptr) *x = cursor.x;
        if (y != nullptr) *y = cursor.y;
    }
    return 0;
}

int ShouldShowMouseCursor() {
    const WindowSettings& settings = Settings();
    if (settings.main_window == nullptr) return 0;
    if (!settings.menu_in_use || settings.menu_hidden_request) return 0;
    if (settings.cursor_menu_switch == 1 || settings.window_mode || Window().mouse_in_top_area) return 1;
    return 0;
}

int SetMouseCursorVisible(int show) {
    WindowState& window = Window();
    window.cursor_shown = show;
    const int visible = show == 1 ? 1 : ShouldShowMouseCursor();
    if (visible == window.cursor_visible) return 0;
    for (int i = 0; i < kShowCursorCallLimit; ++i) {
        const int count = ShowCursor(visible ? TRUE : FALSE);
        if (visible ? count >= 0 : count <= -1) break;
    }
    const HWND main = Settings().main_window;
    if (main != nullptr) {
        PostMessageA(main, WM_SETCURSOR, reinterpret_cast<WPARAM>(main), MAKELPARAM(HTCLIENT, static_cast<WORD>(WM_MOUSEMOVE)));
    }
    window.cursor_visible = visible;
    return 0;
}

int UpdateMenuVisibility(int show) {
    WindowSettings& settings = Settings();
    if (!settings.menu_in_use) return 0;
    settings.menu_hidden_request = show == 0 ? 1 : 0;
    const HWND main = settings.main_window;
    if (main == nullptr) return 0;
    const int decision = ShouldShowMouseCursor();
    if (decision == settings.last_menu_decision) return 0;
    if (decision == 1 && !settings.menu_attached) {
        SetMenu(main, settings.menu);
        settings.menu_attached = 1;
    } else if (decision == 0 && settings.menu_attached) {
        SetMenu(main, nullptr);
        settings.menu_attached = 0;
    }
    if (settings.window_mode) ApplyWindowStyleForMode();
    UpdateWindow(main);
    settings.last_menu_decision = decision;
    return 0;
}

int UpdateFullScreenMenuAndCursor() {
    const WindowSettings& settings = Settings();
    if (settings.window_mode) return 0;
    POINT cursor{};
    GetCursorPos(&cursor);
    Window().mouse_in_top_area = cursor.y < kMenuRevealHeight ? 1 : 0;
    SetGdiVisibleMode(GetGdiVisibleMode());
    SetMouseCursorVisible(Window().cursor_shown);
    UpdateMenuVisibility(settings.menu_hidden_request == 0 ? 1 : 0);
    return 0;
}

BOOL BringWindowToForeground(HWND window, int topmost) {
    const HWND foreground = GetForegroundWindow();
    const DWORD window_thread = GetWindowThreadProcessId(window, nullptr);
    const DWORD foreground_thread = GetWindowThreadProcessId(foreground, nullptr);
    AttachThreadInput(window_thread, foreground_thread, TRUE);
    DWORD timeout = 0;
    SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &timeout, 0);
    SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, 0);
    const BOOL result = SetForegroundWindow(window);
    SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, timeout, nullptr, 0);
    AttachThreadInput(window_thread, foreground_thread, FALSE);
    if (topmost == 1) {
        SetWindowPos(Settings().main_window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW);
    }
    return result;
}

int SetWindowTitleText(const char* text) {
    WindowSettings& settings = Settings();
    CopyTextBounded(settings.title, text, static_cast<int>(sizeof settings.title));
    if (settings.main_window != nullptr) SetWindowTextA(settings.main_window, settings.title);
    return 0;
}
