// Main window start-up and end. Everything start-up changes outside the engine (timer
// period, screen saver, window class, window) is recorded so that the end undoes exactly
// that, also after a start-up that stopped part-way. Busy waits yield 1 ms per round so
// they end on any clock. Relies on the SystemBlock, the window modes, message
// processing, the window procedure and the platform's window calls.
#include "engine/app/main_window.h"

#include "engine/app/app.h"
#include "engine/app/text_input.h"
#include "engine/app/window_modes.h"
#include "engine/app/window_procedure.h"
#include "engine/app/window_state.h"
#include "engine/core/core.h"
#include "engine/graphics/graphics.h"

namespace {

constexpr char kDefaultClassName[] = "D123987X";
constexpr char kDefaultTitle[] = "Vomur";
// At shutdown the close is pumped at most this many times before the window is
// destroyed directly.
constexpr int kClosePumpLimit = 1000;
// The timer test stops after this many updates of either clock, or after this long.
constexpr int kTimerTestUpdates = 60;
constexpr DWORD kTimerTestLimitMs = 1000;
// After showing the window, messages are pumped this long before it is fitted to the screen.
constexpr DWORD kWindowSettleMs = 200;
// The OEM code page whose text takes code page 949's lead bytes.
constexpr UINT kCp949CodePage = 949;

void RunTimerTest(SystemBlock& block) {
    WriteLogText("タイマーの精度を検査します\n");
    const DWORD start = timeGetTime();
    DWORD last_time = start;
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    LONGLONG last_counter = counter.QuadPart;
    int timer_updates = 0;
    int counter_updates = 0;
    while (ProcessWindowMessages() == 0 && timer_updates < kTimerTestUpdates && counter_updates < kTimerTestUpdates &&
           timeGetTime() - start < kTimerTestLimitMs) {
        QueryPerformanceCounter(&counter);
        if (counter.QuadPart != last_counter) {
            ++counter_updates;
            last_counter = counter.QuadPart;
        }
        const DWORD now = timeGetTime();
        if (now != last_time) {
            ++timer_updates;
            last_time = now;
        }
        Sleep(1);
    }
    WriteLogFormat("精度結果 更新回数 マルチメディアタイマー：%d  パフォーマンスカウンター：%d", timer_updates, counter_updates);
    WriteLogText(" ");
    if (timer_updates > counter_updates) {
        WriteLogFormat("マルチメディアタイマーを使用します タイマー分解能 : %d.00 ms ", static_cast<int>(block.window.timer_period));
        block.use_performance_counter = 0;
    } else {
        WriteLogFormat("パフォーマンスカウンターを使用します タイマー分解能 : %lf KHz ",
                       static_cast<double>(block.performance_frequency) * 0.001);
    }
    WriteLogText(" ");
}

void RestoreScreenSaver(WindowState& window) {
    if (!window.screen_saver_switched) return;
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, window.screen_saver_was_active ? TRUE : FALSE, nullptr, SPIF_SENDCHANGE);
    window.screen_saver_switched = 0;
}

void EndTimerPeriod(WindowState& window) {
    if (window.timer_period == 0) return;
    timeEndPeriod(window.timer_period);
    window.timer_period = 0;
}

void UnregisterWindowClass(SystemBlock& block) {
    if (!block.window.class_registered) return;
    UnregisterClassA(block.settings.class_name, static_cast<HINSTANCE>(block.window.instance));
    block.window.class_registered = 0;
}

void FreeDroppedFileNames(WindowState& window) {
    for (int i = 0; i < window.dropped_file_count; ++i) TrackedFree(window.dropped_files[i]);
    window.dropped_file_count = 0;
}

int FailStartup(SystemBlock& block) {
    block.window.quit = 1;
    return -1;
}

HWND CreateMainWindow(SystemBlock& block, int screen_width, int screen_height) {
    WindowSettings& settings = block.settings;
    WindowState& window = block.window;
    const int type = settings.window_style_type >= 0 && settings.window_style_type < 8 ? settings.window_style_type : 0;
    if (settings.window_mode) {
        WriteLogText("ウインドウモード起動用のウインドウを作成します\n");
        DWORD style = kWindowModeStyles[type];
        if (settings.mode_change_permitted) style |= WS_MAXIMIZEBOX;
        if (settings.thick_frame) style |= WS_THICKFRAME;
        DWORD ex_style = kWindowModeExStyles[type];
        if (settings.hidden_start) ex_style |= WS_EX_TRANSPARENT;
        window.cursor_shown = 1;
        const SIZE client = WindowModeClientSize(settings, screen_width, screen_height, false);
        RECT outer{0, 0, client.cx, client.cy};
        AdjustWindowRectEx(&outer, style, FALSE, ex_style);
        const int outer_width = outer.right - outer.left;
        const int outer_height = outer.bottom - outer.top;
        int x = outer.left + (window.desktop_width - outer_width) / 2;
        int y = outer.top + (window.desktop_height - outer_height) / 2;
        if (settings.user_position_set) {
            x = settings.user_x;
            y = settings.user_y;
        }
        return CreateWindowExA(ex_style, settings.class_name, settings.title, style, x, y, outer_width, outer_height,
                               nullptr, settings.menu_in_use ? settings.menu : nullptr,
                               static_cast<HINSTANCE>(window.instance), nullptr);
    }
    WriteLogText("フルスクリーンモード用のウインドウを作成します\n");
    window.cursor_shown = 0;
    return CreateWindowExA(kFullScreenExStyles[type], settings.class_name, settings.title, kFullScreenStyles[type], 0, 0,
                           screen_width, screen_height, nullptr, nullptr, static_cast<HINSTANCE>(window.instance),
                           nullptr);
}

}  // namespace

int InitializeMainWindow() {
    SystemBlock& block = *GetSystemBlock();
    WindowSettings& settings = block.settings;
    WindowState& window = block.window;

    ResetSystemBlockForStartup();
    AllocTrackerSwitches* switches = GetAllocTrackerSwitches();
    switches->trace_size &= 0xFFFF;

    if (settings.class_name[0] == '\0') {
        CopyTextBounded(settings.class_name, settings.title[0] != '\0' ? settings.title : kDefaultClassName,
                        static_cast<int>(sizeof settings.class_name));
    }
    window.instance = GetModuleHandleA(nullptr);
    window.window_thread_id = GetCurrentThreadId();

    MEMORYSTATUSEX memory{};
    memory.dwLength = sizeof memory;
    GlobalMemoryStatusEx(&memory);
    window.memory_total = memory.ullTotalPhys;
    window.memory_free = memory.ullAvailPhys;
    WriteLogFormat("メモリ総量:%.2fMB  空きメモリ領域:%.2fMB ", static_cast<double>(memory.ullTotalPhys) / 1048576.0,
                   static_cast<double>(memory.ullAvailPhys) / 1048576.0);
    char free_text[kFormatBufferBytes];
    FormatString(free_text, "%.2fMB\n", static_cast<double>(memory.ullAvailPhys) / 1048576.0);
    OutputDebugStringA(free_text);

    ReadLiveDesktopInfo(&window.desktop_width, &window.desktop_height, &window.desktop_bits);
    int screen_width = 0;
    int screen_height = 0;
    ReadScreenSize(&screen_width, &screen_height);

    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    block.performance_frequency = frequency.QuadPart;
    block.use_performance_counter = frequency.QuadPart != 0 ? 1 : 0;
    TIMECAPS caps{};
    if (timeGetDevCaps(&caps, sizeof caps) == TIMERR_NOERROR && caps.wPeriodMin != 0 &&
        timeBeginPeriod(caps.wPeriodMin) == TIMERR_NOERROR) {
        window.timer_period = caps.wPeriodMin;
    }
    if (block.use_performance_counter) RunTimerTest(block);

    SeedRandom(timeGetTime());

    BOOL screen_saver_active = TRUE;
    if (SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &screen_saver_active, 0)) {
        window.screen_saver_was_active = screen_saver_active ? 1 : 0;
        SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, SPIF_SENDCHANGE);
        window.screen_saver_switched = 1;
    }

    if (settings.no_window) return 0;

    WriteLogText("ソフトの二重起動検査... ");
    if (FindWindowA(settings.class_name, nullptr) != nullptr) {
        if (!settings.double_start_permitted) {
            WriteLogText("二重起動されています、ソフトを終了します\n");
            return FailStartup(block);
        }
        WriteLogText("二重起動されていますが続行します\n");
    } else {
        WriteLogText("二重起動はされていませんでした\n");
    }

    if (settings.menu_in_use) {
        window.menu_item_count = 0;
        EnumerateMenuItems(settings.menu);
    }

    if (block.user_window) {
        settings.user_window_procedure = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(settings.main_window, GWLP_WNDPROC));
    } else {
        window.creating = 1;
        WNDCLASSEXA window_class{};
        window_class.cbSize = sizeof window_class;
        window_class.style = CS_HREDRAW | CS_VREDRAW;
        window_class.lpfnWndProc = MainWindowProc;
        window_class.hInstance = static_cast<HINSTANCE>(window.instance);
        window_class.hIcon = LoadIconA(static_cast<HINSTANCE>(window.instance),
                                       settings.icon_id != 0 ? MAKEINTRESOURCEA(settings.icon_id) : IDI_APPLICATION);
        window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
        window_class.lpszClassName = settings.class_name;
        WriteLogText("ウインドウクラスを登録します... ");
        if (RegisterClassExA(&window_class) == 0) {
            WriteLogText("ウインドウクラスの登録に失敗しました\n");
            return FailStartup(block);
        }
        window.class_registered = 1;
        WriteLogText("登録に成功しました\n");

        if (settings.title[0] == '\0') CopyString(settings.title, kDefaultTitle);

        const HWND main = CreateMainWindow(block, screen_width, screen_height);
        if (main == nullptr) {
            WriteLogText("ウインドウの作成に失敗しました\n");
            return FailStartup(block);
        }
        settings.main_window = main;
        WriteLogText("ウインドウの作成に成功しました\n");
        if (!settings.hidden_start) {
            ShowWindow(main, SW_SHOW);
            UpdateWindow(main);
        } else {
            ShowWindow(main, SW_HIDE);
            WriteLogText("ウインドウを表示します\n");
        }
    }

    window.close_posted = 0;
    window.destroyed = 0;
    window.active = 1;
    if (!settings.window_mode) {
        WriteLogText("カーソルを不可視にしました\n");
        SetCursor(nullptr);
    }
    WriteLogText("ＩＭＥを無効にしました\n");
    WINNLSEnableIME(settings.main_window, FALSE);
    if (settings.window_mode) {
        RECT client{};
        GetClientRect(settings.main_window, &client);
        POINT top_left{client.left, client.top};
        POINT bottom_right{client.right, client.bottom};
        ClientToScreen(settings.main_window, &top_left);
        ClientToScreen(settings.main_window, &bottom_right);
        window.screen_area = RECT{top_left.x, top_left.y, bottom_right.x, bottom_right.y};
    }
    window.character_set = GetOEMCP() == kCp949CodePage ? kCharSetCp949 : kCharSetShiftJis;
    SetEngineCharSetMode(window.character_set);
    SetMouseCursorVisible(window.cursor_shown);
    block.ending = 0;

    if (!block.user_window) {
        if (!settings.hidden_start) BringWindowToTop(settings.main_window);
        const DWORD start = timeGetTime();
        while (timeGetTime() - start < kWindowSettleMs) {
            ProcessWindowMessages();
            Sleep(1);
        }
        if (!settings.hidden_start) FitWindowToScreen();
        window.creating = 0;
    }
    return 0;
}

int TerminateMainWindow() {
    SystemBlock& block = *GetSystemBlock();
    WindowSettings& settings = block.settings;
    WindowState& window = block.window;
    const HWND main = settings.main_window;

    RestoreScreenSaver(window);
    if (main == nullptr) {
        // A start-up that stopped before the window existed: undo what it did start.
        UnregisterWindowClass(block);
        DeleteAllKeyInputHandles();
        FreeDroppedFileNames(window);
        EndTimerPeriod(window);
        window.creating = 0;
        return 0;
    }

    if (settings.no_window) {
        window.quit = 1;
    } else {
        WINNLSEnableIME(main, TRUE);
        SetMouseCursorVisible(1);

        if (window.second_hook != nullptr) {
            UnhookWindowsHookEx(window.second_hook);
            window.second_hook = nullptr;
        }
        if (window.message_hook != nullptr) {
            UnhookWindowsHookEx(window.message_hook);
            window.message_hook = nullptr;
            FreeLibrary(window.hook_library);
            window.hook_library = nullptr;
        }
        if (settings.window_region != nullptr) {
            DeleteObject(settings.window_region);
            settings.window_region = nullptr;
        }
        if (settings.menu_in_use) {
            if (settings.menu != nullptr) {
                UpdateMenuVisibility(0);
                DestroyMenu(settings.menu);
                settings.menu = nullptr;
            }
            settings.menu_in_use = 0;
            window.selected_item_count = 0;
            window.menu_item_count = 0;
        }
        if (window.tool_bar_present && settings.window_mode) {
            DeleteAllToolBarButtons();
            SendMessageA(window.tool_bar_window, WM_CLOSE, 0, 0);
            window.tool_bar_present = 0;
            window.tool_bar_window = nullptr;
            window.tool_bar_bitmap = nullptr;
            window.tool_bar_button_count = 0;
            FitWindowToScreen();
        }

        if (block.user_window) {
            SetWindowLongPtrA(main, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(settings.user_window_procedure));
            window.quit = 1;
        } else {
            // Post the close whenever the window still stands, even when an earlier close
            // was held back by close-does-not-end: at shutdown it destroys the window.
            if (IsWindow(main)) {
                window.close_posted = 1;
                PostMessageA(main, WM_CLOSE, 0, 0);
            }
            int pumps = 0;
            while (ProcessWindowMessages() == 0) {
                if (++pumps >= kClosePumpLimit) {
                    if (IsWindow(main)) DestroyWindow(main);
                    window.quit = 1;
                }
            }
            UnregisterWindowClass(block);
        }
    }

    DeleteAllKeyInputHandles();
    if (window.screen_copy_exists) {
        FreeGraphImage(static_cast<GraphImage*>(window.screen_copy_image));
        DeleteGraphHandle(window.screen_copy_graph, 0);
        window.screen_copy_graph = 0;
        window.screen_copy_exists = 0;
    }
    FreeDroppedFileNames(window);
    EndTimerPeriod(window);
    settings.main_window = nullptr;
    window.creating = 0;
    return 0;
}
