// Window and library state queries, the menu-item table (128 entries, depth first) and
// the tool-bar lookups. Relies on the SystemBlock and the platform's window, menu and
// device-context calls.
#include "engine/app/window_state.h"

#include "engine/core/core.h"

namespace {

char g_menu_name_buffer[kMenuNameBytes];

WindowState& Window() { return GetSystemBlock()->window; }
WindowSettings& Settings() { return GetSystemBlock()->settings; }

// Copies at most kMenuNameBytes - 1 bytes of a Shift-JIS name, never splitting a character.
void CopyMenuName(char* destination, const char* source) {
    int i = 0;
    while (source[i] != '\0') {
        const int size = IsMultiByteLeadByte(reinterpret_cast<const unsigned char*>(source + i), GetEngineCharSetMode()) &&
                                 source[i + 1] != '\0'
                             ? 2
                             : 1;
        if (i + size > kMenuNameBytes - 1) break;
        for (int k = 0; k < size; ++k) destination[i + k] = source[i + k];
        i += size;
    }
    destination[i] = '\0';
}

}  // namespace

int IsQuitRequested() { return Window().quit; }
int ReadWindowModeFlag() { return Settings().window_mode; }

int QueryMenuItem(HMENU menu, int position, MENUITEMINFOA* info) {
    *info = MENUITEMINFOA{};
    info->cbSize = sizeof(MENUITEMINFOA);
    info->fMask = MIIM_TYPE;
    if (!GetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, info)) return -1;
    if (info->fType & MFT_SEPARATOR) return 1;
    *info = MENUITEMINFOA{};
    info->cbSize = sizeof(MENUITEMINFOA);
    info->fMask = MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_TYPE;
    info->dwTypeData = g_menu_name_buffer;
    info->cch = sizeof g_menu_name_buffer;
    g_menu_name_buffer[0] = '\0';
    if (!GetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, info)) return -1;
    g_menu_name_buffer[sizeof g_menu_name_buffer - 1] = '\0';
    return 0;
}

int EnumerateMenuItems(HMENU menu) {
    const int count = GetMenuItemCount(menu);
    if (count < 0) return -1;
    WindowState& window = Window();
    for (int position = 0; position < count; ++position) {
        MENUITEMINFOA info;
        const int result = QueryMenuItem(menu, position, &info);
        if (result == -1) return -1;
        if (result == 1) continue;
        // A table that is full takes no more items; the walk still succeeds.
        if (window.menu_item_count < kMenuItemTableSize) {
            MenuItemEntry& entry = window.menu_items[window.menu_item_count++];
            entry.menu = menu;
            entry.position = static_cast<std::uint16_t>(position);
            entry.id = static_cast<std::uint16_t>(info.wID);
            CopyMenuName(entry.name, g_menu_name_buffer);
        }
        if (info.hSubMenu != nullptr && EnumerateMenuItems(info.hSubMenu) == -1) return -1;
    }
    return 0;
}

int GetMenuItemNameById(int id, char* text) {
    if (!Settings().menu_in_use) return -1;
    const WindowState& window = Window();
    for (int i = 0; i < window.menu_item_count; ++i) {
        if (window.menu_items[i].id != id) continue;
        MENUITEMINFOA info;
        if (QueryMenuItem(window.menu_items[i].menu, window.menu_items[i].position, &info) != 0) return -1;
        CopyMenuName(text, g_menu_name_buffer);
        return 0;
    }
    return -1;
}

int FindToolBarButtonIndex(int id) {
    const WindowState& window = Window();
    if (!window.tool_bar_present) return -1;
    for (int i = 0; i < window.tool_bar_button_count && i < kMaxToolBarButtons; ++i) {
        if (window.tool_bar_buttons[i].id == id && window.tool_bar_buttons[i].state != 3) return i;
    }
    return -1;
}

int GetToolBarHeight() {
    const WindowState& window = Window();
    if (!window.tool_bar_present || window.tool_bar_window == nullptr) return 0;
    RECT rect{};
    if (!GetWindowRect(window.tool_bar_window, &rect)) return 0;
    return rect.bottom - rect.top;
}

int DeleteAllToolBarButtons() {
    WindowState& window = Window();
    if (!window.tool_bar_present) return -1;
    for (int i = 0; i < window.tool_bar_button_count; ++i) SendMessageA(window.tool_bar_window, TB_DELETEBUTTON, 0, 0);
    window.tool_bar_button_count = 0;
    return 0;
}
