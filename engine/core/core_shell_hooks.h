// Core's second door: the table of what the rooms below the shell ask of it (pump the
// messages while a sound plays to its end, wait while the window is inactive, restyle the
// window, the client area on the screen, shut down from the fatal-error exit). The shell
// (engine/app) installs its table at start-up; before that every entry answers as if no
// window existed, so a room used on its own never calls up into nothing.
#pragma once

#include "platform/window.h"

struct ShellHooks {
    // The per-frame message processing. 0 go on, -1 quit requested.
    int (*pump_messages)();
    // Blocks a drawing or input call while the window is inactive.
    void (*wait_while_inactive)();
    // Applies the window or full-screen style and geometry of the current mode.
    int (*apply_window_style_for_mode)();
    // The screen area of the client in screen coordinates (below a tool bar, if any).
    int (*get_screen_client_rect)(RECT* rect);
    // Shuts the engine down on the way out of the fatal-error exit, when it is up or coming up.
    void (*shut_down_for_fatal_exit)();
};

// The installed table, or the defaults; never null, and every entry is set.
const ShellHooks* GetShellHooks();
// Installs the shell's table (every entry set); null puts the defaults back.
void InstallShellHooks(const ShellHooks* hooks);
