// The multimedia stream over FFmpeg's libraries: the container opened by name, the best
// video stream decoded on the caller's thread, frames converted to 32-bit BGRA by
// libswscale, and the file's sound track played through DirectSound (media_sound.cpp).
// The stream time is the sound's play position while there is sound; without a sound
// track or a sound device, and after the sound's end, it runs from timeGetTime, so the
// manual clock of the tests drives it too. Every library result is checked; a decode
// error ends the stream rather than showing a damaged picture. The libraries are loaded
// by the first open (ffmpeg_library.cpp); without them no file opens.
extern "C" {
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <cstring>
#include <new>
#include <string>

#include "platform/code_page.h"
#include "platform/ffmpeg/ffmpeg_library.h"
#include "platform/ffmpeg/media_sound.h"
#include "platform/kernel.h"
#include "platform/media_stream.h"

struct MediaStream {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    SwsContext* scaler = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;  // the decoded frame not yet shown, when `held`
    int video_index = -1;
    std::int32_t width = 0, height = 0;
    double frame_rate = 0;
    AVRational time_base{1, 1};
    bool held = false;       // `frame` holds a decoded frame not yet written
    bool ended = false;      // the decoder has given its last frame
    bool running = false;
    std::int64_t base_time = 0;     // stream time (100 ns) when the clock was last read
    std::uint32_t base_clock = 0;   // timeGetTime then
    std::int64_t last_shown = -1;   // presentation time (100 ns) of the last frame written
    MediaSound* sound = nullptr;    // null: no sound track (or no device)
    bool sound_clock = false;       // the sound's position is the clock (it has not played out)
};

namespace {

std::int64_t FrameTime(const MediaStream* s, const AVFrame* frame) {
    std::int64_t pts = frame->best_effort_timestamp;
    if (pts == AV_NOPTS_VALUE) pts = frame->pts;
    if (pts == AV_NOPTS_VALUE) return 0;
    const std::int64_t start = s->format->streams[s->video_index]->start_time;
    // Times from a damaged file may be anything: one that does not fit counts as none.
    if (start != AV_NOPTS_VALUE && __builtin_sub_overflow(pts, start, &pts)) return 0;
    return Ffmpeg().av_rescale_q(pts, s->time_base, AVRational{1, 10000000});
}

// Decodes the next frame into `frame`; false at the end or on an error.
bool DecodeNext(MediaStream* s) {
    for (;;) {
        const int got = Ffmpeg().avcodec_receive_frame(s->codec, s->frame);
        if (got == 0) return true;
        if (got != AVERROR(EAGAIN)) return false;  // end of stream or a decode error
        const int read = Ffmpeg().av_read_frame(s->format, s->packet);
        if (read < 0) {
            if (Ffmpeg().avcodec_send_packet(s->codec, nullptr) < 0) return false;  // drain
            continue;
        }
        if (s->packet->stream_index == s->video_index) {
            const int sent = Ffmpeg().avcodec_send_packet(s->codec, s->packet);
            Ffmpeg().av_packet_unref(s->packet);
            if (sent < 0 && sent != AVERROR(EAGAIN)) return false;
        } else {
            Ffmpeg().av_packet_unref(s->packet);
        }
    }
}

bool WriteFrame(MediaStream* s, std::uint8_t* pixels, std::int32_t pitch) {
    if (s->frame->width != s->width || s->frame->height != s->height) return false;
    s->scaler = Ffmpeg().sws_getCachedContext(s->scaler, s->width, s->height, static_cast<AVPixelFormat>(s->frame->format),
                                     s->width, s->height, AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (s->scaler == nullptr) return false;
    std::uint8_t* planes[4] = {pixels, nullptr, nullptr, nullptr};
    int pitches[4] = {pitch, 0, 0, 0};
    return Ffmpeg().sws_scale(s->scaler, s->frame->data, s->frame->linesize, 0, s->height, planes, pitches) == s->height;
}

}  // namespace

MediaStream* MediaStreamOpen(const char* path, MediaStreamError* error) {
    *error = kMediaStreamNoFile;
    std::string name;
    if (!Cp932PathToUtf8(path, name) || !LoadFfmpegLibrary()) return nullptr;
    auto* s = new (std::nothrow) MediaStream;
    if (s == nullptr) {
        *error = kMediaStreamNoMemory;
        return nullptr;
    }
    Ffmpeg().av_log_set_level(AV_LOG_QUIET);
    if (Ffmpeg().avformat_open_input(&s->format, name.c_str(), nullptr, nullptr) < 0 ||
        Ffmpeg().avformat_find_stream_info(s->format, nullptr) < 0) {
        MediaStreamClose(s);
        return nullptr;
    }
    *error = kMediaStreamNoVideo;
    const AVCodec* decoder = nullptr;
    s->video_index = Ffmpeg().av_find_best_stream(s->format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (s->video_index < 0 || decoder == nullptr) {
        MediaStreamClose(s);
        return nullptr;
    }
    AVStream* video = s->format->streams[s->video_index];
    s->codec = Ffmpeg().avcodec_alloc_context3(decoder);
    s->packet = Ffmpeg().av_packet_alloc();
    s->frame = Ffmpeg().av_frame_alloc();
    if (s->codec == nullptr || s->packet == nullptr || s->frame == nullptr ||
        Ffmpeg().avcodec_parameters_to_context(s->codec, video->codecpar) < 0 ||
        Ffmpeg().avcodec_open2(s->codec, decoder, nullptr) < 0) {
        MediaStreamClose(s);
        return nullptr;
    }
    s->width = s->codec->width;
    s->height = s->codec->height;
    // A stream that does not tell its picture size (0) opens and reports it so, for the
    // caller to refuse; none of its frames is ever written, as no frame has that size.
    if (s->width < 0 || s->height < 0 || s->width > 8192 || s->height > 8192) {
        MediaStreamClose(s);
        return nullptr;
    }
    s->time_base = video->time_base;
    const AVRational rate = video->avg_frame_rate.num > 0 ? video->avg_frame_rate : video->r_frame_rate;
    s->frame_rate = rate.num > 0 && rate.den > 0 ? av_q2d(rate) : 0;
    const int audio = Ffmpeg().av_find_best_stream(s->format, AVMEDIA_TYPE_AUDIO, -1, s->video_index, nullptr, 0);
    if (audio >= 0) {
        const std::int64_t origin = video->start_time != AV_NOPTS_VALUE
                                        ? Ffmpeg().av_rescale_q(video->start_time, s->time_base, AVRational{1, 10000000})
                                        : 0;
        s->sound = MediaSoundOpen(name, audio, origin);
        s->sound_clock = s->sound != nullptr;
    }
    *error = kMediaStreamOk;
    return s;
}

void MediaStreamClose(MediaStream* s) {
    if (s == nullptr) return;
    MediaSoundClose(s->sound);
    Ffmpeg().sws_freeContext(s->scaler);
    Ffmpeg().av_frame_free(&s->frame);
    Ffmpeg().av_packet_free(&s->packet);
    Ffmpeg().avcodec_free_context(&s->codec);
    Ffmpeg().avformat_close_input(&s->format);
    delete s;
}

void MediaStreamGetFormat(const MediaStream* s, std::int32_t* width, std::int32_t* height, double* frame_rate) {
    *width = s->width;
    *height = s->height;
    *frame_rate = s->frame_rate;
}

bool MediaStreamHasSound(const MediaStream* s) { return s->sound_clock; }

std::int64_t MediaStreamGetTime(MediaStream* s) {
    if (s->sound_clock) {
        std::int64_t time = 0;
        if (MediaSoundTime(s->sound, &time)) return time;
        // The sound has played out: the clock goes on from its end.
        s->sound_clock = false;
        s->base_time = time;
        s->base_clock = timeGetTime();
        return time;
    }
    if (!s->running) return s->base_time;
    return s->base_time + static_cast<std::int64_t>(timeGetTime() - s->base_clock) * 10000;
}

void MediaStreamRun(MediaStream* s) {
    if (s->running) return;
    s->base_clock = timeGetTime();
    s->running = true;
    if (s->sound_clock) MediaSoundPlay(s->sound);
}

void MediaStreamPause(MediaStream* s) {
    if (!s->running) return;
    s->base_time = MediaStreamGetTime(s);
    s->running = false;
    if (s->sound_clock) MediaSoundStop(s->sound);
}

bool MediaStreamIsRunning(const MediaStream* s) { return s->running; }

int MediaStreamSeek(MediaStream* s, std::int64_t time_100ns) {
    if (time_100ns < 0) time_100ns = 0;
    const AVStream* video = s->format->streams[s->video_index];
    std::int64_t target = Ffmpeg().av_rescale_q(time_100ns, AVRational{1, 10000000}, s->time_base);
    if (video->start_time != AV_NOPTS_VALUE && __builtin_add_overflow(target, video->start_time, &target)) {
        target = video->start_time;
    }
    const int result = Ffmpeg().av_seek_frame(s->format, s->video_index, target, AVSEEK_FLAG_BACKWARD);
    Ffmpeg().avcodec_flush_buffers(s->codec);
    s->held = false;
    s->ended = false;
    s->last_shown = -1;
    s->base_time = time_100ns;
    s->base_clock = timeGetTime();
    if (s->sound != nullptr) {
        MediaSoundSeek(s->sound, time_100ns);
        s->sound_clock = true;
        if (s->running) MediaSoundPlay(s->sound);
    }
    return result < 0 ? -1 : 0;
}

MediaFrameResult MediaStreamTakeFrame(MediaStream* s, std::uint8_t* pixels, std::int32_t pitch) {
    const std::int64_t now = MediaStreamGetTime(s);
    // The latest frame whose time has come: decode forward while the next one is due.
    bool have = false;
    for (;;) {
        if (!s->held) {
            if (s->ended || !DecodeNext(s)) {
                s->ended = true;
                break;
            }
            s->held = true;
        }
        const std::int64_t t = FrameTime(s, s->frame);
        if (t > now && (have || s->last_shown >= 0)) break;  // not due yet
        if (pixels == nullptr || !WriteFrame(s, pixels, pitch)) {
            s->ended = true;
            return kMediaFrameEnd;
        }
        s->last_shown = t;
        s->held = false;
        have = true;
    }
    if (have) return kMediaFrameNew;
    return s->ended ? kMediaFrameEnd : kMediaFrameNotYet;
}
