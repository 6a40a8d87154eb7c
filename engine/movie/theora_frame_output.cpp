// The current Theora frame into the movie's frame image: wait until the decode thread has
// stocked it, then convert its picture rectangle to 32-bit RGB, once per frame. Relies on
// the thread leaving the entry the main thread marks as read alone.
#include "engine/movie/theora_movie.h"
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

}  // namespace

int FetchTheoraFrame(TheoraMovie* movie, int want_rgb) {
    if (want_rgb == 0 || movie->rgb_done != 0) return 0;
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
                if (held && movie->frame_image.pixels != nullptr) ConvertEntry(movie, entry, movie->frame_image);
                movie->reading_entry.store(-1);
                SetEvent(movie->wake);
                if (held) {
                    movie->rgb_done = 1;
                    return 1;
                }
            }
            if (movie->end_flag.load() != 0) return 0;
        }
        WaitForSingleObject(movie->progress, INFINITE);
    }
}

MovieFrameImage* GetTheoraFrameImage(TheoraMovie* movie) { return &movie->frame_image; }
