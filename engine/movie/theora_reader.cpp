// Opening and closing a Theora movie: the "OggS" check, the video stream and its three
// header packets, the decode thread (created paused), one scan of the whole file for the
// page index and the key-frame table, the frame image and the frame stock. Relies on the
// caller's file-access table (Seek, Read, Eof) and on the platform's Ogg/Theora steps.
// Refused: no "OggS"; no Theora identification header; bad or missing header packets;
// a picture wider or taller than kTheoraMaxSide or empty; a stream whose pictures would
// take more than kTheoraMovieMemoryLimit; a stream without video frames or with more
// frames than a 32-bit count holds; a failing decoder set-up.
#include <cstring>
#include <new>

#include "engine/core/core.h"
#include "engine/movie/theora_movie.h"

namespace {

// Grows a tracked array to `count` elements of `size` bytes; false when it cannot.
bool GrowTracked(void** block, std::int32_t* capacity, std::int32_t step, std::uint32_t element_size) {
    const std::uint64_t count = static_cast<std::uint64_t>(*capacity) + static_cast<std::uint64_t>(step);
    const std::uint64_t bytes = count * element_size;
    if (count > 0x7FFFFFFF || bytes > 0xFFFFFFFFull) return false;
    void* grown = TrackedRealloc(*block, static_cast<std::uint32_t>(bytes), "", 0);
    if (grown == nullptr) return false;
    *block = grown;
    *capacity = static_cast<std::int32_t>(count);
    return true;
}

// Fails the open after logging `message` (null: no message).
TheoraMovie* FailOpen(TheoraMovie* movie, const char* message) {
    if (message != nullptr) WriteLogText(message);
    CloseTheoraMovie(movie);
    return nullptr;
}

// The index scan: every data packet of the video stream counted, with the page it came
// out after. False only when the index or the key-frame table cannot grow.
bool ScanTheoraStream(TheoraMovie* movie, const char** message) {
    std::int64_t running_offset = 0;
    std::int64_t page_offset = 0;
    bool new_page = false;
    for (;;) {
        bool ended = false;
        while (OggStreamPacketout(movie->ogg) <= 0) {
            if (OggSyncPageout(movie->ogg) > 0) {
                page_offset = running_offset;
                running_offset += OggPageBytes(movie->ogg);
                new_page = true;
                OggStreamPagein(movie->ogg);
            } else if (ReadTheoraStreamData(movie, kTheoraReadChunk) == 0) {
                ended = true;
                break;
            }
        }
        if (ended) return true;
        const int key = TheoraPacketIsKeyframe(movie->ogg);
        if (key < 0) continue;
        if (movie->frame_total >= 0x7FFFFFFF) return true;  // counted as far as 32-bit frame numbers go
        if (new_page || movie->page_count == 0) {
            if (movie->page_count == movie->page_capacity &&
                !GrowTracked(reinterpret_cast<void**>(&movie->page_index), &movie->page_capacity, 1000,
                             sizeof(TheoraPageEntry))) {
                *message = "Theora ページ情報格納用メモリの確保に失敗しました\n";
                return false;
            }
            movie->page_index[movie->page_count++] =
                TheoraPageEntry{page_offset, static_cast<std::int32_t>(movie->frame_total), 0, 0};
            new_page = false;
        }
        if (movie->frame_total == movie->key_capacity &&
            !GrowTracked(reinterpret_cast<void**>(&movie->key_frames), &movie->key_capacity, 1000, 1)) {
            *message = "Theora キーフレーム情報格納用メモリの確保に失敗しました\n";
            return false;
        }
        TheoraPageEntry& last = movie->page_index[movie->page_count - 1];
        if (key == 1) last.key_flag = 1;
        movie->key_frames[movie->frame_total] = key == 1 ? 1 : 0;
        ++movie->frame_total;
        ++last.frame_count;
    }
}

// Stock entries below 1 are taken as 1 (as the opener does).
int StockEntries(int stock_size) { return stock_size < 1 ? 1 : stock_size; }

}  // namespace

std::uint64_t TheoraMovieMemoryBytes(const TheoraStreamInfo& s, int stock_size) {
    const std::uint64_t luma = static_cast<std::uint64_t>(s.coded_width) * s.coded_height;
    // Chroma planes: half wide and half high (4:2:0), half wide (4:2:2) or full (4:4:4).
    const std::uint64_t chroma = s.chroma_format == 3   ? luma
                                 : s.chroma_format == 2 ? luma / 2
                                                        : luma / 4;
    const std::uint64_t picture = luma + 2 * chroma;
    // The decoder keeps three reference pictures with a border round each and, per 8x8
    // block, tables and token space of about 160 bytes: six pictures cover it.
    const std::uint64_t decoder = 6 * picture;
    const std::uint64_t stock = static_cast<std::uint64_t>(StockEntries(stock_size)) * picture;
    const std::uint64_t image = static_cast<std::uint64_t>(s.picture_width) * s.picture_height * 4;
    return decoder + stock + image;
}

long ReadTheoraStreamData(TheoraMovie* movie, long bytes) {
    char* buffer = OggSyncBuffer(movie->ogg, bytes);
    if (buffer == nullptr) return 0;
    const std::size_t read = movie->file_functions.read(buffer, 1, static_cast<std::size_t>(bytes), movie->file);
    const long got = static_cast<long>(read > static_cast<std::size_t>(bytes) ? bytes : read);
    OggSyncWrote(movie->ogg, got);
    return got;
}

int ReadTheoraHeaders(TheoraMovie* movie) {
    // Stage 1: the first beginning-of-stream page that opens a Theora stream.
    bool searching = true;
    while (searching) {
        if (ReadTheoraStreamData(movie, kTheoraReadChunk) == 0) break;
        while (OggSyncPageout(movie->ogg) > 0) {
            if (!OggPageBos(movie->ogg)) {
                OggStreamPagein(movie->ogg);
                searching = false;
                break;
            }
            int serial = 0;
            if (OggTheoraOfferFirstPage(movie->ogg, &serial) == 0) {
                movie->serial_number = serial;
                movie->header_count = 1;
                searching = false;
                break;
            }
        }
    }
    if (movie->header_count == 0) return -1;
    // Stage 2: the comment and setup headers.
    while (movie->header_count < 3) {
        int got;
        while (movie->header_count < 3 && (got = OggStreamPacketout(movie->ogg)) != 0) {
            if (got < 0 || TheoraDecodeHeader(movie->ogg) != 0) return -1;
            ++movie->header_count;
        }
        if (movie->header_count >= 3) break;
        if (OggSyncPageout(movie->ogg) > 0) {
            OggStreamPagein(movie->ogg);
        } else if (ReadTheoraStreamData(movie, kTheoraReadChunk) == 0) {
            return -1;  // end of file while searching for the codec headers
        }
    }
    return 1;
}

int GetTheoraMovieInfo(const TheoraMovie* movie, TheoraMovieInfo* info) {
    info->frames_per_second =
        static_cast<double>(movie->stream.fps_numerator) / static_cast<double>(movie->stream.fps_denominator);
    info->frame_total = static_cast<std::int32_t>(movie->frame_total);
    info->width = movie->frame_image.width;
    info->height = movie->frame_image.height;
    return 0;
}

TheoraMovie* OpenTheoraMovie(const FileAccessTable* functions, FileHandle file, int stock_size, bool* oversized) {
    if (oversized != nullptr) *oversized = false;
    char magic[4] = {};
    if (functions->read(magic, 1, 4, file) != 4 || std::memcmp(magic, "OggS", 4) != 0) return nullptr;
    functions->seek(file, 0, kSeekSet);

    void* block = TrackedCalloc(sizeof(TheoraMovie), "", 0);
    if (block == nullptr) {
        WriteLogText("Theora ムービーデコード処理用のメモリ確保に失敗しました\n");
        return nullptr;
    }
    auto* movie = new (block) TheoraMovie{};
    movie->current_frame.store(-1);
    movie->reading_entry.store(-1);
    movie->file_functions = *functions;
    movie->file = file;
    movie->ogg = OggTheoraCreate();
    if (movie->ogg == nullptr) return FailOpen(movie, "Theora ムービーデコード処理用のメモリ確保に失敗しました\n");

    if (ReadTheoraHeaders(movie) != 1) return FailOpen(movie, nullptr);
    TheoraGetStreamInfo(movie->ogg, &movie->stream);
    const TheoraStreamInfo& s = movie->stream;
    // Sizes from the header are trusted only within bounds: the picture inside the
    // planes, no side beyond kTheoraMaxSide, a frame rate with both terms non-zero.
    if (s.coded_width == 0 || s.coded_height == 0 || s.coded_width > kTheoraMaxSide ||
        s.coded_height > kTheoraMaxSide || s.picture_width == 0 || s.picture_height == 0 ||
        static_cast<std::uint64_t>(s.picture_x) + s.picture_width > s.coded_width ||
        static_cast<std::uint64_t>(s.picture_y) + s.picture_height > s.coded_height || s.fps_numerator == 0 ||
        s.fps_denominator == 0) {
        return FailOpen(movie, nullptr);
    }
    // A header is a few bytes; what it asks for is checked before the decoder, the frame
    // image or the stock takes any of it.
    if (TheoraMovieMemoryBytes(s, stock_size) > kTheoraMovieMemoryLimit) {
        if (oversized != nullptr) *oversized = true;
        return FailOpen(movie, "Theora ムービーデコード処理用のメモリ確保に失敗しました\n");
    }

    movie->pause_request.store(1);
    movie->thread_state.store(kTheoraStockFull);
    movie->wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    movie->progress = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (movie->wake != nullptr && movie->progress != nullptr) {
        movie->thread = CreateThread(nullptr, 0, TheoraDecodeThread, movie, 0, &movie->thread_id);
    }
    if (movie->thread == nullptr) return FailOpen(movie, "Theora ムービーデコード用スレッドの作成に失敗しました\n");

    if (TheoraDecodeInit(movie->ogg) != 0) return FailOpen(movie, nullptr);
    OggSyncReset(movie->ogg);
    OggStreamReset(movie->ogg);
    movie->file_functions.seek(file, 0, kSeekSet);

    movie->page_index = static_cast<TheoraPageEntry*>(TrackedAlloc(1000 * sizeof(TheoraPageEntry), "", 0));
    if (movie->page_index == nullptr) return FailOpen(movie, "Theora ページ情報格納用メモリの確保に失敗しました\n");
    movie->page_capacity = 1000;
    movie->key_frames = static_cast<std::uint8_t*>(TrackedAlloc(1000, "", 0));
    if (movie->key_frames == nullptr) {
        return FailOpen(movie, "Theora キーフレーム情報格納用メモリの確保に失敗しました\n");
    }
    movie->key_capacity = 1000;
    const char* message = nullptr;
    if (!ScanTheoraStream(movie, &message)) return FailOpen(movie, message);
    // A stream without a single frame has nothing to show: refused rather than waited on.
    if (movie->frame_total == 0) return FailOpen(movie, nullptr);
    movie->page_index[0].byte_offset = 0;
    // Without a surface frames are only converted to RGB: not an error.
    CreateTheoraYuvSurface(movie);

    // The frame image holds the picture rectangle, not the coded planes around it.
    MovieFrameImage& image = movie->frame_image;
    image.width = static_cast<std::int32_t>(s.picture_width);
    image.height = static_cast<std::int32_t>(s.picture_height);
    image.pitch = image.width * 4;
    image.pixels = static_cast<std::uint8_t*>(
        TrackedAlloc(static_cast<std::uint32_t>(image.pitch) * static_cast<std::uint32_t>(image.height), "", 0));
    if (image.pixels == nullptr) {
        return FailOpen(movie, "Theora ムービーデコードフレームストック用画像バッファの確保に失敗しました\n");
    }

    movie->stock_size = StockEntries(stock_size);
    void* stock = TrackedCalloc(static_cast<std::uint32_t>(movie->stock_size) * sizeof(FrameStockEntry), "", 0);
    if (stock == nullptr) return FailOpen(movie, "Theora ムービーデコードフレームストック用のメモリ確保に失敗しました\n");
    movie->stock = static_cast<FrameStockEntry*>(stock);
    for (int i = 0; i < movie->stock_size; ++i) new (&movie->stock[i]) FrameStockEntry{};

    SeekTheoraFrame(movie, 0);
    FetchTheoraFrame(movie, 1, 1);
    return movie;
}

int CloseTheoraMovie(TheoraMovie* movie) {
    if (movie == nullptr) return 0;
    if (movie->thread != nullptr) {
        movie->stop_request.store(1);
        SetEvent(movie->wake);
        // The thread ends after its current pass; waiting on it is the join.
        WaitForSingleObject(movie->thread, INFINITE);
        CloseHandle(movie->thread);
        movie->thread = nullptr;
    }
    if (movie->wake != nullptr) CloseHandle(movie->wake);
    if (movie->progress != nullptr) CloseHandle(movie->progress);
    if (movie->stock != nullptr) {
        for (int i = 0; i < movie->stock_size; ++i) {
            TrackedFree(movie->stock[i].y_plane);
            TrackedFree(movie->stock[i].u_plane);
            TrackedFree(movie->stock[i].v_plane);
        }
        TrackedFree(movie->stock);
    }
    ReleaseTheoraYuvSurface(movie);
    TrackedFree(movie->page_index);
    TrackedFree(movie->key_frames);
    TrackedFree(movie->frame_image.pixels);
    OggTheoraDestroy(movie->ogg);
    movie->~TheoraMovie();
    TrackedFree(movie);
    return 0;
}
