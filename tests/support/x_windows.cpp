// Finding windows, reading them back and typing into them on an X server, from the test
// process through Xlib and the X test extension.
#include "tests/support/x_windows.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <time.h>
#include <unistd.h>

namespace {

// A window that goes away between two requests makes the next one fail; such failures
// are caught for the connection being used instead of ending the process (Xlib's own
// handler exits). Failures on other connections (SDL's, in a test that opens its windows
// in its own process) go to the handler that was there before.
Display* g_trapped_display = nullptr;
bool g_trapped_failure = false;
XErrorHandler g_previous_handler = nullptr;

int NoteFailure(Display* display, XErrorEvent* error) {
    if (display == g_trapped_display) {
        g_trapped_failure = true;
        return 0;
    }
    return g_previous_handler != nullptr ? g_previous_handler(display, error) : 0;
}

class FailureTrap {
public:
    explicit FailureTrap(Display* display) : display_(display) {
        XSync(display_, False);
        g_trapped_display = display_;
        g_trapped_failure = false;
        g_previous_handler = XSetErrorHandler(NoteFailure);
    }
    ~FailureTrap() {
        XSync(display_, False);
        XSetErrorHandler(g_previous_handler);
        g_trapped_display = nullptr;
    }
    FailureTrap(const FailureTrap&) = delete;
    FailureTrap& operator=(const FailureTrap&) = delete;
    // True when no request made since the trap was set has failed.
    bool Clean() {
        XSync(display_, False);
        return !g_trapped_failure;
    }

private:
    Display* display_;
};

long MillisecondsNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

bool IsShown(Display* display, Window window) {
    FailureTrap trap(display);
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, window, &attributes) != 0 && trap.Clean() &&
           attributes.map_state == IsViewable;
}

void CollectMatches(Display* display, Window parent, const std::function<bool(const std::string&)>& matches,
                    std::vector<Window>* found) {
    Window root = 0;
    Window up = 0;
    Window* children = nullptr;
    unsigned count = 0;
    {
        FailureTrap trap(display);
        if (XQueryTree(display, parent, &root, &up, &children, &count) == 0 || !trap.Clean()) {
            if (children != nullptr) XFree(children);
            return;
        }
    }
    const std::vector<Window> below(children, children + count);
    if (children != nullptr) XFree(children);
    for (Window child : below) {
        // The children of a window that is not shown are not shown either.
        if (!IsShown(display, child)) continue;
        if (matches(WindowTitle(display, child))) found->push_back(child);
        CollectMatches(display, child, matches, found);
    }
}

// Where a channel (red, green or blue) lies in a pixel value, from the visual's mask.
struct ChannelShape {
    int shift = 0;
    int bits = 0;
};

ChannelShape ShapeOf(unsigned long mask) {
    ChannelShape shape;
    if (mask == 0) return shape;
    while (((mask >> shape.shift) & 1) == 0) ++shape.shift;
    while (((mask >> (shape.shift + shape.bits)) & 1) != 0) ++shape.bits;
    return shape;
}

// One channel of a pixel value, widened or narrowed to 8 bits.
std::uint32_t Channel(unsigned long value, ChannelShape shape) {
    if (shape.bits == 0) return 0;
    const std::uint64_t top = (std::uint64_t{1} << shape.bits) - 1;
    const std::uint64_t raw = (value >> shape.shift) & top;
    if (shape.bits >= 8) return static_cast<std::uint32_t>(raw >> (shape.bits - 8));
    return static_cast<std::uint32_t>(raw * 255 / top);
}

}  // namespace

XConnection::XConnection(const std::string& display_name) : display_(XOpenDisplay(display_name.c_str())) {}

XConnection::~XConnection() {
    if (display_ != nullptr) XCloseDisplay(display_);
}

bool WaitUntil(const std::function<bool()>& check, int timeout_ms) {
    const long deadline = MillisecondsNow() + timeout_ms;
    for (;;) {
        if (check()) return true;
        if (MillisecondsNow() >= deadline) return false;
        usleep(20000);
    }
}

std::string WindowTitle(Display* display, Window window) {
    FailureTrap trap(display);
    const Atom net_name = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long left = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, net_name, 0, 4096, False, utf8, &type, &format, &count, &left, &data) ==
            Success &&
        trap.Clean() && data != nullptr) {
        const bool usable = type == utf8 && format == 8;
        const std::string title(reinterpret_cast<const char*>(data), usable ? count : 0);
        XFree(data);
        if (usable) return title;
    }
    // WM_NAME names its own encoding (STRING, COMPOUND_TEXT, UTF8_STRING); Xlib converts
    // it to UTF-8 whatever locale the process runs in.
    XTextProperty text{};
    if (XGetWMName(display, window, &text) == 0 || !trap.Clean() || text.value == nullptr) return "";
    std::string title;
    char** list = nullptr;
    int items = 0;
    if (Xutf8TextPropertyToTextList(display, &text, &list, &items) >= Success && list != nullptr) {
        for (int i = 0; i < items; ++i) title += list[i];
    }
    if (list != nullptr) XFreeStringList(list);
    XFree(text.value);
    return title;
}

std::vector<Window> FindWindows(Display* display, const std::function<bool(const std::string& title)>& matches) {
    std::vector<Window> found;
    CollectMatches(display, DefaultRootWindow(display), matches, &found);
    return found;
}

Window WaitForWindow(Display* display, const std::function<bool(const std::string& title)>& matches,
                     int timeout_ms) {
    Window window = 0;
    WaitUntil(
        [&] {
            const std::vector<Window> found = FindWindows(display, matches);
            window = found.empty() ? 0 : found.front();
            return window != 0;
        },
        timeout_ms);
    return window;
}

Window WaitForWindowTitled(Display* display, const std::string& title, int timeout_ms) {
    return WaitForWindow(display, [&title](const std::string& name) { return name == title; }, timeout_ms);
}

bool ReadWindowGeometry(Display* display, Window window, WindowGeometry* geometry) {
    FailureTrap trap(display);
    XWindowAttributes attributes{};
    Window child = 0;
    int x = 0;
    int y = 0;
    if (XGetWindowAttributes(display, window, &attributes) == 0 ||
        XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child) == 0 ||
        !trap.Clean()) {
        return false;
    }
    *geometry = {x, y, attributes.width, attributes.height};
    return true;
}

WindowPixels GrabPixels(Display* display, Window window, int x, int y, int width, int height) {
    WindowPixels grabbed;
    if (width <= 0 || height <= 0) return grabbed;
    FailureTrap trap(display);
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, window, &attributes) == 0 || !trap.Clean() || attributes.visual == nullptr) {
        return grabbed;
    }
    XImage* image = XGetImage(display, window, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height),
                              AllPlanes, ZPixmap);
    if (!trap.Clean() || image == nullptr) {
        if (image != nullptr) XDestroyImage(image);
        return grabbed;
    }
    const ChannelShape red = ShapeOf(attributes.visual->red_mask);
    const ChannelShape green = ShapeOf(attributes.visual->green_mask);
    const ChannelShape blue = ShapeOf(attributes.visual->blue_mask);
    grabbed.width = width;
    grabbed.height = height;
    grabbed.pixels.resize(static_cast<std::size_t>(width) * height);
    for (int row = 0; row < height; ++row) {
        for (int col = 0; col < width; ++col) {
            const unsigned long value = XGetPixel(image, col, row);
            grabbed.pixels[static_cast<std::size_t>(row) * width + col] =
                Channel(value, red) << 16 | Channel(value, green) << 8 | Channel(value, blue);
        }
    }
    XDestroyImage(image);
    return grabbed;
}

WindowPixels GrabWindow(Display* display, Window window) {
    WindowGeometry geometry;
    if (!ReadWindowGeometry(display, window, &geometry)) return {};
    return GrabPixels(display, window, 0, 0, geometry.width, geometry.height);
}

bool FocusWindow(Display* display, Window window, int timeout_ms) {
    {
        FailureTrap trap(display);
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
        if (!trap.Clean()) return false;
    }
    return WaitUntil(
        [&] {
            Window focus = 0;
            int revert = 0;
            XGetInputFocus(display, &focus, &revert);
            return focus == window;
        },
        timeout_ms);
}

bool SendKey(Display* display, unsigned long key, bool down) {
    int event_base = 0;
    int error_base = 0;
    int major = 0;
    int minor = 0;
    if (XTestQueryExtension(display, &event_base, &error_base, &major, &minor) == 0) return false;
    const KeyCode code = XKeysymToKeycode(display, static_cast<KeySym>(key));
    if (code == 0) return false;
    FailureTrap trap(display);
    XTestFakeKeyEvent(display, code, down ? True : False, CurrentTime);
    return trap.Clean();
}

bool TypeKeyInto(Display* display, Window window, unsigned long key, int timeout_ms) {
    return FocusWindow(display, window, timeout_ms) && SendKey(display, key, true) && SendKey(display, key, false);
}
