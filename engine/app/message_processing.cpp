// Message processing: the pump in passes of up to five dispatched messages, the inactive
// wait with its background work (network, HTTP, stream sounds, movie overlays, 1 ms
// sleep), the per-frame steps and the re-entry guard around the text-input step.
// Relies on the SystemBlock, the platform's message queue and the subsystems' steps.
#include "engine/app/app.h"

#include "engine/app/text_input.h"
#include "engine/app/window_modes.h"
#include "engine/core/core.h"
#include "engine/graphics/graphics.h"
#include "engine/input/input.h"
#include "engine/movie/movie.h"
#include "engine/network/network.h"
#include "engine/sound/sound.h"

namespace {

int g_in_text_input_step = 0;

bool WaitingWhileInactive(const WindowSettings& settings, const WindowState& window) {
    return !window.active && !settings.run_in_background;
}

// Takes one message: any pending one, else a thread message, else one of the main window.
bool TakeMessage(MSG* message, HWND main) {
    if (PeekMessageA(message, nullptr, 0, 0, PM_NOREMOVE)) return PeekMessageA(message, nullptr, 0, 0, PM_REMOVE) != 0;
    if (PeekMessageA(message, reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1)), 0, 0, PM_REMOVE)) return true;
    return PeekMessageA(message, main, 0, 0, PM_REMOVE) != 0;
}

void PumpExtraWindows(const WindowSettings&, const WindowState& window) {
    MSG message;
    if (window.user_dialog != nullptr && PeekMessageA(&message, window.user_dialog, 0, 0, PM_REMOVE)) {
        IsDialogMessageA(window.user_dialog, &message);
    }
    for (int i = 0; i < window.extra_window_count && i < kMaxExtraWindows; ++i) {
        if (PeekMessageA(&message, window.extra_windows[i], 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

void Pump(SystemBlock& block, bool on_window_thread) {
    WindowSettings& settings = block.settings;
    WindowState& window = block.window;
    int counter = 0;
    bool first_pass = true;
    bool previous_idle = false;
    bool inactive_time_noted = false;
    for (;;) {
        if (window.active || settings.run_in_background || window.close_posted) {
            if (window.quit || (!first_pass && previous_idle)) return;
        }
        first_pass = false;
        if (WaitingWhileInactive(settings, window)) {
            if (!inactive_time_noted) {
                window.inactive_since = timeGetTime();
                inactive_time_noted = true;
            }
            Sleep(1);
        }

        bool idle = true;
        for (;;) {
            MSG message;
            if (!TakeMessage(&message, settings.main_window)) break;
            const bool dialog_took = window.user_dialog != nullptr && IsDialogMessageA(window.user_dialog, &message);
            if (dialog_took) {
                idle = false;
            } else {
                if (message.message == WM_ACTIVATEAPP && settings.window_mode) {
                    window.active = LOWORD(message.wParam) != 0 ? 1 : 0;
                }
                if (window.quit) return;
                if (message.message == WM_QUIT) window.quit = 1;
                if (settings.accelerator_table == nullptr ||
                    !TranslateAcceleratorA(settings.main_window, settings.accelerator_table, &message)) {
                    TranslateMessage(&message);
                    DispatchMessageA(&message);
                }
                if (++counter == 5) {
                    counter = 0;
                    break;
                }
                idle = false;
            }
            PumpExtraWindows(settings, window);
        }
        previous_idle = idle;

        if (WaitingWhileInactive(settings, window)) {
            ProcessNetworkMessages(1);
            StepAllHttpRequests();
            RefillAllStreamSounds();
            RefreshMovieOverlays();
            Sleep(1);
        }
        if (window.quit || !on_window_thread) return;
    }
}

}  // namespace

int ProcessWindowMessages() {
    if (g_in_text_input_step) return 0;
    SystemBlock& block = *GetSystemBlock();
    WindowSettings& settings = block.settings;
    WindowState& window = block.window;

    if (!settings.no_window && !block.user_window) {
        if (settings.main_window == nullptr) return window.quit == 1 ? -1 : 0;
        const bool on_window_thread = GetCurrentThreadId() == window.window_thread_id;
        if (window.mode_change_request == 1 && settings.mode_change_permitted && on_window_thread) {
            window.mode_change_request = 0;
            ChangeWindowMode(settings.window_mode != 1 ? 1 : 0);
            if (settings.mode_change_callback != nullptr) settings.mode_change_callback(settings.mode_change_argument);
        }
        Pump(block, on_window_thread);
        if (on_window_thread && settings.cursor_menu_switch == 0) UpdateFullScreenMenuAndCursor();
    }

    RefillAllStreamSounds();
    PollMusicPlayState();
    TickJoypadVibration();
    ProcessNetworkMessages(1);
    const HttpSlotTable* http = GetHttpSlotTable();
    if (http->used_count > 0) {
        for (int slot = 0; slot < kHttpSlotCount; ++slot) {
            if (http->slots[slot] != nullptr) StepHttpRequest(slot);
        }
    }
    g_in_text_input_step = 1;
    StepTextInput();
    g_in_text_input_step = 0;
    return window.quit == 1 ? -1 : 0;
}

void WaitWhileInactive() {
    SystemBlock& block = *GetSystemBlock();
    WindowSettings& settings = block.settings;
    WindowState& window = block.window;
    if (window.painting || window.active || block.user_window) return;
    if (settings.run_in_background && (GetGdiVisibleMode() || settings.window_mode)) return;
    // Without a window nothing could ever make it active again.
    if (settings.main_window == nullptr) return;
    window.inactive_since = timeGetTime();
    while (ProcessWindowMessages() == 0 && !window.active) {
    }
    RestoreAllGraphSurfaces();
}
