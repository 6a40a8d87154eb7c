// The presenter: one picture of each window's client area (0x00RRGGBB), drawn into by
// GDI output and by the primary surface, shown through an SDL streaming texture scaled to
// fit the window (letterboxed in a full-screen window), and handed to the frame capture
// of the tests. Relies on the SDL window records of the window layer.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/display_hooks.h"
#include "platform/sdl/window_internal.h"
#include "platform/sdl/window_presenter.h"
#include "platform/video/display_internal.h"

namespace {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // width x 4 bytes per row
    SDL_Window* sdl = nullptr;
    Uint32 sdl_id = 0;
    SDL_Renderer* renderer = nullptr;
    bool own_renderer = false;
    bool renderer_failed = false;
    SDL_Texture* texture = nullptr;
    int texture_width = 0;
    int texture_height = 0;
    bool gl_owned = false;  // the GL presenter shows the window
    Uint32 gl_refused_id = 0;  // the SDL window GL could not draw into (not handed to GL again)
};

std::unordered_map<HWND, Picture>& Pictures() {
    static std::unordered_map<HWND, Picture> pictures;
    return pictures;
}

std::atomic<bool> g_capture{false};
std::mutex g_capture_mutex;
std::vector<platform_hooks::PresentedFrame>& CapturedFrames() {
    static std::vector<platform_hooks::PresentedFrame> frames;
    return frames;
}

display::PixelView PictureView(Picture& picture) {
    display::PixelView view;
    view.pixels = picture.pixels.data();
    view.pitch = picture.width * 4;
    view.width = picture.width;
    view.height = picture.height;
    view.bytes_per_pixel = 4;
    view.red_mask = 0xFF0000;
    view.green_mask = 0x00FF00;
    view.blue_mask = 0x0000FF;
    return view;
}

void ReleaseSdlObjects(Picture& picture) {
    if (picture.texture != nullptr) SDL_DestroyTexture(picture.texture);
    if (picture.renderer != nullptr && picture.own_renderer) SDL_DestroyRenderer(picture.renderer);
    picture.texture = nullptr;
    picture.renderer = nullptr;
    picture.own_renderer = false;
    picture.renderer_failed = false;
    picture.texture_width = picture.texture_height = 0;
}

// The picture of a live window, resized to its client area (the top-left part is kept).
Picture* PictureOf(HWND window) {
    sdl_window::WindowRecord* record = sdl_window::FindWindowRecord(window);
    if (record == nullptr) return nullptr;
    Picture& picture = Pictures()[window];
    const int width = std::max(0, static_cast<int>(record->rect.right - record->rect.left));
    const int height = std::max(0, static_cast<int>(record->rect.bottom - record->rect.top));
    if (width != picture.width || height != picture.height) {
        std::vector<std::uint8_t> resized(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
        const int keep_width = std::min(width, picture.width);
        for (int y = 0; y < std::min(height, picture.height); ++y) {
            std::memcpy(resized.data() + static_cast<std::size_t>(y) * width * 4,
                        picture.pixels.data() + static_cast<std::size_t>(y) * picture.width * 4,
                        static_cast<std::size_t>(keep_width) * 4);
        }
        picture.pixels.swap(resized);
        picture.width = width;
        picture.height = height;
    }
    return &picture;
}

void ShowWithSdl(Picture& picture, sdl_window::WindowRecord& record) {
    if (picture.gl_owned || record.sdl == nullptr || !sdl_window::IsVideoThread() || picture.width == 0 ||
        picture.height == 0) {
        return;
    }
    if (picture.sdl != record.sdl || picture.sdl_id != record.sdl_id) {
        // A new SDL window: whatever was made for an earlier one went with it.
        picture.texture = nullptr;
        picture.renderer = nullptr;
        picture.own_renderer = false;
        picture.renderer_failed = false;
        picture.sdl = record.sdl;
        picture.sdl_id = record.sdl_id;
    }
    if (picture.renderer == nullptr && !picture.renderer_failed) {
        picture.renderer = SDL_GetRenderer(record.sdl);
        picture.own_renderer = false;
        if (picture.renderer == nullptr) {
            const Uint32 flags = sdl_window::IsHeadless() ? SDL_RENDERER_SOFTWARE : 0;
            picture.renderer = SDL_CreateRenderer(record.sdl, -1, flags);
            if (picture.renderer == nullptr && flags == 0) {
                picture.renderer = SDL_CreateRenderer(record.sdl, -1, SDL_RENDERER_SOFTWARE);
            }
            picture.own_renderer = picture.renderer != nullptr;
        }
        if (picture.renderer == nullptr) {
            picture.renderer_failed = true;
            return;
        }
    }
    if (picture.renderer == nullptr) return;
    if (picture.texture == nullptr || picture.texture_width != picture.width ||
        picture.texture_height != picture.height) {
        if (picture.texture != nullptr) SDL_DestroyTexture(picture.texture);
        picture.texture = SDL_CreateTexture(picture.renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                            picture.width, picture.height);
        picture.texture_width = picture.width;
        picture.texture_height = picture.height;
        if (picture.texture == nullptr) return;
    }
    SDL_UpdateTexture(picture.texture, nullptr, picture.pixels.data(), picture.width * 4);
    // The picture keeps its proportions: scaled to fit, with black bars where the window's
    // shape differs (a full-screen window over a wider desktop).
    SDL_RenderSetLogicalSize(picture.renderer, picture.width, picture.height);
    SDL_SetRenderDrawColor(picture.renderer, 0, 0, 0, 255);
    SDL_RenderClear(picture.renderer);
    SDL_RenderCopy(picture.renderer, picture.texture, nullptr, nullptr);
    SDL_RenderPresent(picture.renderer);
}

}  // namespace

namespace display {

bool DrawIntoWindowPicture(HWND window, const RECT& destination_rect, const PixelView& source,
                           const RECT& source_rect) {
    Picture* picture = PictureOf(window);
    if (picture == nullptr) return false;
    StretchCopy(PictureView(*picture), destination_rect, source, source_rect);
    return true;
}

void ShowWindowPicture(HWND window) {
    sdl_window::WindowRecord* record = sdl_window::FindWindowRecord(window);
    Picture* picture = PictureOf(window);
    if (record == nullptr || picture == nullptr) return;
    if (g_capture.load()) {
        platform_hooks::PresentedFrame frame{window, picture->width, picture->height, {}};
        frame.pixels.resize(static_cast<std::size_t>(picture->width) * static_cast<std::size_t>(picture->height));
        if (!frame.pixels.empty()) std::memcpy(frame.pixels.data(), picture->pixels.data(), frame.pixels.size() * 4);
        // Bits outside the channels may have been copied along; the frame holds colours only.
        for (std::uint32_t& pixel : frame.pixels) pixel &= 0xFFFFFFu;
        std::lock_guard<std::mutex> lock(g_capture_mutex);
        CapturedFrames().push_back(std::move(frame));
    }
    ShowWithSdl(*picture, *record);
}

bool IsPresentCaptureOn() { return g_capture.load(); }

bool ReadWindowPicture(HWND window, const PixelView& destination, const RECT& destination_rect,
                       const RECT& source_rect) {
    Picture* picture = PictureOf(window);
    if (picture == nullptr) return false;
    StretchCopy(destination, destination_rect, PictureView(*picture), source_rect);
    return true;
}

}  // namespace display

namespace sdl_presenter {

void ForgetWindowPicture(HWND window) {
    auto found = Pictures().find(window);
    if (found == Pictures().end()) return;
    sdl_window::WindowRecord* record = sdl_window::FindWindowRecord(window);
    // Only a renderer of the window that still exists can be released.
    if (record != nullptr && record->sdl == found->second.sdl && record->sdl_id == found->second.sdl_id) {
        ReleaseSdlObjects(found->second);
    }
    Pictures().erase(found);
}

SDL_Window* HandWindowToGl(HWND window) {
    sdl_window::WindowRecord* record = sdl_window::FindWindowRecord(window);
    if (record == nullptr || record->sdl == nullptr || !sdl_window::IsVideoThread()) return nullptr;
    Picture* picture = PictureOf(window);
    if (picture == nullptr) return nullptr;
    if (picture->gl_owned) return record->sdl;
    // An SDL window GL could not draw into stays with the picture presenter: handing it over
    // again would only tear down and re-make its renderer on every frame.
    if (picture->gl_refused_id != 0 && picture->gl_refused_id == record->sdl_id) return nullptr;
    // SDL's renderer on the window goes before GL draws there (and before the SDL window
    // may be re-made).
    if (picture->sdl == record->sdl && picture->sdl_id == record->sdl_id) ReleaseSdlObjects(*picture);
    SDL_Window* sdl = sdl_window::GlCapableSdlWindow(*record);
    if (sdl == nullptr) return nullptr;
    picture->gl_owned = true;
    return sdl;
}

void TakeWindowBackFromGl(HWND window) {
    auto found = Pictures().find(window);
    if (found != Pictures().end()) found->second.gl_owned = false;
}

void RefuseGl(HWND window) {
    auto found = Pictures().find(window);
    if (found == Pictures().end()) return;
    found->second.gl_owned = false;
    sdl_window::WindowRecord* record = sdl_window::FindWindowRecord(window);
    found->second.gl_refused_id = record != nullptr ? record->sdl_id : 0;
}

}  // namespace sdl_presenter

namespace platform_hooks {

void SetPresentCapture(bool on) {
    g_capture.store(on);
    if (!on) {
        std::lock_guard<std::mutex> lock(g_capture_mutex);
        CapturedFrames().clear();
    }
}

std::vector<PresentedFrame> TakePresentedFrames() {
    std::lock_guard<std::mutex> lock(g_capture_mutex);
    std::vector<PresentedFrame> frames;
    frames.swap(CapturedFrames());
    return frames;
}

}  // namespace platform_hooks
