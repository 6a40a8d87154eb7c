// Menus as plain data (items with names, IDs and submenus; nothing is drawn), and the
// hook, dropped-file and loadable-module calls, which find nothing on this system.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/sdl/window_internal.h"

struct MenuObject {
    struct Item {
        UINT flags;
        UINT id;
        HMENU submenu;
        std::string name;
    };
    std::vector<Item> items;
};

namespace {

std::mutex g_mutex;
std::unordered_set<MenuObject*>& Menus() {
    static std::unordered_set<MenuObject*> menus;
    return menus;
}

bool IsMenu(HMENU menu) {
    std::lock_guard<std::mutex> lock(g_mutex);
    return menu != nullptr && Menus().count(menu) != 0;
}

}  // namespace

HMENU CreateMenu() {
    auto* menu = new MenuObject{};
    std::lock_guard<std::mutex> lock(g_mutex);
    Menus().insert(menu);
    return menu;
}

HMENU CreatePopupMenu() { return CreateMenu(); }

BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR id, const char* name) {
    if (!IsMenu(menu)) return FALSE;
    MenuObject::Item item{flags, 0, nullptr, ""};
    if ((flags & MF_POPUP) != 0) {
        item.submenu = reinterpret_cast<HMENU>(id);
        if (!IsMenu(item.submenu)) return FALSE;
    } else {
        item.id = static_cast<UINT>(id);
    }
    if ((flags & MF_SEPARATOR) == 0 && name != nullptr) item.name = name;
    menu->items.push_back(item);
    return TRUE;
}

BOOL DestroyMenu(HMENU menu) {
    if (!IsMenu(menu)) return FALSE;
    std::vector<HMENU> submenus;
    for (const auto& item : menu->items) {
        if (item.submenu != nullptr) submenus.push_back(item.submenu);
    }
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        Menus().erase(menu);
    }
    delete menu;
    for (HMENU sub : submenus) DestroyMenu(sub);
    return TRUE;
}

int GetMenuItemCount(HMENU menu) {
    if (!IsMenu(menu)) return -1;
    return static_cast<int>(menu->items.size());
}

BOOL GetMenuItemInfoA(HMENU menu, UINT item, BOOL by_position, MENUITEMINFOA* info) {
    if (!IsMenu(menu) || info == nullptr) return FALSE;
    const MenuObject::Item* found = nullptr;
    if (by_position) {
        if (item < menu->items.size()) found = &menu->items[item];
    } else {
        for (const auto& i : menu->items) {
            if (i.submenu == nullptr && i.id == item) {
                found = &i;
                break;
            }
        }
    }
    if (found == nullptr) return FALSE;
    const bool separator = (found->flags & MF_SEPARATOR) != 0;
    if ((info->fMask & (MIIM_TYPE | MIIM_FTYPE)) != 0) info->fType = separator ? MFT_SEPARATOR : MFT_STRING;
    if ((info->fMask & MIIM_STATE) != 0) info->fState = 0;
    if ((info->fMask & MIIM_ID) != 0) info->wID = found->id;
    if ((info->fMask & MIIM_SUBMENU) != 0) info->hSubMenu = found->submenu;
    if ((info->fMask & (MIIM_TYPE | MIIM_STRING)) != 0 && !separator) {
        if (info->dwTypeData != nullptr && info->cch > 0) {
            const std::size_t n = std::min<std::size_t>(info->cch - 1, found->name.size());
            std::memcpy(info->dwTypeData, found->name.data(), n);
            info->dwTypeData[n] = '\0';
            info->cch = static_cast<UINT>(n);
        } else {
            info->cch = static_cast<UINT>(found->name.size());
        }
    }
    return TRUE;
}

BOOL SetMenu(HWND window, HMENU menu) {
    sdl_window::WindowRecord* record = sdl_window::FindWindowRecord(window);
    if (record == nullptr || (menu != nullptr && !IsMenu(menu))) return FALSE;
    record->menu = menu;
    return TRUE;
}

HMENU GetMenu(HWND window) {
    sdl_window::WindowRecord* record = sdl_window::FindWindowRecord(window);
    return record != nullptr ? record->menu : nullptr;
}

BOOL DrawMenuBar(HWND window) { return sdl_window::FindWindowRecord(window) != nullptr ? TRUE : FALSE; }

BOOL UnhookWindowsHookEx(HHOOK /*hook*/) { return FALSE; }

UINT DragQueryFileA(HDROP /*drop*/, UINT /*index*/, char* name, UINT size) {
    if (name != nullptr && size > 0) name[0] = '\0';
    return 0;
}

void DragFinish(HDROP /*drop*/) {}

void DragAcceptFiles(HWND /*window*/, BOOL /*accept*/) {}

HMODULE LoadLibraryA(const char* /*name*/) { return nullptr; }

FARPROC GetProcAddress(HMODULE /*module*/, const char* /*name*/) { return nullptr; }

BOOL FreeLibrary(HMODULE /*module*/) { return FALSE; }
