// The engine's library and window state: one zero-initialised record for the whole
// process. Each subsystem reads and writes its own fields. The window start-up clears
// the `window` part and the ending flag; everything else (the settings the game makes
// before start-up, the system report's results, the lifecycle flags and the ApiLock)
// survives that reset.
#pragma once

#include <cstdint>

#include "engine/core/api_lock.h"
#include "platform/window.h"

using WindowModeChangeCallback = void (*)(void* argument);
using ActivationCallback = void (*)(int active, void* argument);
using MenuCommandCallback = void (*)(WPARAM command);
using MenuItemCallback = void (*)(const char* name, int id);
using UserMessageHook = LRESULT (*)(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// The operating-system codes that the system report records in SystemBlock::os_code (0 for a
// version the engine does not know). The NT line starts at kOsCodeNt351: a code below it is
// the 95 line or unknown.
constexpr std::int32_t kOsCode95 = 1;
constexpr std::int32_t kOsCode98 = 2;
constexpr std::int32_t kOsCodeMe = 3;
constexpr std::int32_t kOsCodeNt351 = 0x104;
constexpr std::int32_t kOsCodeNt4 = 0x105;
constexpr std::int32_t kOsCode2000 = 0x106;
constexpr std::int32_t kOsCodeXp = 0x107;
constexpr std::int32_t kOsCodeVista = 0x108;

// Settings made before start-up; kept across the window start-up reset.
struct WindowSettings {
    std::int32_t window_mode;  // 1 window, 0 full screen
    std::int32_t window_style_type;  // 0-7
    HRGN window_region;  // null: none (nothing in this engine sets one)
    std::int32_t icon_id;
    double window_scale;  // 0 or below reads as 1.0
    std::int32_t thick_frame;
    std::int32_t hidden_start;
    std::int32_t user_width;
    std::int32_t user_height;
    std::int32_t user_size_set;
    std::int32_t user_x;
    std::int32_t user_y;
    std::int32_t user_position_set;
    std::int32_t sizing_option;
    HWND main_window;
    WNDPROC user_window_procedure;  // the user window's own procedure, saved at start-up

    std::int32_t mode_change_permitted;
    WindowModeChangeCallback mode_change_callback;
    void* mode_change_argument;
    std::int32_t run_in_background;
    HACCEL accelerator_table;
    HMENU menu;
    std::int32_t menu_in_use;
    std::int32_t cursor_menu_switch;  // 0: the full-screen menu and cursor update runs
    std::int32_t menu_hidden_request;
    std::int32_t menu_attached;
    std::int32_t last_menu_decision;
    std::int32_t close_does_not_end;
    std::int32_t destroy_does_not_post_quit;
    std::int32_t background_red;
    std::int32_t background_green;
    std::int32_t background_blue;
    std::int32_t background_color_set;
    UserMessageHook user_message_hook;
    std::int32_t system_key_lock;
    ActivationCallback activation_callback;
    void* activation_argument;
    MenuCommandCallback menu_command_callback;
    MenuItemCallback menu_item_callback;

    char title[256];
    char class_name[256];
    char startup_directory[260];

    std::int32_t double_start_permitted;
    std::int32_t no_archive;  // 1: files are read from plain folders only, never from archives
    std::int32_t no_window;
    std::int32_t skip_graphics;
    std::int32_t skip_sound;
    std::int32_t skip_input;
};

// Dropped file names (tracked blocks), at most 1,000.
constexpr int kMaxDroppedFiles = 1000;
constexpr int kMenuItemTableSize = 128;
constexpr int kSelectedMenuItemMax = 64;
constexpr int kMaxToolBarButtons = 64;
// Tool-bar buttons send WM_COMMAND with this base plus their id.
constexpr int kToolBarCommandBase = 0x500;
// Menu-item names, NUL included.
constexpr int kMenuNameBytes = 128;
// Extra windows whose messages the message processing pumps besides the main window's.
constexpr int kMaxExtraWindows = 16;

struct MenuItemEntry {
    HMENU menu;
    std::uint16_t position;
    std::uint16_t id;
    char name[kMenuNameBytes];
};

struct ToolBarButton {
    std::int32_t id;
    std::int32_t second;
    std::int32_t state;  // 3 = separator
    std::int32_t fourth;
    std::int32_t clicked;
};

// Window state set up by the window start-up; cleared by its reset.
struct WindowState {
    HINSTANCE instance;
    std::uint32_t window_thread_id;
    std::int32_t desktop_width;
    std::int32_t desktop_height;
    std::int32_t desktop_bits;
    std::uint64_t memory_total;
    std::uint64_t memory_free;
    std::int32_t character_set;  // 1, or 2 under code page 949
    std::int32_t cursor_shown;    // what the engine asked for
    std::int32_t cursor_visible;  // what is applied
    RECT screen_area;
    std::int32_t close_posted;
    std::int32_t destroyed;
    std::int32_t active;
    std::int32_t quit;
    std::int32_t creating;
    std::int32_t mode_change_request;
    std::int32_t mode_change_running;
    std::int32_t display_changed;
    std::int32_t painting;
    std::int32_t styles_applied;
    std::int32_t mouse_in_top_area;
    std::uint32_t inactive_since;
    std::uint32_t timer_period;  // begun at start-up, 0 when none
    std::int32_t class_registered;
    std::int32_t screen_saver_was_active;
    std::int32_t screen_saver_switched;

    HANDLE window_thread;
    HMODULE hook_library;
    HHOOK message_hook;
    HHOOK second_hook;
    HWND user_dialog;
    HWND extra_windows[kMaxExtraWindows];
    std::int32_t extra_window_count;

    char* dropped_files[kMaxDroppedFiles];
    std::int32_t dropped_file_count;

    MenuItemEntry menu_items[kMenuItemTableSize];
    std::int32_t menu_item_count;
    std::int32_t selected_items[kSelectedMenuItemMax];
    std::int32_t selected_item_count;

    std::int32_t tool_bar_present;
    HWND tool_bar_window;
    void* tool_bar_bitmap;
    std::int32_t tool_bar_button_count;
    ToolBarButton tool_bar_buttons[kMaxToolBarButtons];

    std::int32_t screen_copy_exists;
    void* screen_copy_image;  // a GraphImage kept for repainting; nothing here saves one
    std::int32_t screen_copy_graph;
};

struct SystemBlock {
    // Library life cycle.
    std::int32_t initialised;
    std::int32_t initialising;
    std::int32_t ending;  // 0 up, 1 from the start of shutdown, 4 after a user's close
    std::int32_t com_started;
    std::int32_t user_window;  // the game supplied its own window: the log goes to the debugger only

    // System report results.
    char os_text[256];
    char cpu_name[49];
    std::int32_t os_code;
    std::int32_t directx_version;
    std::int32_t cpu_speed_mhz;
    std::int32_t has_time_stamp_counter;
    std::uint64_t cpu_clock;  // time-stamp counts per second, 0 when unknown
    std::int32_t mmx;
    std::int32_t sse;
    std::int32_t sse2;
    std::int32_t timer_period_begun;  // the report began a timer period; shutdown ends it

    // High-resolution counter chosen by the timer test at window start-up.
    std::int32_t use_performance_counter;
    std::int64_t performance_frequency;

    WindowSettings settings;
    WindowState window;
    ApiLock api_lock;
};

SystemBlock* GetSystemBlock();
// The window start-up reset: clears the window state and the ending flag, keeps the rest,
// and sets the inactive-since time to -1.
void ResetSystemBlockForStartup();
