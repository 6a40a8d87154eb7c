// Loading FFmpeg's libraries at run time: each library by the file name of the major
// version the headers describe (so the record's types match what is loaded), each entry
// point from a fixed table into its slot of the record. The libraries stay loaded until
// the process ends.
#include "platform/ffmpeg/ffmpeg_library.h"

extern "C" {
#include <libavutil/macros.h>
}

#include <dlfcn.h>

#include <cstddef>
#include <cstring>
#include <mutex>

namespace {

enum Library { kAvUtil, kAvCodec, kAvFormat, kSwScale, kSwResample, kLibraryCount };

// In load order: each after the ones it needs.
constexpr const char* kLibraryFiles[kLibraryCount] = {
    "libavutil.so." AV_STRINGIFY(LIBAVUTIL_VERSION_MAJOR),
    "libavcodec.so." AV_STRINGIFY(LIBAVCODEC_VERSION_MAJOR),
    "libavformat.so." AV_STRINGIFY(LIBAVFORMAT_VERSION_MAJOR),
    "libswscale.so." AV_STRINGIFY(LIBSWSCALE_VERSION_MAJOR),
    "libswresample.so." AV_STRINGIFY(LIBSWRESAMPLE_VERSION_MAJOR),
};

struct EntryPoint {
    Library library;
    const char* name;
    std::size_t slot;  // offset in FfmpegLibrary
};

#define FFMPEG_ENTRY(library, name) {library, #name, offsetof(FfmpegLibrary, name)}
constexpr EntryPoint kEntryPoints[] = {
    FFMPEG_ENTRY(kAvUtil, av_frame_alloc),
    FFMPEG_ENTRY(kAvUtil, av_frame_free),
    FFMPEG_ENTRY(kAvUtil, av_log_set_level),
    FFMPEG_ENTRY(kAvUtil, av_rescale),
    FFMPEG_ENTRY(kAvUtil, av_rescale_q),
    FFMPEG_ENTRY(kAvCodec, av_packet_alloc),
    FFMPEG_ENTRY(kAvCodec, av_packet_free),
    FFMPEG_ENTRY(kAvCodec, av_packet_unref),
    FFMPEG_ENTRY(kAvCodec, avcodec_alloc_context3),
    FFMPEG_ENTRY(kAvCodec, avcodec_find_decoder),
    FFMPEG_ENTRY(kAvCodec, avcodec_flush_buffers),
    FFMPEG_ENTRY(kAvCodec, avcodec_free_context),
    FFMPEG_ENTRY(kAvCodec, avcodec_open2),
    FFMPEG_ENTRY(kAvCodec, avcodec_parameters_to_context),
    FFMPEG_ENTRY(kAvCodec, avcodec_receive_frame),
    FFMPEG_ENTRY(kAvCodec, avcodec_send_packet),
    FFMPEG_ENTRY(kAvFormat, av_find_best_stream),
    FFMPEG_ENTRY(kAvFormat, av_read_frame),
    FFMPEG_ENTRY(kAvFormat, av_seek_frame),
    FFMPEG_ENTRY(kAvFormat, avformat_close_input),
    FFMPEG_ENTRY(kAvFormat, avformat_find_stream_info),
    FFMPEG_ENTRY(kAvFormat, avformat_open_input),
    FFMPEG_ENTRY(kSwScale, sws_freeContext),
    FFMPEG_ENTRY(kSwScale, sws_getCachedContext),
    FFMPEG_ENTRY(kSwScale, sws_scale),
    FFMPEG_ENTRY(kSwResample, swr_alloc_set_opts2),
    FFMPEG_ENTRY(kSwResample, swr_close),
    FFMPEG_ENTRY(kSwResample, swr_convert),
    FFMPEG_ENTRY(kSwResample, swr_free),
    FFMPEG_ENTRY(kSwResample, swr_get_out_samples),
    FFMPEG_ENTRY(kSwResample, swr_init),
};
#undef FFMPEG_ENTRY
static_assert(sizeof kEntryPoints / sizeof kEntryPoints[0] * sizeof(void*) == sizeof(FfmpegLibrary),
              "every slot of the record has its entry point");

std::once_flag g_load_once;
bool g_loaded = false;
FfmpegLibrary g_library{};

bool Load() {
    void* handles[kLibraryCount];
    for (int i = 0; i < kLibraryCount; ++i) {
        handles[i] = dlopen(kLibraryFiles[i], RTLD_NOW | RTLD_LOCAL);
        if (handles[i] == nullptr) return false;
    }
    FfmpegLibrary loaded{};
    for (const EntryPoint& entry : kEntryPoints) {
        void* const address = dlsym(handles[entry.library], entry.name);
        if (address == nullptr) return false;
        std::memcpy(reinterpret_cast<char*>(&loaded) + entry.slot, &address, sizeof address);
    }
    g_library = loaded;
    return true;
}

}  // namespace

bool LoadFfmpegLibrary() {
    std::call_once(g_load_once, [] { g_loaded = Load(); });
    return g_loaded;
}

const FfmpegLibrary& Ffmpeg() { return g_library; }
