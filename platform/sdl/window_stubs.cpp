// Placeholder bodies of the window, message and COM calls while their real
// implementations are written; every function here moves to its own unit.
#include "platform/com.h"
#include "platform/window.h"
#include "platform/window_hooks.h"

#pragma GCC diagnostic ignored "-Wunused-parameter"

HINSTANCE GetModuleHandleA(const char* name) { return {}; }
HICON LoadIconA(HINSTANCE instance, const char* name) { return {}; }
HCURSOR LoadCursorA(HINSTANCE instance, const char* name) { return {}; }
ATOM RegisterClassExA(const WNDCLASSEXA* window_class) { return {}; }
BOOL UnregisterClassA(const char* class_name, HINSTANCE instance) { return {}; }
HWND CreateWindowExA(DWORD ex_style, const char* class_name, const char* window_name, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance, void* parameter) { return {}; }
BOOL DestroyWindow(HWND window) { return {}; }
BOOL IsWindow(HWND window) { return {}; }
BOOL IsWindowVisible(HWND window) { return {}; }
BOOL IsIconic(HWND window) { return {}; }
HWND FindWindowA(const char* class_name, const char* window_name) { return {}; }
BOOL ShowWindow(HWND window, int command) { return {}; }
BOOL UpdateWindow(HWND window) { return {}; }
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase) { return {}; }
BOOL ValidateRect(HWND window, const RECT* rect) { return {}; }
BOOL SetWindowPos(HWND window, HWND insert_after, int x, int y, int width, int height, UINT flags) { return {}; }
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint) { return {}; }
BOOL GetWindowRect(HWND window, RECT* rect) { return {}; }
BOOL GetClientRect(HWND window, RECT* rect) { return {}; }
BOOL ClientToScreen(HWND window, POINT* point) { return {}; }
BOOL ScreenToClient(HWND window, POINT* point) { return {}; }
BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD ex_style) { return {}; }
LONG SetWindowLongA(HWND window, int index, LONG value) { return {}; }
LONG GetWindowLongA(HWND window, int index) { return {}; }
LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value) { return {}; }
LONG_PTR GetWindowLongPtrA(HWND window, int index) { return {}; }
BOOL SetWindowTextA(HWND window, const char* text) { return {}; }
int GetWindowTextA(HWND window, char* text, int size) { return {}; }
BOOL BringWindowToTop(HWND window) { return {}; }
BOOL SetForegroundWindow(HWND window) { return {}; }
HWND SetActiveWindow(HWND window) { return {}; }
HWND GetForegroundWindow() { return {}; }
HWND GetActiveWindow() { return {}; }
DWORD GetWindowThreadProcessId(HWND window, DWORD* process_id) { return {}; }
BOOL AttachThreadInput(DWORD attach_thread, DWORD to_thread, BOOL attach) { return {}; }
BOOL SetWindowRgn(HWND window, HRGN region, BOOL redraw) { return {}; }
BOOL PostMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) { return {}; }
LRESULT SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) { return {}; }
BOOL PeekMessageA(MSG* message, HWND window, UINT filter_min, UINT filter_max, UINT remove) { return {}; }
BOOL TranslateMessage(const MSG* message) { return {}; }
LRESULT DispatchMessageA(const MSG* message) { return {}; }
LRESULT CallWindowProcA(WNDPROC procedure, HWND window, UINT message, WPARAM wparam, LPARAM lparam) { return {}; }
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) { return {}; }
void PostQuitMessage(int exit_code) {  }
int TranslateAcceleratorA(HWND window, HACCEL table, MSG* message) { return {}; }
BOOL IsDialogMessageA(HWND dialog, MSG* message) { return {}; }
UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC procedure) { return {}; }
BOOL KillTimer(HWND window, UINT_PTR id) { return {}; }
int GetSystemMetrics(int index) { return {}; }
int ShowCursor(BOOL show) { return {}; }
HCURSOR SetCursor(HCURSOR cursor) { return {}; }
BOOL GetCursorPos(POINT* point) { return {}; }
BOOL SetCursorPos(int x, int y) { return {}; }
HDC GetDC(HWND window) { return {}; }
int ReleaseDC(HWND window, HDC dc) { return {}; }
int GetDeviceCaps(HDC dc, int index) { return {}; }
HDC BeginPaint(HWND window, PAINTSTRUCT* paint) { return {}; }
BOOL EndPaint(HWND window, const PAINTSTRUCT* paint) { return {}; }
int FillRect(HDC dc, const RECT* rect, HBRUSH brush) { return {}; }
HBRUSH CreateSolidBrush(COLORREF color) { return {}; }
HGDIOBJ GetStockObject(int index) { return {}; }
BOOL DeleteObject(HGDIOBJ object) { return {}; }
HMENU CreateMenu() { return {}; }
HMENU CreatePopupMenu() { return {}; }
BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR id, const char* name) { return {}; }
BOOL DestroyMenu(HMENU menu) { return {}; }
int GetMenuItemCount(HMENU menu) { return {}; }
BOOL GetMenuItemInfoA(HMENU menu, UINT item, BOOL by_position, MENUITEMINFOA* info) { return {}; }
BOOL SetMenu(HWND window, HMENU menu) { return {}; }
HMENU GetMenu(HWND window) { return {}; }
BOOL DrawMenuBar(HWND window) { return {}; }
BOOL UnhookWindowsHookEx(HHOOK hook) { return {}; }
UINT DragQueryFileA(HDROP drop, UINT index, char* name, UINT size) { return {}; }
void DragFinish(HDROP drop) {  }
void DragAcceptFiles(HWND window, BOOL accept) {  }
HMODULE LoadLibraryA(const char* name) { return {}; }
FARPROC GetProcAddress(HMODULE module, const char* name) { return {}; }
BOOL FreeLibrary(HMODULE module) { return {}; }
BOOL SystemParametersInfoA(UINT action, UINT value, void* data, UINT flags) { return {}; }
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) { return {}; }
HIMC ImmGetContext(HWND window) { return {}; }
BOOL ImmReleaseContext(HWND window, HIMC context) { return {}; }
LONG ImmGetCompositionStringA(HIMC context, DWORD index, void* buffer, DWORD buffer_size) { return {}; }
DWORD ImmGetCandidateListA(HIMC context, DWORD index, CANDIDATELIST* list, DWORD buffer_size) { return {}; }
BOOL ImmNotifyIME(HIMC context, DWORD action, DWORD index, DWORD value) { return {}; }
BOOL ImmSetCompositionStringA(HIMC context, DWORD index, const void* composition, DWORD composition_size,
                              const void* reading, DWORD reading_size) { return {}; }
BOOL ImmSetOpenStatus(HIMC context, BOOL open) { return {}; }
BOOL ImmGetOpenStatus(HIMC context) { return {}; }
BOOL WINNLSEnableIME(HWND window, BOOL enable) { return {}; }
HRESULT CoInitialize(void* reserved) { return {}; }
void CoUninitialize() {  }
HRESULT CoCreateInstance(REFCLSID class_id, IUnknown* outer, DWORD context, REFIID iid, void** object) { return {}; }
void RegisterComClass(REFCLSID class_id, ComClassFactory factory) {  }
namespace platform_hooks {
void SetCallFailure(const char* call_name, int count) {}
void ClearCallFailures() {}
bool TakeCallFailure(const char* call_name) { return false; }
bool InjectWindowEvent(HWND window, WindowEvent event, int x, int y) { return false; }
bool InjectKeyEvent(HWND window, UINT virtual_key, bool down, bool alt, bool shift, bool control) { return false; }
bool InjectTextInput(HWND window, const char* utf8) { return false; }
bool InjectTextEditing(HWND window, const char* utf8, int cursor) { return false; }
bool InjectMouseMotion(HWND window, int x, int y) { return false; }
bool InjectMouseButton(HWND window, int button, bool down, int x, int y) { return false; }
void InjectInputMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam, DWORD after_ms) {}
void InjectActivation(HWND window, bool active, bool minimized, DWORD after_ms) {}
void ClearScheduledInput() {}
void SetNextMessageBoxAnswer(int answer) {}
std::vector<MessageBoxRecord> TakeMessageBoxRecords() { return {}; }
void SetDesktopSizeOverride(int width, int height) {}
void SetInstanceLockDirectory(const std::string& folder) {}
std::string InstanceLockDirectory() { return {}; }
std::string InstanceLockPath(const char* class_name) { return {}; }
int CursorDisplayCount() { return 0; }
}  // namespace platform_hooks
