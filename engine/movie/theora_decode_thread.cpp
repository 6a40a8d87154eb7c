// The decode thread of a Theora movie and the frame position the main thread moves.
// The thread keeps a stock of decoded frames from the current frame on, jumps when the
// current frame runs ahead, wraps at the end and re-positions on a seek. Waits are on the
// record's two events, never a spin: the thread sleeps on `wake` when paused, when the
// stock is full and after the data ran out; the main thread sleeps on `progress`.
// Pictures match their frame numbers after a seek to any frame and after a loop: the
// decoder is brought from the chosen page to the target, and a wrap decodes from frame 0.
#include <cstring>

#include "engine/core/core.h"
#include "engine/movie/theora_movie.h"

namespace {

void SetState(TheoraMovie* movie, TheoraThreadState state) {
    movie->thread_state.store(state);
    SetEvent(movie->progress);
}

// Takes the next packet of the video stream; false when the file ends first.
bool NextPacket(TheoraMovie* movie) {
    while (OggStreamPacketout(movie->ogg) <= 0) {
        if (OggSyncPageout(movie->ogg) > 0) {
            OggStreamPagein(movie->ogg);
        } else if (movie->file_functions.eof(movie->file) != 0 ||
                   ReadTheoraStreamData(movie, kTheoraReadChunk) == 0) {
            return false;
        }
    }
    return true;
}

// Puts the stream back at the first page: the next data packet out is frame 0.
void RewindStream(TheoraMovie* movie) {
    OggSyncReset(movie->ogg);
    OggStreamReset(movie->ogg);
    movie->file_functions.seek(movie->file, movie->page_index[0].byte_offset, kSeekSet);
    movie->decoder_frame = -1;
}

// Copies the decoder's picture into a stock entry, row by row, reusing its planes while
// their sizes stay. False when the decoder has no picture or memory ran out.
bool StockPicture(TheoraMovie* movie, FrameStockEntry* entry) {
    TheoraPicture p;
    if (TheoraDecodePicture(movie->ogg, &p) != 0) return false;
    if (p.y_width <= 0 || p.y_height <= 0 || p.c_width <= 0 || p.c_height <= 0 || p.y_width > 16384 ||
        p.y_height > 16384 || p.c_width > p.y_width || p.c_height > p.y_height) {
        return false;
    }
    if (entry->y_width != p.y_width || entry->y_height != p.y_height) {
        TrackedFree(entry->y_plane);
        entry->y_plane = nullptr;
    }
    if (entry->c_width != p.c_width || entry->c_height != p.c_height) {
        TrackedFree(entry->u_plane);
        TrackedFree(entry->v_plane);
        entry->u_plane = entry->v_plane = nullptr;
    }
    entry->y_width = entry->y_stride = p.y_width;
    entry->y_height = p.y_height;
    entry->c_width = entry->c_stride = p.c_width;
    entry->c_height = p.c_height;
    const std::uint32_t y_bytes = static_cast<std::uint32_t>(p.y_width) * static_cast<std::uint32_t>(p.y_height);
    const std::uint32_t c_bytes = static_cast<std::uint32_t>(p.c_width) * static_cast<std::uint32_t>(p.c_height);
    if (entry->y_plane == nullptr) entry->y_plane = static_cast<std::uint8_t*>(TrackedAlloc(y_bytes, "", 0));
    if (entry->u_plane == nullptr) entry->u_plane = static_cast<std::uint8_t*>(TrackedAlloc(c_bytes, "", 0));
    if (entry->v_plane == nullptr) entry->v_plane = static_cast<std::uint8_t*>(TrackedAlloc(c_bytes, "", 0));
    if (entry->y_plane == nullptr || entry->u_plane == nullptr || entry->v_plane == nullptr) return false;
    for (std::int32_t r = 0; r < p.y_height; ++r) {
        std::memcpy(entry->y_plane + static_cast<std::size_t>(r) * p.y_width,
                    p.y + static_cast<std::intptr_t>(r) * p.y_stride, static_cast<std::size_t>(p.y_width));
    }
    for (std::int32_t r = 0; r < p.c_height; ++r) {
        std::memcpy(entry->u_plane + static_cast<std::size_t>(r) * p.c_width,
                    p.cb + static_cast<std::intptr_t>(r) * p.c_stride, static_cast<std::size_t>(p.c_width));
        std::memcpy(entry->v_plane + static_cast<std::size_t>(r) * p.c_width,
                    p.cr + static_cast<std::intptr_t>(r) * p.c_stride, static_cast<std::size_t>(p.c_width));
    }
    return true;
}

// Brings the decoder to frame `target`: from the page before the last key frame at or
// before it, decoding from that key frame on. False when the data ran out.
bool PositionDecoder(TheoraMovie* movie, std::int32_t target) {
    int index = 0;
    while (index < movie->page_count &&
           static_cast<std::int64_t>(movie->page_index[index].first_frame) + movie->page_index[index].frame_count <=
               target) {
        ++index;
    }
    if (index == movie->page_count) return false;
    if (index > 0) {
        --index;
        while (index > 0 && movie->page_index[index].key_flag == 0) --index;
        if (index > 0) --index;
    }
    const TheoraPageEntry& entry = movie->page_index[index];
    OggSyncReset(movie->ogg);
    OggStreamReset(movie->ogg);
    movie->file_functions.seek(movie->file, entry.byte_offset, kSeekSet);
    std::int32_t first = entry.first_frame;
    if (index > 0) {
        while (OggSyncPageout(movie->ogg) != 1) {
            if (ReadTheoraStreamData(movie, kTheoraReadChunk) == 0) return false;
        }
        // A packet continued from the page before is lost with that page.
        if (OggPageContinued(movie->ogg)) ++first;
        OggStreamPagein(movie->ogg);
    }
    if (first > target) return false;
    movie->decoder_frame = first - 1;
    return DecodeTheoraFrames(movie, target - first + 1) >= 0;
}

void RunSeek(TheoraMovie* movie) {
    const std::int32_t target = movie->seek_target.load();
    const bool positioned = PositionDecoder(movie, target);
    for (int i = 0; i < movie->stock_size; ++i) movie->stock[i].valid.store(0);
    movie->seek_request.store(0);
    movie->decoder_frame = target;
    movie->end_flag.store(positioned ? 0 : 1);
    SetEvent(movie->progress);
}

// One pass of stock work; false when there is nothing to do until woken.
bool RunStockWork(TheoraMovie* movie) {
    const std::int32_t current = movie->current_frame.load();
    const std::int32_t decoded = movie->decoder_frame;
    const std::int64_t total = movie->frame_total;
    const std::int32_t size = movie->stock_size;
    const bool ended = movie->end_flag.load() != 0;
    if (!ended) {
        const std::int64_t window = static_cast<std::int64_t>(current) + size;
        for (int i = 0; i < size; ++i) {
            FrameStockEntry& entry = movie->stock[i];
            if (entry.valid.load() == 0) continue;
            const std::int32_t f = entry.frame_number.load();
            // The window of `size` frames from the current one, wrapping past the end.
            const bool keep = f < current ? window >= total && f <= window - total : f <= window;
            if (!keep) entry.valid.store(0);
        }
    }
    // A free entry the main thread is not reading.
    FrameStockEntry* free_entry = nullptr;
    bool has_current = false, has_decoded = false;
    for (int i = 0; i < size; ++i) {
        FrameStockEntry& entry = movie->stock[i];
        if (entry.valid.load() != 0) {
            const std::int32_t f = entry.frame_number.load();
            has_current = has_current || f == current;
            has_decoded = has_decoded || f == decoded;
        } else if (free_entry == nullptr && movie->reading_entry.load() != i) {
            free_entry = &entry;
        }
    }
    if (free_entry == nullptr && !has_current && !ended) {
        // A full stock without the current frame holds nothing that is wanted soon.
        for (int i = 0; i < size; ++i) {
            if (movie->reading_entry.load() == i) continue;
            movie->stock[i].valid.store(0);
            if (free_entry == nullptr) free_entry = &movie->stock[i];
        }
        has_decoded = false;
    }
    if (free_entry == nullptr || ended) {
        SetState(movie, kTheoraStockFull);
        return false;
    }
    movie->thread_state.store(kTheoraFilling);
    if (!has_current && current >= 0 && current < decoded) {
        // The current frame lies behind the decoder and is not stocked: going forward
        // would only reach it after a whole loop, so the decoder is placed on it.
        if (!PositionDecoder(movie, current)) {
            movie->end_flag.store(1);
            SetEvent(movie->progress);
            return false;
        }
        movie->decoder_frame = current;
    } else if (has_decoded || current > decoded) {
        const std::int32_t step = !has_current && current > decoded ? current - decoded : 1;
        if (static_cast<std::int64_t>(decoded) + step < total) {
            if (DecodeTheoraFrames(movie, step) < 0) {
                movie->end_flag.store(1);
                SetEvent(movie->progress);
                return false;
            }
        } else {
            const std::int32_t excess = static_cast<std::int32_t>(decoded + step - total);
            RewindStream(movie);
            if (DecodeTheoraFrames(movie, excess + 1) < 0) {
                movie->end_flag.store(1);
                SetEvent(movie->progress);
                return false;
            }
        }
    }
    if (!StockPicture(movie, free_entry)) {
        movie->end_flag.store(1);
        SetEvent(movie->progress);
        return false;
    }
    free_entry->frame_number.store(movie->decoder_frame, std::memory_order_relaxed);
    free_entry->valid.store(1, std::memory_order_release);
    SetEvent(movie->progress);
    return true;
}

}  // namespace

int DecodeTheoraFrames(TheoraMovie* movie, int count) {
    // The last key frame among the frames to come: packets before it need no decoding.
    std::int64_t key = -1;
    for (std::int64_t f = static_cast<std::int64_t>(movie->decoder_frame) + 1;
         f <= static_cast<std::int64_t>(movie->decoder_frame) + count && f < movie->frame_total; ++f) {
        if (f >= 0 && movie->key_frames[f] != 0) key = f;
    }
    int counted = 0;
    int last_key = 0;
    while (counted < count) {
        if (!NextPacket(movie)) return -1;
        const int is_key = TheoraPacketIsKeyframe(movie->ogg);
        if (is_key < 0) continue;
        if (key == -1 || key <= static_cast<std::int64_t>(movie->decoder_frame) + 1) {
            if (TheoraDecodePacketIn(movie->ogg) != 0) return -1;
        }
        ++movie->decoder_frame;
        ++counted;
        last_key = is_key;
    }
    return last_key == 1 ? 1 : 0;
}

DWORD TheoraDecodeThread(void* parameter) {
    auto* movie = static_cast<TheoraMovie*>(parameter);
    while (movie->stop_request.load() == 0) {
        if (movie->pause_request.load() != 0) {
            movie->pause_ack.store(1);
            SetState(movie, kTheoraPaused);
            WaitForSingleObject(movie->wake, INFINITE);
        } else if (movie->seek_request.load() != 0) {
            SetState(movie, kTheoraSeeking);
            RunSeek(movie);
        } else if (!RunStockWork(movie)) {
            WaitForSingleObject(movie->wake, INFINITE);
        }
    }
    SetState(movie, kTheoraEnded);
    return 0;
}

int SeekTheoraFrame(TheoraMovie* movie, int frame) {
    if (frame == movie->current_frame.load()) return 0;
    movie->rgb_done = 0;
    movie->yuv_done = 0;
    movie->pause_ack.store(0);
    movie->pause_request.store(1);
    SetEvent(movie->wake);
    while (movie->pause_ack.load() == 0 && movie->thread_state.load() != kTheoraEnded) {
        WaitForSingleObject(movie->progress, INFINITE);
    }
    // Frames run 0 to total - 1; a seek beyond them goes to the last.
    const std::int64_t last = movie->frame_total - 1;
    const std::int32_t target = frame < 0 ? 0 : frame > last ? static_cast<std::int32_t>(last) : frame;
    movie->current_frame.store(target);
    movie->seek_target.store(target);
    movie->seek_request.store(1);
    movie->pause_request.store(0);
    SetEvent(movie->wake);
    return 0;
}

int AdvanceTheoraFrames(TheoraMovie* movie, int count) {
    if (count < 1) return 0;
    std::int64_t frame = static_cast<std::int64_t>(movie->current_frame.load()) + count;
    if (frame >= movie->frame_total) frame -= movie->frame_total;
    if (frame >= movie->frame_total) frame %= movie->frame_total;
    movie->current_frame.store(static_cast<std::int32_t>(frame));
    movie->rgb_done = 0;
    movie->yuv_done = 0;
    SetEvent(movie->wake);
    return 0;
}

int GetTheoraCurrentFrame(const TheoraMovie* movie) { return movie->current_frame.load(); }
