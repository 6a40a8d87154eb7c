// The Theora decoder's record shared by the stream reader (open, index, close), the
// decode thread with its frame stock, and the frame output. The main thread and the
// decode thread talk through the atomic words below; everything else belongs to one of
// them at a time (the Ogg and Theora states to the thread once the opener has returned).
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/file/file.h"
#include "platform/ddraw.h"
#include "platform/kernel.h"
#include "platform/theora.h"

// The frame image a movie's frames are converted into: 32-bit pixels, blue, green, red
// and 255, rows `pitch` bytes apart, top to bottom.
struct MovieFrameImage {
    std::int32_t width;
    std::int32_t height;
    std::int32_t pitch;
    std::uint8_t* pixels;  // tracked block of pitch x height bytes, or null
};

// Thread states, written by the decode thread only.
enum TheoraThreadState : std::int32_t {
    kTheoraStockFull = 0,
    kTheoraFilling = 1,
    kTheoraSeeking = 2,
    kTheoraEnded = 3,
    kTheoraPaused = 4,
};

struct TheoraPageEntry {
    std::int64_t byte_offset;  // 64 bits: files beyond 2 GiB keep their offsets
    std::int32_t first_frame;
    std::int32_t key_flag;
    std::int32_t frame_count;
};

// One decoded frame. The planes hold the picture rows only (width bytes a row, `stride`
// = width), reused while the sizes stay. `valid` is published last (release) and read
// first (acquire), so a reader that sees it set sees the planes and the frame number.
struct FrameStockEntry {
    std::atomic<std::int32_t> valid;
    std::atomic<std::int32_t> frame_number;
    std::uint8_t* y_plane;
    std::uint8_t* u_plane;
    std::uint8_t* v_plane;
    std::int32_t y_width, y_height, y_stride;
    std::int32_t c_width, c_height, c_stride;
};

struct TheoraMovieInfo {
    double frames_per_second;
    std::int32_t frame_total;
    std::int32_t width;   // the picture rectangle shown
    std::int32_t height;
};

struct TheoraMovie {
    // ---- shared words
    std::atomic<std::int32_t> thread_state;
    std::atomic<std::int32_t> pause_request;
    std::atomic<std::int32_t> stop_request;
    std::atomic<std::int32_t> seek_request;
    std::atomic<std::int32_t> seek_target;
    std::atomic<std::int32_t> end_flag;
    std::atomic<std::int32_t> current_frame;
    // The stock entry the main thread is reading, -1 for none: the thread never writes
    // into it meanwhile.
    std::atomic<std::int32_t> reading_entry;
    // Set to 1 by the thread once it has seen the pause request and parked; the main
    // thread clears it before asking, so a pause left over from before cannot answer.
    std::atomic<std::int32_t> pause_ack;
    HANDLE thread;
    DWORD thread_id;
    // Auto-reset events: `wake` tells the thread a request or the current frame changed,
    // `progress` tells the main thread the thread state, a stock entry or the end flag did.
    HANDLE wake;
    HANDLE progress;

    // ---- set at open, read-only afterwards
    FileAccessTable file_functions;
    FileHandle file;
    OggTheoraState* ogg;
    TheoraStreamInfo stream;
    std::int32_t serial_number;
    std::int32_t header_count;
    TheoraPageEntry* page_index;
    std::int32_t page_count;
    std::int32_t page_capacity;
    std::uint8_t* key_frames;
    std::int32_t key_capacity;
    std::int64_t frame_total;
    std::int32_t stock_size;
    FrameStockEntry* stock;

    // ---- decode thread only
    std::int32_t decoder_frame;

    // ---- main thread only
    MovieFrameImage frame_image;
    // The video-memory surface in a YUV FourCC format that frames are written to for the
    // renderer to convert, of the coded frame's size (the picture lies inside it as in the
    // planes); null when the display takes none of the formats. `yuv_fourcc` is 0 without
    // a surface.
    IDirectDrawSurface7* yuv_surface;
    std::uint32_t yuv_fourcc;
    std::int32_t rgb_done;
    std::int32_t yuv_done;
    // 1 once a frame has been written to the YUV surface and not yet taken by a graph
    // (also the first frame, written by the opener before any graph asked).
    std::int32_t yuv_pending;
};

// Stream reader (theora_reader.cpp).
constexpr std::int32_t kTheoraReadChunk = 4096;
// The largest picture side taken from a stream header.
constexpr std::uint32_t kTheoraMaxSide = 8192;
// The most memory one movie may take for its pictures: the decoder's own, the frame stock
// and the frame image together. A stream whose header asks for more is refused before
// any of it is allocated.
constexpr std::uint64_t kTheoraMovieMemoryLimit = 256ull * 1024 * 1024;
// What a stream of this header takes with a stock of `stock_size` frames, in bytes.
std::uint64_t TheoraMovieMemoryBytes(const TheoraStreamInfo& stream, int stock_size);
// `oversized`, when given, tells whether a refused file is an Ogg Theora movie whose
// pictures would take more than kTheoraMovieMemoryLimit.
TheoraMovie* OpenTheoraMovie(const FileAccessTable* functions, FileHandle file, int stock_size,
                             bool* oversized = nullptr);
int CloseTheoraMovie(TheoraMovie* movie);
long ReadTheoraStreamData(TheoraMovie* movie, long bytes);
int ReadTheoraHeaders(TheoraMovie* movie);
int GetTheoraMovieInfo(const TheoraMovie* movie, TheoraMovieInfo* info);

// Decode thread and position (theora_decode_thread.cpp).
DWORD TheoraDecodeThread(void* movie);
int DecodeTheoraFrames(TheoraMovie* movie, int count);
int SeekTheoraFrame(TheoraMovie* movie, int frame);
int AdvanceTheoraFrames(TheoraMovie* movie, int count);
int GetTheoraCurrentFrame(const TheoraMovie* movie);

// Frame output (theora_frame_output.cpp). Writes the current frame into the frame image
// (want_rgb) and the YUV surface (want_yuv), each once per frame: 1 when the frame was in
// the stock, 0 when nothing was due or no frame can come.
int FetchTheoraFrame(TheoraMovie* movie, int want_rgb, int want_yuv);
MovieFrameImage* GetTheoraFrameImage(TheoraMovie* movie);

// The YUV surface (theora_yuv_surface.cpp).
constexpr std::uint32_t kFourCcYv12 = MakeFourCC('Y', 'V', '1', '2');
constexpr std::uint32_t kFourCcYuy2 = MakeFourCC('Y', 'U', 'Y', '2');
constexpr std::uint32_t kFourCcUyvy = MakeFourCC('U', 'Y', 'V', 'Y');
// (Re)creates the movie's YUV surface in the first of YV12, YUY2 and UYVY the display
// takes; none, or no DirectDraw object: no surface and FourCC 0.
void CreateTheoraYuvSurface(TheoraMovie* movie);
void ReleaseTheoraYuvSurface(TheoraMovie* movie);
IDirectDrawSurface7* GetTheoraYuvSurface(const TheoraMovie* movie);
// The size of the YUV surface of a movie: the coded frame's.
std::int32_t TheoraYuvSurfaceWidth(const TheoraMovie* movie);
std::int32_t TheoraYuvSurfaceHeight(const TheoraMovie* movie);
