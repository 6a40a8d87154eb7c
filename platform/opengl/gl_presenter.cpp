// The GL presenter: borrows the window from the picture presenter (which makes its SDL
// window GL-capable), makes the 3-D context current on it, copies the primary's
// framebuffer into the window's back buffer (rows flipped to GL's bottom-up order, scaled
// and letterboxed as the picture presenter would) and swaps, then returns the context to
// its hidden window so that nothing stays bound to a window that may go away.
#include "platform/opengl/gl_presenter.h"

#include <cmath>

#include "platform/sdl/window_internal.h"
#include "platform/sdl/window_presenter.h"

namespace gl_backend {
namespace {

std::uint64_t g_present_count = 0;

// Where a client area of `cw` x `ch` lands in a drawable of `w` x `h`: scaled to fit,
// centred (top-down coordinates).
RECT FitRect(int cw, int ch, int w, int h) {
    if (cw <= 0 || ch <= 0) return RECT{0, 0, w, h};
    const double want = static_cast<double>(cw) / ch;
    const double real = static_cast<double>(w) / h;
    if (want > real) {
        const int fit_h = static_cast<int>(std::floor(ch * (static_cast<double>(w) / cw)));
        const int top = (h - fit_h) / 2;
        return RECT{0, top, w, top + fit_h};
    }
    const int fit_w = static_cast<int>(std::floor(cw * (static_cast<double>(h) / ch)));
    const int left = (w - fit_w) / 2;
    return RECT{left, 0, left + fit_w, h};
}

}  // namespace

bool PresentThroughGl(HWND window, GLuint framebuffer, const RECT& shown, int client_width, int client_height,
                      const RECT& destination, bool fit) {
    if (client_width <= 0 || client_height <= 0 || IsContextLost()) return false;
    // The window is made with the attributes of the context so that the context can draw
    // into it.
    SetContextAttributes();
    SDL_Window* sdl = sdl_presenter::HandWindowToGl(window);
    if (sdl == nullptr) return false;
    if (!MakeCurrentOnWindow(sdl)) {
        sdl_presenter::RefuseGl(window);
        MakeCurrent();
        return false;
    }
    SDL_GL_SetSwapInterval(0);  // Flip has waited for the blank already when asked to
    int w = 0;
    int h = 0;
    SDL_GL_GetDrawableSize(sdl, &w, &h);
    const RECT client = FitRect(client_width, client_height, w, h);
    const double sx = static_cast<double>(client.right - client.left) / client_width;
    const double sy = static_cast<double>(client.bottom - client.top) / client_height;
    const RECT in_client = fit ? RECT{0, 0, client_width, client_height} : destination;
    const int x0 = client.left + static_cast<int>(std::lround(in_client.left * sx));
    const int x1 = client.left + static_cast<int>(std::lround(in_client.right * sx));
    const int y0 = client.top + static_cast<int>(std::lround(in_client.top * sy));
    const int y1 = client.top + static_cast<int>(std::lround(in_client.bottom * sy));
    gl.BindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    gl.ReadBuffer(GL_COLOR_ATTACHMENT0);
    gl.BindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    gl.DrawBuffer(GL_BACK);
    gl.Disable(GL_SCISSOR_TEST);
    gl.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    gl.ClearColor(0, 0, 0, 1);
    gl.Clear(GL_COLOR_BUFFER_BIT);
    // The surface's top row is its first; the window's framebuffer counts rows from the
    // bottom, so the destination runs upside down.
    gl.BlitFramebuffer(shown.left, shown.top, shown.right, shown.bottom, x0, h - y0, x1, h - y1, GL_COLOR_BUFFER_BIT,
                       GL_NEAREST);
    const bool ok = gl.GetError() == GL_NO_ERROR;
    if (ok) {
        SDL_GL_SwapWindow(sdl);
        ++g_present_count;
    }
    MakeCurrent();
    if (!ok) sdl_presenter::TakeWindowBackFromGl(window);
    return ok;
}

void GiveWindowBack(HWND window) {
    if (window != nullptr) sdl_presenter::TakeWindowBackFromGl(window);
}

std::uint64_t GlPresentCount() { return g_present_count; }

}  // namespace gl_backend
