// The windows on an X server as the real-window tests see them from their own process,
// through Xlib and the X test extension: found by title through every level of the tree
// (a window manager puts each client window inside a frame of its own), titles read as
// UTF-8 whatever the locale, keys pressed into a window, pixels and geometry read back.
// No helper program is run.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A connection to an X server (":N"), closed at the end of its scope; null when the
// server could not be reached.
class XConnection {
public:
    explicit XConnection(const std::string& display_name);
    ~XConnection();
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;
    Display* get() const { return display_; }

private:
    Display* display_ = nullptr;
};

// Calls `check` every 20 ms until it holds (true) or `timeout_ms` have passed (false).
bool WaitUntil(const std::function<bool()>& check, int timeout_ms);

// The title of `window` in UTF-8: its _NET_WM_NAME, else its WM_NAME converted from the
// encoding the property names; empty when it has neither (or has gone).
std::string WindowTitle(Display* display, Window window);

// The shown (viewable) windows whose title satisfies `matches`, from the whole tree
// below the root, parents before their children.
std::vector<Window> FindWindows(Display* display, const std::function<bool(const std::string& title)>& matches);
// The first shown window whose title satisfies `matches`, waited for until `timeout_ms`
// have passed; 0 when none came.
Window WaitForWindow(Display* display, const std::function<bool(const std::string& title)>& matches,
                     int timeout_ms);
// The same for a window titled exactly `title`.
Window WaitForWindowTitled(Display* display, const std::string& title, int timeout_ms);

// A window's client area: its top-left corner on the root window, and its size.
struct WindowGeometry {
    int x = 0, y = 0, width = 0, height = 0;
};
// False when the window has gone.
bool ReadWindowGeometry(Display* display, Window window, WindowGeometry* geometry);

// Pixels read back from the X server, a row after another, as 0x00RRGGBB.
struct WindowPixels {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};
// The rectangle (`x`, `y`, `width`, `height`) of `window` as the server shows it; empty
// (0 x 0) when it cannot be read (the window gone, unmapped, or the rectangle outside it).
WindowPixels GrabPixels(Display* display, Window window, int x, int y, int width, int height);
// All of `window` (the root window for the whole screen).
WindowPixels GrabWindow(Display* display, Window window);

// Gives `window` the keyboard focus and waits (up to `timeout_ms`) until the server
// reports it there; false when the window cannot take it (not shown, gone).
bool FocusWindow(Display* display, Window window, int timeout_ms);
// Presses (`down`) or releases the key of `key` (an X key symbol such as XK_Escape)
// through the X test extension, as if typed on the keyboard: it goes to the focused window.
bool SendKey(Display* display, unsigned long key, bool down);
// Focuses `window`, then presses and releases `key`.
bool TypeKeyInto(Display* display, Window window, unsigned long key, int timeout_ms);
