// Windows, window classes and the message queue of the platform layer, with the small
// set of GDI, cursor, timer, message-box, screen-saver, input-method and COM calls the
// engine's window code makes. Backed by SDL2 (platform/sdl/); shaped after the
// interfaces the engine was written against and holding only what it uses.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/com.h"
#include "platform/kernel_types.h"

// ---- basic records -----------------------------------------------------------------
// RECT, POINT and SIZE live in kernel_types.h.

using ATOM = WORD;
using COLORREF = DWORD;
using LONG_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;

// Opaque handles. Window handles carry a slot and a generation, so a handle of a
// destroyed window is refused by every call instead of reaching a new window.
struct WindowObject;
using HWND = WindowObject*;
struct ModuleObject;
using HINSTANCE = ModuleObject*;
using HMODULE = ModuleObject*;
struct IconObject;
using HICON = IconObject*;
using HCURSOR = IconObject*;
struct GdiObject;
using HGDIOBJ = GdiObject*;
using HBRUSH = GdiObject*;
using HRGN = GdiObject*;
struct DeviceContextObject;
using HDC = DeviceContextObject*;
struct MenuObject;
using HMENU = MenuObject*;
struct AcceleratorObject;
using HACCEL = AcceleratorObject*;
struct HookObject;
using HHOOK = HookObject*;
struct DropObject;
using HDROP = DropObject*;
struct InputContextObject;
using HIMC = InputContextObject*;

using WNDPROC = LRESULT (*)(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
using TIMERPROC = void (*)(HWND window, UINT message, UINT_PTR id, DWORD time);
using FARPROC = void (*)();

// Resource names given as numbers (icon and cursor IDs).
#define MAKEINTRESOURCEA(id) (reinterpret_cast<const char*>(static_cast<std::uintptr_t>(static_cast<WORD>(id))))
#define IDI_APPLICATION MAKEINTRESOURCEA(32512)
#define IDC_ARROW MAKEINTRESOURCEA(32512)

// Special window handles of SetWindowPos and PeekMessageA.
#define HWND_TOP (reinterpret_cast<HWND>(static_cast<std::intptr_t>(0)))
#define HWND_BOTTOM (reinterpret_cast<HWND>(static_cast<std::intptr_t>(1)))
#define HWND_TOPMOST (reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1)))
#define HWND_NOTOPMOST (reinterpret_cast<HWND>(static_cast<std::intptr_t>(-2)))

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;  // timeGetTime when the message was queued
    POINT pt;    // cursor position (screen) when the message was queued
};

struct WNDCLASSEXA {
    UINT cbSize;
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    const char* lpszMenuName;
    const char* lpszClassName;
    HICON hIconSm;
};

// lParam of WM_CREATE.
struct CREATESTRUCTA {
    void* lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    const char* lpszName;
    const char* lpszClass;
    DWORD dwExStyle;
};

struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
};

struct MENUITEMINFOA {
    UINT cbSize;
    UINT fMask;
    UINT fType;
    UINT fState;
    UINT wID;
    HMENU hSubMenu;
    void* hbmpChecked;
    void* hbmpUnchecked;
    std::uintptr_t dwItemData;
    char* dwTypeData;
    UINT cch;
    void* hbmpItem;
};

// The input method's candidate list; dwOffset holds dwCount offsets from the start.
struct CANDIDATELIST {
    DWORD dwSize;
    DWORD dwStyle;
    DWORD dwCount;
    DWORD dwSelection;
    DWORD dwPageStart;
    DWORD dwPageSize;
    DWORD dwOffset[1];
};

// ---- word helpers ------------------------------------------------------------------
constexpr WORD LOWORD(std::uintptr_t value) { return static_cast<WORD>(value & 0xFFFF); }
constexpr WORD HIWORD(std::uintptr_t value) { return static_cast<WORD>((value >> 16) & 0xFFFF); }
constexpr BYTE LOBYTE(std::uintptr_t value) { return static_cast<BYTE>(value & 0xFF); }
constexpr LONG MAKELONG(WORD low, WORD high) {
    return static_cast<LONG>(static_cast<DWORD>(low) | (static_cast<DWORD>(high) << 16));
}
constexpr LPARAM MAKELPARAM(WORD low, WORD high) { return static_cast<LPARAM>(static_cast<DWORD>(MAKELONG(low, high))); }
constexpr WPARAM MAKEWPARAM(WORD low, WORD high) { return static_cast<WPARAM>(static_cast<DWORD>(MAKELONG(low, high))); }
// Signed client coordinates of mouse and WM_MOVE messages.
constexpr int GET_X_LPARAM(LPARAM value) { return static_cast<short>(value & 0xFFFF); }
constexpr int GET_Y_LPARAM(LPARAM value) { return static_cast<short>((value >> 16) & 0xFFFF); }
constexpr COLORREF RGB(int red, int green, int blue) {
    return static_cast<COLORREF>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}
constexpr BYTE GetRValue(COLORREF color) { return static_cast<BYTE>(color & 0xFF); }
constexpr BYTE GetGValue(COLORREF color) { return static_cast<BYTE>((color >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF color) { return static_cast<BYTE>((color >> 16) & 0xFF); }

// ---- messages ----------------------------------------------------------------------
constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_ACTIVATE = 0x0006;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_ERASEBKGND = 0x0014;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_ACTIVATEAPP = 0x001C;
constexpr UINT WM_SETCURSOR = 0x0020;
constexpr UINT WM_DISPLAYCHANGE = 0x007E;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_SYSCHAR = 0x0106;
constexpr UINT WM_IME_STARTCOMPOSITION = 0x010D;
constexpr UINT WM_IME_ENDCOMPOSITION = 0x010E;
constexpr UINT WM_IME_COMPOSITION = 0x010F;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_MBUTTONDOWN = 0x0207;
constexpr UINT WM_MBUTTONUP = 0x0208;
constexpr UINT WM_MOUSEWHEEL = 0x020A;
constexpr UINT WM_SIZING = 0x0214;
constexpr UINT WM_MOVING = 0x0216;
constexpr UINT WM_DROPFILES = 0x0233;
constexpr UINT WM_IME_SETCONTEXT = 0x0281;
constexpr UINT WM_IME_NOTIFY = 0x0282;
constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_APP = 0x8000;
constexpr UINT MM_MCINOTIFY = 0x03B9;
constexpr UINT TB_DELETEBUTTON = 0x0416;

// WM_ACTIVATE: low word of wParam; the high word is 1 when the window is minimised.
constexpr WORD WA_INACTIVE = 0;
constexpr WORD WA_ACTIVE = 1;
constexpr WORD WA_CLICKACTIVE = 2;
// WM_SIZE wParam.
constexpr WPARAM SIZE_RESTORED = 0;
constexpr WPARAM SIZE_MINIMIZED = 1;
constexpr WPARAM SIZE_MAXIMIZED = 2;
// WM_SYSCOMMAND wParam.
constexpr WPARAM SC_MINIMIZE = 0xF020;
constexpr WPARAM SC_MAXIMIZE = 0xF030;
constexpr WPARAM SC_CLOSE = 0xF060;
constexpr WPARAM SC_KEYMENU = 0xF100;
constexpr WPARAM SC_RESTORE = 0xF120;
constexpr WPARAM SC_SCREENSAVE = 0xF140;
constexpr WPARAM SC_MONITORPOWER = 0xF170;
// WM_SIZING wParam: the edge being dragged.
constexpr WPARAM WMSZ_LEFT = 1;
constexpr WPARAM WMSZ_RIGHT = 2;
constexpr WPARAM WMSZ_TOP = 3;
constexpr WPARAM WMSZ_TOPLEFT = 4;
constexpr WPARAM WMSZ_TOPRIGHT = 5;
constexpr WPARAM WMSZ_BOTTOM = 6;
constexpr WPARAM WMSZ_BOTTOMLEFT = 7;
constexpr WPARAM WMSZ_BOTTOMRIGHT = 8;
// WM_SETCURSOR: hit-test code in the low word of lParam.
constexpr WORD HTCLIENT = 1;
// Mouse message wParam: buttons and keys held.
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr WPARAM MK_MBUTTON = 0x0010;
constexpr int WHEEL_DELTA = 120;

// PeekMessageA options.
constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;
constexpr UINT PM_NOYIELD = 0x0002;

// ---- window and class styles ---------------------------------------------------------
constexpr DWORD WS_OVERLAPPED = 0x00000000u;
constexpr DWORD WS_POPUP = 0x80000000u;
constexpr DWORD WS_CHILD = 0x40000000u;
constexpr DWORD WS_MINIMIZE = 0x20000000u;
constexpr DWORD WS_VISIBLE = 0x10000000u;
constexpr DWORD WS_DISABLED = 0x08000000u;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000u;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000u;
constexpr DWORD WS_MAXIMIZE = 0x01000000u;
constexpr DWORD WS_CAPTION = 0x00C00000u;
constexpr DWORD WS_BORDER = 0x00800000u;
constexpr DWORD WS_DLGFRAME = 0x00400000u;
constexpr DWORD WS_SYSMENU = 0x00080000u;
constexpr DWORD WS_THICKFRAME = 0x00040000u;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000u;
constexpr DWORD WS_MAXIMIZEBOX = 0x00010000u;
constexpr DWORD WS_OVERLAPPEDWINDOW = 0x00CF0000u;

constexpr DWORD WS_EX_TOPMOST = 0x00000008u;
constexpr DWORD WS_EX_ACCEPTFILES = 0x00000010u;
constexpr DWORD WS_EX_TRANSPARENT = 0x00000020u;
constexpr DWORD WS_EX_TOOLWINDOW = 0x00000080u;
constexpr DWORD WS_EX_WINDOWEDGE = 0x00000100u;
constexpr DWORD WS_EX_CLIENTEDGE = 0x00000200u;
constexpr DWORD WS_EX_APPWINDOW = 0x00040000u;

constexpr UINT CS_VREDRAW = 0x0001;
constexpr UINT CS_HREDRAW = 0x0002;
constexpr UINT CS_DBLCLKS = 0x0008;
constexpr UINT CS_OWNDC = 0x0020;

constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000u);

// Get/SetWindowLongA indexes.
constexpr int GWL_STYLE = -16;
constexpr int GWL_EXSTYLE = -20;
constexpr int GWLP_WNDPROC = -4;
constexpr int GWLP_USERDATA = -21;

// ShowWindow commands.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_NORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_MAXIMIZE = 3;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_SHOWMINNOACTIVE = 7;
constexpr int SW_SHOWNA = 8;
constexpr int SW_RESTORE = 9;

// SetWindowPos flags.
constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_NOREDRAW = 0x0008;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_FRAMECHANGED = 0x0020;
constexpr UINT SWP_SHOWWINDOW = 0x0040;
constexpr UINT SWP_HIDEWINDOW = 0x0080;
constexpr UINT SWP_NOOWNERZORDER = 0x0200;
constexpr UINT SWP_NOSENDCHANGING = 0x0400;

// GetSystemMetrics.
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CYCAPTION = 4;
constexpr int SM_CYMENU = 15;
constexpr int SM_CXFULLSCREEN = 16;
constexpr int SM_CYFULLSCREEN = 17;
constexpr int SM_CXFRAME = 32;
constexpr int SM_CYFRAME = 33;

// ---- virtual keys ----------------------------------------------------------------------
constexpr UINT VK_BACK = 0x08;
constexpr UINT VK_TAB = 0x09;
constexpr UINT VK_CLEAR = 0x0C;
constexpr UINT VK_RETURN = 0x0D;
constexpr UINT VK_SHIFT = 0x10;
constexpr UINT VK_CONTROL = 0x11;
constexpr UINT VK_MENU = 0x12;
constexpr UINT VK_PAUSE = 0x13;
constexpr UINT VK_CAPITAL = 0x14;
constexpr UINT VK_KANA = 0x15;
constexpr UINT VK_KANJI = 0x19;
constexpr UINT VK_ESCAPE = 0x1B;
constexpr UINT VK_CONVERT = 0x1C;
constexpr UINT VK_NONCONVERT = 0x1D;
constexpr UINT VK_SPACE = 0x20;
constexpr UINT VK_PRIOR = 0x21;
constexpr UINT VK_NEXT = 0x22;
constexpr UINT VK_END = 0x23;
constexpr UINT VK_HOME = 0x24;
constexpr UINT VK_LEFT = 0x25;
constexpr UINT VK_UP = 0x26;
constexpr UINT VK_RIGHT = 0x27;
constexpr UINT VK_DOWN = 0x28;
constexpr UINT VK_SNAPSHOT = 0x2C;
constexpr UINT VK_INSERT = 0x2D;
constexpr UINT VK_DELETE = 0x2E;
// '0'-'9' and 'A'-'Z' are their own codes.
constexpr UINT VK_LWIN = 0x5B;
constexpr UINT VK_RWIN = 0x5C;
constexpr UINT VK_APPS = 0x5D;
constexpr UINT VK_NUMPAD0 = 0x60;
constexpr UINT VK_NUMPAD9 = 0x69;
constexpr UINT VK_MULTIPLY = 0x6A;
constexpr UINT VK_ADD = 0x6B;
constexpr UINT VK_SEPARATOR = 0x6C;
constexpr UINT VK_SUBTRACT = 0x6D;
constexpr UINT VK_DECIMAL = 0x6E;
constexpr UINT VK_DIVIDE = 0x6F;
constexpr UINT VK_F1 = 0x70;
constexpr UINT VK_F12 = 0x7B;
constexpr UINT VK_F24 = 0x87;
constexpr UINT VK_NUMLOCK = 0x90;
constexpr UINT VK_SCROLL = 0x91;
constexpr UINT VK_LSHIFT = 0xA0;
constexpr UINT VK_RSHIFT = 0xA1;
constexpr UINT VK_LCONTROL = 0xA2;
constexpr UINT VK_RCONTROL = 0xA3;
constexpr UINT VK_LMENU = 0xA4;
constexpr UINT VK_RMENU = 0xA5;
constexpr UINT VK_OEM_1 = 0xBA;
constexpr UINT VK_OEM_PLUS = 0xBB;
constexpr UINT VK_OEM_COMMA = 0xBC;
constexpr UINT VK_OEM_MINUS = 0xBD;
constexpr UINT VK_OEM_PERIOD = 0xBE;
constexpr UINT VK_OEM_2 = 0xBF;
constexpr UINT VK_OEM_3 = 0xC0;
constexpr UINT VK_OEM_4 = 0xDB;
constexpr UINT VK_OEM_5 = 0xDC;
constexpr UINT VK_OEM_6 = 0xDD;
constexpr UINT VK_OEM_7 = 0xDE;
constexpr UINT VK_OEM_102 = 0xE2;

// ---- window classes and windows --------------------------------------------------------
// The program's own module; any other name is not loaded (null).
HINSTANCE GetModuleHandleA(const char* name);
// Icons, cursors and stock objects are tokens: any name gives a valid token.
HICON LoadIconA(HINSTANCE instance, const char* name);
HCURSOR LoadCursorA(HINSTANCE instance, const char* name);

// Class names compare without case. 0 on failure (class exists, bad record).
ATOM RegisterClassExA(const WNDCLASSEXA* window_class);
// Fails while a window of the class exists.
BOOL UnregisterClassA(const char* class_name, HINSTANCE instance);

// Sends WM_CREATE (lParam = CREATESTRUCTA*) before it returns; a WM_CREATE answer of -1
// destroys the window again and gives null. WS_VISIBLE shows it as ShowWindow(SW_SHOW).
// The window's frame is zero: window and client rectangles coincide. A pop-up without a
// caption that is topmost covers the desktop (full screen) while keeping the rectangle
// the program gave it. Creating a top-level window takes the lock file of its class
// (see FindWindowA) for as long as the window exists.
HWND CreateWindowExA(DWORD ex_style, const char* class_name, const char* window_name, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance, void* parameter);
// Sends WM_DESTROY at once, drops the window's queued messages and timers.
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
BOOL IsWindowVisible(HWND window);
BOOL IsIconic(HWND window);
// A top-level window of the class, in this process or (through the class's lock file)
// in another running process; null when there is none. The title is not compared.
HWND FindWindowA(const char* class_name, const char* window_name);

// The first show activates (WM_ACTIVATE WA_ACTIVE), then sends WM_SIZE and WM_MOVE and
// marks the client invalid. Returns whether the window was visible before.
BOOL ShowWindow(HWND window, int command);
// Sends WM_PAINT at once when the window has an invalid area.
BOOL UpdateWindow(HWND window);
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
BOOL ValidateRect(HWND window, const RECT* rect);

// Both send WM_MOVE (client x | y << 16) and then WM_SIZE(SIZE_RESTORED, w | h << 16),
// each only when that part of the rectangle really changed.
BOOL SetWindowPos(HWND window, HWND insert_after, int x, int y, int width, int height, UINT flags);
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
// Screen coordinates; fail (FALSE) on a window that does not exist.
BOOL GetWindowRect(HWND window, RECT* rect);
BOOL GetClientRect(HWND window, RECT* rect);
BOOL ClientToScreen(HWND window, POINT* point);
BOOL ScreenToClient(HWND window, POINT* point);
// The frame is zero, so the rectangle is left as it is.
BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD ex_style);

// GWL_STYLE and GWL_EXSTYLE change the real window (border, resizable, topmost, full
// screen); the previous value is returned. WS_VISIBLE is read-only here.
LONG SetWindowLongA(HWND window, int index, LONG value);
LONG GetWindowLongA(HWND window, int index);
LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value);
LONG_PTR GetWindowLongPtrA(HWND window, int index);
// CP932 title, shown as UTF-8.
BOOL SetWindowTextA(HWND window, const char* text);
int GetWindowTextA(HWND window, char* text, int size);

// Activation and stacking. Raising never sends messages.
BOOL BringWindowToTop(HWND window);
BOOL SetForegroundWindow(HWND window);
HWND SetActiveWindow(HWND window);
HWND GetForegroundWindow();
HWND GetActiveWindow();
DWORD GetWindowThreadProcessId(HWND window, DWORD* process_id);
BOOL AttachThreadInput(DWORD attach_thread, DWORD to_thread, BOOL attach);
BOOL SetWindowRgn(HWND window, HRGN region, BOOL redraw);

// ---- messages ----------------------------------------------------------------------------
// Posted messages are kept in order. A null window posts a thread message; a window that
// does not exist makes the call fail. Safe from any thread.
BOOL PostMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// Calls the window procedure at once; 0 for a window that does not exist.
LRESULT SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// Order of retrieval: posted messages, window-system input (keys, mouse, focus, size,
// close, text), WM_QUIT, WM_PAINT of an invalid visible window, WM_TIMER of a due timer.
// window: null any, (HWND)-1 thread messages only, else that window. Filter 0, 0 = all.
// FALSE when nothing matches.
BOOL PeekMessageA(MSG* message, HWND window, UINT filter_min, UINT filter_max, UINT remove);
// WM_KEYDOWN / WM_SYSKEYDOWN: posts WM_CHAR (WM_SYSCHAR with Alt) for each CP932 byte
// typed with the key, or 8, 9, 13, 27 for Backspace, Tab, Enter, Escape.
BOOL TranslateMessage(const MSG* message);
// Calls the window procedure (a WM_TIMER with a TIMERPROC in lParam calls that instead).
LRESULT DispatchMessageA(const MSG* message);
LRESULT CallWindowProcA(WNDPROC procedure, HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// WM_CLOSE destroys the window, WM_PAINT validates it; everything else answers 0.
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// WM_QUIT(exit code) is retrieved after every queued message.
void PostQuitMessage(int exit_code);
int TranslateAcceleratorA(HWND window, HACCEL table, MSG* message);
BOOL IsDialogMessageA(HWND dialog, MSG* message);

// Timers run inside PeekMessageA on timeGetTime's clock: a due timer gives one WM_TIMER
// (wParam id, lParam the TIMERPROC) and is due again `elapse` ms after it was taken.
// With a window the id given is returned; without one a fresh id. 0 on failure.
UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC procedure);
BOOL KillTimer(HWND window, UINT_PTR id);

// ---- screen, cursor, device contexts ----------------------------------------------------
// SM_CXSCREEN, SM_CYSCREEN: the desktop size; frame and caption sizes are 0.
int GetSystemMetrics(int index);

// Returns the new display count; the cursor is shown while the count is 0 or more.
int ShowCursor(BOOL show);
// Null hides the cursor image over the window; returns the previous cursor.
HCURSOR SetCursor(HCURSOR cursor);
// Screen coordinates; over a full-screen window, in the program's screen pixels.
BOOL GetCursorPos(POINT* point);
BOOL SetCursorPos(int x, int y);

// GetDeviceCaps indexes.
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr int VREFRESH = 116;

// Stock objects.
constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = 5;

// GetDC(null) is the screen. The desktop always reports 32 bits per pixel, 1 plane.
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
// GetClipBox results: the kind of the visible region of a device context.
constexpr int ERROR_REGION = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;
// The box around what a window's device context can draw on, in client coordinates: the
// client area while the window is shown and not minimised (SIMPLEREGION), else empty
// (NULLREGION). ERROR_REGION for the screen's or an unknown context.
int GetClipBox(HDC dc, RECT* box);
int GetDeviceCaps(HDC dc, int index);
// Validates the window and gives the invalid area in rcPaint.
HDC BeginPaint(HWND window, PAINTSTRUCT* paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT* paint);
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
HBRUSH CreateSolidBrush(COLORREF color);
HGDIOBJ GetStockObject(int index);
// Stock objects are not deleted (TRUE, nothing happens).
BOOL DeleteObject(HGDIOBJ object);

// ---- menus (data only: nothing is drawn) -------------------------------------------------
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_SEPARATOR = 0x0800;
constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT MFT_STRING = 0x0000;
constexpr UINT MFT_SEPARATOR = 0x0800;
constexpr UINT MIIM_STATE = 0x0001;
constexpr UINT MIIM_ID = 0x0002;
constexpr UINT MIIM_SUBMENU = 0x0004;
constexpr UINT MIIM_TYPE = 0x0010;
constexpr UINT MIIM_DATA = 0x0020;
constexpr UINT MIIM_STRING = 0x0040;
constexpr UINT MIIM_FTYPE = 0x0100;
HMENU CreateMenu();
HMENU CreatePopupMenu();
// MF_POPUP: `id` is the submenu (HMENU) converted to an integer.
BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR id, const char* name);
BOOL DestroyMenu(HMENU menu);
// -1 for a menu that does not exist.
int GetMenuItemCount(HMENU menu);
BOOL GetMenuItemInfoA(HMENU menu, UINT item, BOOL by_position, MENUITEMINFOA* info);
BOOL SetMenu(HWND window, HMENU menu);
HMENU GetMenu(HWND window);
BOOL DrawMenuBar(HWND window);

// ---- hooks, dropped files, loadable modules (none exist here) -----------------------------
BOOL UnhookWindowsHookEx(HHOOK hook);
UINT DragQueryFileA(HDROP drop, UINT index, char* name, UINT size);
void DragFinish(HDROP drop);
void DragAcceptFiles(HWND window, BOOL accept);
HMODULE LoadLibraryA(const char* name);
FARPROC GetProcAddress(HMODULE module, const char* name);
BOOL FreeLibrary(HMODULE module);

// ---- system parameters -----------------------------------------------------------------
constexpr UINT SPI_GETSCREENSAVEACTIVE = 0x0010;
constexpr UINT SPI_SETSCREENSAVEACTIVE = 0x0011;
constexpr UINT SPI_SETSCREENSAVERRUNNING = 0x0061;
constexpr UINT SPI_GETFOREGROUNDLOCKTIMEOUT = 0x2000;
constexpr UINT SPI_SETFOREGROUNDLOCKTIMEOUT = 0x2001;
constexpr UINT SPIF_UPDATEINIFILE = 0x0001;
constexpr UINT SPIF_SENDCHANGE = 0x0002;
constexpr UINT SPIF_SENDWININICHANGE = 0x0002;
// The screen saver switch (GET writes a BOOL to `data`; SET takes it in `value`) is the
// process's own: it starts on (the user's setting) and ends with the process. The
// foreground lock time-out reads what was last set (0 at first); the screen-saver-running
// setting is accepted and does nothing; anything else fails.
BOOL SystemParametersInfoA(UINT action, UINT value, void* data, UINT flags);

// ---- message box -------------------------------------------------------------------------
constexpr UINT MB_OK = 0x00000000u;
constexpr UINT MB_OKCANCEL = 0x00000001u;
constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002u;
constexpr UINT MB_YESNOCANCEL = 0x00000003u;
constexpr UINT MB_YESNO = 0x00000004u;
constexpr UINT MB_RETRYCANCEL = 0x00000005u;
constexpr UINT MB_ICONHAND = 0x00000010u;
constexpr UINT MB_ICONERROR = 0x00000010u;
constexpr UINT MB_ICONQUESTION = 0x00000020u;
constexpr UINT MB_ICONEXCLAMATION = 0x00000030u;
constexpr UINT MB_ICONWARNING = 0x00000030u;
constexpr UINT MB_ICONASTERISK = 0x00000040u;
constexpr UINT MB_ICONINFORMATION = 0x00000040u;
constexpr UINT MB_DEFBUTTON2 = 0x00000100u;
constexpr UINT MB_SETFOREGROUND = 0x00010000u;
constexpr UINT MB_TOPMOST = 0x00040000u;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
// CP932 text and caption. With no display to show it on, the answer is No when the box
// has a No button (else Cancel, else OK) and the text goes to standard error. The
// environment variable VOMUR_MESSAGE_BOX_ANSWER (1-7) answers without showing the box.
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);

// ---- input method ------------------------------------------------------------------------
constexpr DWORD GCS_COMPREADSTR = 0x0001;
constexpr DWORD GCS_COMPSTR = 0x0008;
constexpr DWORD GCS_COMPATTR = 0x0010;
constexpr DWORD GCS_COMPCLAUSE = 0x0020;
constexpr DWORD GCS_CURSORPOS = 0x0080;
constexpr DWORD GCS_DELTASTART = 0x0100;
constexpr DWORD GCS_RESULTSTR = 0x0800;
constexpr DWORD GCS_RESULTCLAUSE = 0x1000;
constexpr DWORD SCS_SETSTR = GCS_COMPREADSTR | GCS_COMPSTR;
constexpr DWORD NI_COMPOSITIONSTR = 0x0015;
constexpr DWORD CPS_COMPLETE = 0x0001;
constexpr DWORD CPS_CONVERT = 0x0002;
constexpr DWORD CPS_REVERT = 0x0003;
constexpr DWORD CPS_CANCEL = 0x0004;
constexpr WPARAM IMN_CLOSESTATUSWINDOW = 0x0001;
constexpr WPARAM IMN_OPENSTATUSWINDOW = 0x0002;
constexpr WPARAM IMN_CHANGECANDIDATE = 0x0003;
constexpr WPARAM IMN_CLOSECANDIDATE = 0x0004;
constexpr WPARAM IMN_OPENCANDIDATE = 0x0005;
constexpr WPARAM IMN_SETCONVERSIONMODE = 0x0006;
constexpr WPARAM IMN_SETSENTENCEMODE = 0x0007;
constexpr WPARAM IMN_SETOPENSTATUS = 0x0008;
constexpr WPARAM IMN_SETCANDIDATEPOS = 0x0009;

// The input method of a window follows the window system's text editing: while the
// window's IME is enabled, a composition arrives as WM_IME_STARTCOMPOSITION,
// WM_IME_COMPOSITION and WM_IME_ENDCOMPOSITION, its finished text as GCS_RESULTSTR.
// Typed text outside a composition, and all text while the IME is disabled, arrives as
// WM_CHAR bytes. All texts are CP932; sizes and positions are in bytes.
HIMC ImmGetContext(HWND window);
BOOL ImmReleaseContext(HWND window, HIMC context);
// buffer_size 0: the size needed. GCS_CURSORPOS returns the cursor byte position;
// GCS_COMPCLAUSE gives the clause offsets as DWORDs. Negative on a bad context.
LONG ImmGetCompositionStringA(HIMC context, DWORD index, void* buffer, DWORD buffer_size);
// No candidate list is ever available: always 0.
DWORD ImmGetCandidateListA(HIMC context, DWORD index, CANDIDATELIST* list, DWORD buffer_size);
// NI_COMPOSITIONSTR with CPS_CANCEL clears the composition; others are accepted.
BOOL ImmNotifyIME(HIMC context, DWORD action, DWORD index, DWORD value);
// SCS_SETSTR replaces the composition text (local state; nothing is sent).
BOOL ImmSetCompositionStringA(HIMC context, DWORD index, const void* composition, DWORD composition_size,
                              const void* reading, DWORD reading_size);
BOOL ImmSetOpenStatus(HIMC context, BOOL open);
BOOL ImmGetOpenStatus(HIMC context);
// Routes text of the window through the IME messages (TRUE) or as WM_CHAR only (FALSE).
// Text input itself stays on either way. Returns the previous setting.
BOOL WINNLSEnableIME(HWND window, BOOL enable);
