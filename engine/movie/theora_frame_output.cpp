// The current Theora frame into the movie's frame image and its YUV surface: wait until
// the decode thread has stocked it, then convert its picture rectangle to 32-bit RGB and
// write its planes to the surface in the surface's FourCC layout, each form once per
// frame. Relies on the thread leaving the entry the main thread marks as read alone.
#include "engine/movie/theora_movie.h"
#include "engine/movie/yuv_surface_writers.h"
#include "engine/movie/yuv_to_rgb.h"

namespace {

// The kernel the 4:2:0 conversion uses; both give the same bytes.
constexpr YuvKernelKind kFrameKernel = kYuvKernelVector;

void ConvertEntry(const TheoraMovie* movie, const FrameStockEntry& entry, const MovieFrameImage& image) {
    const TheoraStreamInfo& s = movie->stream;
    // The picture rectangle, cut to the planes the decoder gave.
    std::int32_t x0 = static_cast<std::int32_t>(s.picture_x), y0 = static_cast<std::int32_t>(s.picture_y);
    std::int32_t width = image.width, height = image.height;
    if (x0 >= entry.y_width || y0 >= entry.y_height) return;
    if (width > entry.y_width - x0) width = entry.y_width - x0;
    if (height > entry.y_height - y0) height = entry.y_height - y0;
    const YuvFrameArgs args{entry.y_plane, entry.y_stride, entry.u_plane, entry.v_plane, entry.c_stride, x0,
                            y0,            width,          height,        image.pixels,  image.pitch};
    const bool subsampled = (entry.y_width + 1) / 2 == entry.c_width && (entry.y_height + 1) / 2 == entry.c_height;
    if (subsampled) {
        ConvertYuv420Frame(args, kFrameKernel);
    } else {
        ConvertYuvFrameFloat(args, entry.y_width, entry.y_height, entry.c_width, entry.c_height);
    }
}

// Tries a write lock of the YUV surface three times, making the surface anew after each
// failure (as after a lost display mode); once locked, writes the frame and unlocks.
// YUV done stays 0 when no lock was had, so the next fetch tries again.
void WriteYuvPart(TheoraMovie* movie, const FrameStockEntry& entry) {
    constexpr int kLockTries = 3;
    DDSURFACEDESC2 desc{};
    bool locked = false;
    for (int attempt = 0; attempt < kLockTries && !locked; ++attempt) {
        desc = DDSURFACEDESC2{};
        desc.dwSize = sizeof(desc);
        IDirectDrawSurface7* surface = movie->yuv_surface;
        if (surface != nullptr && SUCCEEDED(surface->Lock(nullptr, &desc, DDLOCK_WRITEONLY, nullptr))) {
            locked = desc.lpSurface != nullptr;
            if (!locked) surface->Unlock(nullptr);
        }
        if (!locked) CreateTheoraYuvSurface(movie);
    }
    if (!locked) return;
    const YuvPlanes planes{entry.y_plane,  entry.u_plane,  entry.v_plane,  entry.y_stride, entry.c_stride,
                           entry.y_width,  entry.y_height, entry.c_width,  entry.c_height};
    if (WriteYuvSurfaceFrame(planes, movie->yuv_fourcc, static_cast<std::uint8_t*>(desc.lpSurface), desc.lPitch,
                             TheoraYuvSurfaceWidth(movie), TheoraYuvSurfaceHeight(movie))) {
        movie->yuv_pending = 1;
    }
    movie->yuv_surface->Unlock(nullptr);
    movie->yuv_done = 1;
}

}  // namespace

int FetchTheoraFrame(TheoraMovie* movie, int want_rgb, int want_yuv) {
    const bool yuv_due = want_yuv != 0 && movie->yuv_done == 0 && movie->yuv_surface != nullptr;
    const bool rgb_due = want_rgb != 0 && movie->rgb_done == 0;
    if (!yuv_due && !rgb_due) return 0;
    const std::int32_t current = movie->current_frame.load();
    for (;;) {
        const std::int32_t state = movie->thread_state.load();
        if (state == kTheoraEnded) return 0;
        if (state != kTheoraSeeking && movie->seek_request.load() == 0) {
            for (int i = 0; i < movie->stock_size; ++i) {
                FrameStockEntry& entry = movie->stock[i];
                auto holds = [&entry, current] {
                    return entry.valid.load(std::memory_order_acquire) != 0 && entry.frame_number.load() == current;
                };
                if (!holds()) continue;
                // Claim the entry, then check it again: the thread either sees the claim
                // before it reuses the entry, or the check here sees the entry dropped.
                movie->reading_entry.store(i);
                const bool held = holds();
                if (held && yuv_due) WriteYuvPart(movie, entry);
                if (held && rgb_due && movie->frame_image.pixels != nullptr) {
                    ConvertEntry(movie, entry, movie->frame_image);
                }
                movie->reading_entry.store(-1);
                SetEvent(movie->wake);
                if (held) {
                    if (rgb_due) movie->rgb_done = 1;
                    return 1;
                }
            }
            if (movie->end_flag.load() != 0) return 0;
        }
        WaitForSingleObject(movie->progress, INFINITE);
    }
}

MovieFrameImage* GetTheoraFrameImage(TheoraMovie* movie) { return &movie->frame_image; }
