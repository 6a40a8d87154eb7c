// MainWindowProc: turns window messages into the engine's window state (active, closing,
// quit, mode-change request), keeps the display usable across activation and display
// changes, feeds typed characters into the input ring and routes IME, MIDI, input-device
// and network messages. Sizing never divides by a zero size and never lets the client
// shrink below one pixel. Relies on the SystemBlock, the text input and the subsystems'
// restore and pause operations.
#include "engine/app/window_procedure.h"

#include <cstdint>

#include "engine/app/text_input.h"
#include "engine/app/window_modes.h"
#include "engine/app/window_state.h"
#include "engine/core/core.h"
#include "engine/d3d/d3d.h"
#include "engine/graphics/graphics.h"
#include "engine/input/input.h"
#include "engine/movie/movie.h"
#include "engine/network/network.h"
#include "engine/sound/sound.h"

namespace {

// Path of the system-key hook library; nothing in this engine fills it.
char g_hook_library_path[260] = "";

using SetHookFunction = HHOOK (*)(HWND window);

void PostCloseOnce(HWND window) {
    WindowState& state = GetSystemBlock()->window;
    if (state.close_posted) return;
    state.close_posted = 1;
    PostMessageA(window, WM_CLOSE, 0, 0);
}

// Hides the cursor over the window: the display count ends at -1 (never drifting lower).
// The calls are bounded: lowering by more than kCursorLowerCalls, or raising by more than
// kCursorRaiseCalls, never helps.
void HideCursorForWindow() {
    constexpr int kCursorLowerCalls = 256;
    constexpr int kCursorRaiseCalls = 1 << 20;
    SetCursor(nullptr);
    int count = ShowCursor(FALSE);
    for (int i = 0; count > -1 && i < kCursorLowerCalls; ++i) count = ShowCursor(FALSE);
    for (int i = 0; count < -1 && i < kCursorRaiseCalls; ++i) count = ShowCursor(TRUE);
}

void HandleActivation(HWND hwnd, WPARAM wparam) {
    SystemBlock& block = *GetSystemBlock();
    WindowSettings& settings = block.settings;
    WindowState& window = block.window;
    const int active = LOWORD(wparam) != 0 ? 1 : 0;
    window.active = active;
    if (window.creating) return;

    if (active) {
        TextInputState* text = GetTextInputState();
        if (text->ime_enabled && text->ime_open_status == 1) text->ime_reopen_step = 1;
        RestoreAllSurface2DImages();
        RestoreAllSurface3DTextures();
        if (!settings.window_mode && block.initialised) {
            if (HIWORD(wparam) == 0) RebuildDisplayObjects();
            ResumeAllMovies();
            ReacquireInputDevices();
        } else {
            if (!settings.run_in_background) ResumeAllMovies();
            ReacquireInputDevices();
        }
    } else {
        if (!settings.window_mode && IsDisplayModeChanged()) {
            if (!IsDirectDrawOutput()) {
                ReleaseDirectDrawObject();
                ShowWindow(hwnd, SW_MINIMIZE);
            } else {
                ReleaseDirect3DObject();
            }
        }
        if (!settings.window_mode && IsDisplayModeChanged() && GetDirectDrawObject() != nullptr) {
            if (!IsGraphRestoreCallbackSet() && !block.user_window) {
                WriteLogText("復元関数が登録されていないため終了します\n");
                PostCloseOnce(hwnd);
                return;
            }
            PauseAllMovies();
        } else {
            if (!settings.run_in_background) PauseAllMovies();
            ReacquireInputDevices();
        }
        HDC dc = GetDC(hwnd);
        RepaintFromScreenCopy(dc);
        ReleaseDC(hwnd, dc);
    }

    ApplyJoypadVibration();
    if (settings.activation_callback != nullptr) settings.activation_callback(active, settings.activation_argument);
    if (settings.system_key_lock) {
        if (block.os_code < kOsCodeNt351) {
            SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, static_cast<UINT>(active), nullptr, 0);
        } else if (active && window.message_hook == nullptr) {
            window.hook_library = LoadLibraryA(g_hook_library_path);
            if (window.hook_library != nullptr) {
                auto set_hook = reinterpret_cast<SetHookFunction>(GetProcAddress(window.hook_library, "SetMSGHookDll"));
                if (set_hook != nullptr) window.message_hook = set_hook(hwnd);
            }
        } else if (!active && window.message_hook != nullptr) {
            UnhookWindowsHookEx(window.message_hook);
            window.message_hook = nullptr;
            FreeLibrary(window.hook_library);
            window.hook_library = nullptr;
        }
    }
}

void HandlePaint(HWND hwnd) {
    SystemBlock& block = *GetSystemBlock();
    WindowSettings& settings = block.settings;
    WindowState& window = block.window;
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(hwnd, &paint);
    if (dc == nullptr) return;
    if (!settings.window_mode) {
        EndPaint(hwnd, &paint);
        return;
    }
    window.painting = 1;
    if (!window.active && window.screen_copy_exists && !settings.run_in_background) {
        RepaintFromScreenCopy(dc);
    } else if (!block.initialised && settings.window_region == nullptr) {
        HBRUSH brush = settings.background_color_set
                           ? CreateSolidBrush(RGB(settings.background_red, settings.background_green, settings.background_blue))
                           : nullptr;
        FillRect(dc, &paint.rcPaint, brush != nullptr ? brush : static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        if (brush != nullptr) DeleteObject(brush);
    } else if (GetDrawTarget() == kDrawTargetBack) {
        const int vsync = GetFlipVSyncWait();
        SetFlipVSyncWait(0);
        PresentToWindow(&paint.rcPaint);
        SetFlipVSyncWait(vsync);
    }
    window.painting = 0;
    EndPaint(hwnd, &paint);
}

void HandleDisplayChange(HWND hwnd, WPARAM wparam, LPARAM lparam) {
    const WindowSettings& settings = GetSystemBlock()->settings;
    WindowState& window = GetSystemBlock()->window;
    if (!settings.window_mode || window.mode_change_running) {
        window.display_changed = 1;
        return;
    }
    int width = 0;
    int height = 0;
    int bits = 0;
    ReadScreenModeSize(&width, &height, &bits);
    const int new_bits = static_cast<int>(wparam);
    const int new_width = LOWORD(static_cast<std::uintptr_t>(lparam));
    const int new_height = HIWORD(static_cast<std::uintptr_t>(lparam));
    if (new_bits == bits && new_width == width && new_height == height) {
        window.display_changed = 1;
        return;
    }
    const bool must_end = !IsGraphRestoreCallbackSet() || new_bits == 24 || (new_bits != bits && new_bits == 8) ||
                          width > new_width || height > new_height;
    if (must_end) {
        WriteLogText("復元関数が登録されていないためか画面が２４ビットカラーに変更されたため終了します\n");
        WriteLogText("またはスクリーンが小さすぎるためか色ビット数の違いが大きいためか終了します\n");
        PostCloseOnce(hwnd);
        return;
    }
    ReleaseAllMovieGraphs();
    SetupScreenColorFormat();
    RebuildDisplayObjects();
    ResumeAllMovies();
    window.display_changed = 1;
}

void HandleSizing(HWND hwnd, WPARAM edge, RECT* rect) {
    SystemBlock& block = *GetSystemBlock();
    WindowSettings& settings = block.settings;
    if (!settings.window_mode || block.user_window || rect == nullptr) return;
    int screen_width = 0;
    int screen_height = 0;
    ReadScreenSize(&screen_width, &screen_height);
    if (screen_width <= 0 || screen_height <= 0) return;
    RECT outer{};
    RECT client{};
    GetWindowRect(hwnd, &outer);
    GetClientRect(hwnd, &client);
    const std::int64_t frame_width = (outer.right - outer.left) - (client.right - client.left);
    const std::int64_t frame_height = (outer.bottom - outer.top) - (client.bottom - client.top);
    std::int64_t proposed_width = static_cast<std::int64_t>(rect->right) - rect->left - frame_width;
    std::int64_t proposed_height = static_cast<std::int64_t>(rect->bottom) - rect->top - frame_height;
    // A client of no size would give a scale of 0 or below; keep at least one pixel.
    if (proposed_width < 1) {
        proposed_width = 1;
        rect->right = static_cast<LONG>(rect->left + proposed_width + frame_width);
    }
    if (proposed_height < 1) {
        proposed_height = 1;
        rect->bottom = static_cast<LONG>(rect->top + proposed_height + frame_height);
    }

    if (!settings.sizing_option && !settings.user_size_set) {
        auto follow_width = [&] {
            std::int64_t height = proposed_width * screen_height / screen_width;
            if (height < 1) height = 1;
            rect->bottom = static_cast<LONG>(rect->top + height + frame_height);
        };
        auto follow_height = [&] {
            std::int64_t width = proposed_height * screen_width / screen_height;
            if (width < 1) width = 1;
            rect->right = static_cast<LONG>(rect->left + width + frame_width);
            proposed_width = width;
        };
        switch (edge) {
            case WMSZ_LEFT:
            case WMSZ_RIGHT:
                follow_width();
                break;
            case WMSZ_TOP:
            case WMSZ_BOTTOM:
                follow_height();
                break;
            default:
                if (static_cast<double>(proposed_height) / screen_height < static_cast<double>(proposed_width) / screen_width) {
                    follow_width();
                } else {
                    follow_height();
                }
                break;
        }
        settings.window_scale = static_cast<double>(proposed_width) / screen_width;
    } else {
        const double scale = GetWindowScaleFactor();
        const std::int64_t max_width = static_cast<std::int64_t>(screen_width * scale);
        const std::int64_t max_height = static_cast<std::int64_t>(screen_height * scale);
        if (proposed_width > max_width) rect->right = static_cast<LONG>(rect->left + max_width + frame_width);
        if (proposed_height > max_height) rect->bottom = static_cast<LONG>(rect->top + max_height + frame_height);
    }
}

void HandleCommand(WPARAM wparam) {
    WindowSettings& settings = GetSystemBlock()->settings;
    WindowState& window = GetSystemBlock()->window;
    const int id = LOWORD(wparam);
    if (window.tool_bar_present && id >= kToolBarCommandBase) {
        const int index = FindToolBarButtonIndex(id - kToolBarCommandBase);
        if (index != -1 && window.tool_bar_buttons[index].state == 0) window.tool_bar_buttons[index].clicked = 1;
        return;
    }
    if (!settings.menu_in_use) return;
    if (settings.menu_command_callback != nullptr) settings.menu_command_callback(wparam);
    if (settings.menu_item_callback != nullptr) {
        char name[128] = "";
        GetMenuItemNameById(id, name);
        settings.menu_item_callback(name, id);
    }
    for (int i = 0; i < window.selected_item_count; ++i) {
        if (window.selected_items[i] == id) return;
    }
    if (window.selected_item_count < kSelectedMenuItemMax) window.selected_items[window.selected_item_count++] = id;
}

void HandleDroppedFiles(WPARAM wparam) {
    WindowState& window = GetSystemBlock()->window;
    HDROP drop = reinterpret_cast<HDROP>(wparam);
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFFu, nullptr, 0);
    for (UINT i = 0; i < count && window.dropped_file_count < kMaxDroppedFiles; ++i) {
        const UINT length = DragQueryFileA(drop, i, nullptr, 0);
        char* name = static_cast<char*>(TrackedAlloc(length + 1, __FILE__, __LINE__));
        if (name == nullptr) break;
        DragQueryFileA(drop, i, name, length + 1);
        name[length] = '\0';
        window.dropped_files[window.dropped_file_count++] = name;
    }
    DragFinish(drop);
}

}  // namespace

LRESULT MainWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    SystemBlock& block = *GetSystemBlock();
    WindowSettings& settings = block.settings;
    WindowState& window = block.window;
    const bool user_window = block.user_window && settings.user_window_procedure != nullptr;
    LRESULT user_result = 0;
    if (user_window) user_result = CallWindowProcA(settings.user_window_procedure, hwnd, message, wparam, lparam);
    if (settings.user_message_hook != nullptr) settings.user_message_hook(hwnd, message, wparam, lparam);

    switch (message) {
        case WM_CREATE:
            if (settings.window_region != nullptr) SetWindowRgn(hwnd, settings.window_region, FALSE);
            break;
        case WM_DESTROY:
            if (block.user_window) break;
            WriteLogText("ウインドウが破棄されようとしています\n");
            window.destroyed = 1;
            WriteLogText("ソフトを終了する準備が整いました\n");
            if (!settings.destroy_does_not_post_quit) PostQuitMessage(0);
            window.quit = 1;
            break;
        case WM_MOVE:
            if (settings.window_mode && !window.mode_change_running) UpdateScreenAreaFromMove(lparam);
            break;
        case WM_SIZE:
            if (wparam == SIZE_MAXIMIZED) {
                if (settings.mode_change_permitted && !window.mode_change_running && !window.creating &&
                    settings.window_mode) {
                    window.mode_change_request = 1;
                }
            } else {
                FitWindowToScreen();
            }
            if (window.tool_bar_present && window.tool_bar_window != nullptr) {
                SendMessageA(window.tool_bar_window, WM_SIZE, wparam, lparam);
            }
            break;
        case WM_ACTIVATE:
            HandleActivation(hwnd, wparam);
            break;
        case WM_ACTIVATEAPP:
            if (wparam == 0) HandleActivation(hwnd, 0);
            break;
        case WM_PAINT:
            HandlePaint(hwnd);
            break;
        case WM_CLOSE:
            if (block.user_window) break;
            WriteLogText("ウインドウを閉じようとしています\n");
            if (!settings.close_does_not_end || block.ending == 1) DestroyWindow(hwnd);
            if (block.ending == 0) block.ending = 4;
            return 0;
        case WM_SETCURSOR:
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
            if (window.cursor_shown == 0) HideCursorForWindow();
            break;
        case WM_DISPLAYCHANGE:
            HandleDisplayChange(hwnd, wparam, lparam);
            break;
        case WM_KEYDOWN: {
            const unsigned char code = LookUpInputControlCode(wparam);
            if (code != 0) PushInputChar(code);
            break;
        }
        case WM_CHAR:
            if (wparam == kInputCodeLineFeed) {
                PushInputChar(kInputCodeEnter);
            } else if (wparam >= kInputCodeFirstPrintable || wparam == kInputCodeBackspace || wparam == kInputCodeTab ||
                       wparam == kInputCodeEnter || wparam == kInputCodeDelete || wparam == kInputCodeEscape) {
                PushInputChar(static_cast<unsigned char>(wparam));
            }
            break;
        case WM_SYSCHAR:
            if (LOBYTE(wparam) == kInputCodeEnter && settings.mode_change_permitted) {
                window.mode_change_request = 1;
                return 0;
            }
            break;
        case WM_IME_STARTCOMPOSITION:
        case WM_IME_ENDCOMPOSITION:
        case WM_IME_COMPOSITION:
        case WM_IME_SETCONTEXT:
        case WM_IME_NOTIFY:
            return HandleImeMessage(hwnd, message, wparam, lparam);
        case WM_COMMAND:
            HandleCommand(wparam);
            break;
        case WM_SYSCOMMAND:
            if (wparam == SC_KEYMENU && settings.system_key_lock) return 0;
            if (wparam == SC_MONITORPOWER || wparam == SC_SCREENSAVE) return 1;
            break;
        case WM_SIZING:
            HandleSizing(hwnd, wparam, reinterpret_cast<RECT*>(lparam));
            break;
        case WM_MOVING:
            if (!settings.window_mode && lparam != 0) GetWindowRect(hwnd, reinterpret_cast<RECT*>(lparam));
            break;
        case WM_DROPFILES:
            HandleDroppedFiles(wparam);
            break;
        case MM_MCINOTIFY:
            HandleMciNotify();
            break;
        case kInputFlagMessage46F:
            if (wparam == 1) {
                SetMessage46FFlag();
            } else {
                ClearMessage46FFlag();
            }
            break;
        case kInputFlagMessage470:
            if (wparam == 1) {
                SetMessage470Flag();
            } else {
                ClearMessage470Flag();
            }
            break;
        case kNetworkNotifyMessage:
            return HandleNetworkMessage(lparam, wparam);
        default:
            break;
    }
    if (user_window) return user_result;
    return DefWindowProcA(hwnd, message, wparam, lparam);
}
