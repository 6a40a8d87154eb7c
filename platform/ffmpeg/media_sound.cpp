// A media stream's sound track: FFmpeg decodes it on a demuxer of its own, libswresample
// makes 16-bit stereo at 44.1 kHz of it, and a looping DirectSound buffer of four seconds
// plays it. Every look at the clock refills the buffer to a second ahead of the play
// cursor and silences what was played, so a buffer left alone plays its data, then
// silence. When the cursor has passed the written data (nobody refilled in time) the
// sound stands at the data's end and starts again from there. Relies on the DirectSound
// stand-in (platform/dsound.h), the COM table and timeGetTime; the stream has loaded
// FFmpeg's libraries before it opens its sound.
#include "platform/ffmpeg/media_sound.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "platform/dsound.h"
#include "platform/ffmpeg/ffmpeg_library.h"
#include "platform/kernel.h"

namespace {

constexpr std::uint32_t kRate = 44100;
constexpr std::uint32_t kBlock = 4;  // stereo, 16 bits
constexpr std::uint32_t kBytesPerSecond = kRate * kBlock;
constexpr std::uint32_t kRingBytes = 4 * kBytesPerSecond;
constexpr std::uint32_t kLeadBytes = kBytesPerSecond;  // kept written ahead of the cursor
// Wall time beyond the data ahead that counts as a cursor gone round the buffer unseen.
constexpr std::uint32_t kSlackMs = 250;
constexpr std::int64_t kUnitsPerSecond = 10000000;  // 100 ns

}  // namespace

struct MediaSound {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    SwrContext* resampler = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int index = -1;
    AVRational time_base{1, 1};
    std::int64_t origin = 0;  // 100 ns
    IDirectSound* device = nullptr;
    IDirectSoundBuffer* ring = nullptr;

    std::vector<std::uint8_t> pending;  // converted PCM not yet in the ring
    std::size_t pending_read = 0;
    std::uint64_t silence = 0;          // bytes of silence due before `pending`
    bool decoder_ended = false;
    std::int64_t target = 0;        // stream time of the first byte after the last seek
    bool timeline_started = false;  // the data from `target` on has begun

    bool playing = false;
    bool done = false;              // played to the end
    std::uint64_t written = 0;      // bytes of data written since the last seek
    std::uint64_t played = 0;       // bytes of data the cursor has passed since then
    DWORD write_offset = 0;
    DWORD last_cursor = 0;
    DWORD last_look = 0;            // timeGetTime at the last look while playing
    std::uint64_t overrun = 0;      // bytes the cursor went past the data at the last look
};

namespace {

std::int64_t FrameTime(const MediaSound* s, const AVFrame* frame) {
    std::int64_t pts = frame->best_effort_timestamp;
    if (pts == AV_NOPTS_VALUE) pts = frame->pts;
    if (pts == AV_NOPTS_VALUE) return AV_NOPTS_VALUE;
    // Times from a damaged file may be anything: one far beyond any movie counts as none.
    const std::int64_t time = Ffmpeg().av_rescale_q(pts, s->time_base, AVRational{1, kUnitsPerSecond});
    constexpr std::int64_t kFar = std::int64_t{1} << 50;  // about 3.5 years
    if (time < -kFar || time > kFar) return AV_NOPTS_VALUE;
    return time - s->origin;
}

bool DecodeFrame(MediaSound* s) {
    for (;;) {
        const int got = Ffmpeg().avcodec_receive_frame(s->codec, s->frame);
        if (got == 0) return true;
        if (got != AVERROR(EAGAIN)) return false;
        if (Ffmpeg().av_read_frame(s->format, s->packet) < 0) {
            if (Ffmpeg().avcodec_send_packet(s->codec, nullptr) < 0) return false;
            continue;
        }
        if (s->packet->stream_index == s->index) {
            const int sent = Ffmpeg().avcodec_send_packet(s->codec, s->packet);
            Ffmpeg().av_packet_unref(s->packet);
            if (sent < 0 && sent != AVERROR(EAGAIN)) return false;
        } else {
            Ffmpeg().av_packet_unref(s->packet);
        }
    }
}

// Decodes one frame of the track into `pending`, cut to the time line that starts at the
// seek target: a gap before the first sound is silence, sound before the target is
// dropped. False when the track has ended.
bool DecodeMore(MediaSound* s) {
    if (s->decoder_ended) return false;
    if (!DecodeFrame(s)) {
        s->decoder_ended = true;
        return false;
    }
    const int room = Ffmpeg().swr_get_out_samples(s->resampler, s->frame->nb_samples);
    if (room <= 0) return true;
    const std::size_t at = s->pending.size();
    s->pending.resize(at + static_cast<std::size_t>(room) * kBlock);
    std::uint8_t* out[1] = {s->pending.data() + at};
    const int made = Ffmpeg().swr_convert(s->resampler, out, room, const_cast<const std::uint8_t**>(s->frame->extended_data),
                                 s->frame->nb_samples);
    if (made < 0) {
        s->pending.resize(at);
        s->decoder_ended = true;
        return false;
    }
    s->pending.resize(at + static_cast<std::size_t>(made) * kBlock);
    if (s->timeline_started) return true;
    const std::int64_t time = FrameTime(s, s->frame);
    if (time == AV_NOPTS_VALUE) {
        s->timeline_started = true;
        return true;
    }
    if (time > s->target) {
        // The sound starts later than the target: silence until it does.
        s->silence = static_cast<std::uint64_t>(Ffmpeg().av_rescale(time - s->target, kRate, kUnitsPerSecond)) * kBlock;
        s->timeline_started = true;
        return true;
    }
    // Times are whole 100 ns: the nearest sample is the one meant.
    const std::int64_t drop = Ffmpeg().av_rescale(s->target - time, kRate, kUnitsPerSecond);
    const auto have = static_cast<std::int64_t>(made);
    if (drop >= have) {
        s->pending.resize(at);
        return true;
    }
    s->pending.erase(s->pending.begin() + static_cast<std::ptrdiff_t>(at),
                     s->pending.begin() + static_cast<std::ptrdiff_t>(at + drop * kBlock));
    s->timeline_started = true;
    return true;
}

// Writes `bytes` at `offset` of the ring (wrapping): from `source`, or zeros when null.
void WriteRing(MediaSound* s, DWORD offset, DWORD bytes, const std::uint8_t* source) {
    while (bytes > 0) {
        const DWORD part = std::min<DWORD>(bytes, kRingBytes - offset);
        void* first = nullptr;
        void* second = nullptr;
        DWORD first_bytes = 0, second_bytes = 0;
        if (FAILED(s->ring->Lock(offset, part, &first, &first_bytes, &second, &second_bytes, 0))) return;
        if (source != nullptr) {
            std::memcpy(first, source, first_bytes);
            source += first_bytes;
        } else {
            std::memset(first, 0, first_bytes);
        }
        s->ring->Unlock(first, first_bytes, second, second_bytes);
        bytes -= part;
        offset = (offset + part) % kRingBytes;
    }
}

// Writes data after what was written, up to `bytes`, as far as the track has it.
void Fill(MediaSound* s, std::uint64_t bytes) {
    while (bytes > 0) {
        if (s->silence > 0) {
            const auto part = static_cast<DWORD>(std::min<std::uint64_t>({bytes, s->silence, kRingBytes}));
            WriteRing(s, s->write_offset, part, nullptr);
            s->silence -= part;
            s->write_offset = (s->write_offset + part) % kRingBytes;
            s->written += part;
            bytes -= part;
            continue;
        }
        if (s->pending_read == s->pending.size()) {
            s->pending.clear();
            s->pending_read = 0;
            if (!DecodeMore(s)) {
                if (s->decoder_ended) return;
                continue;
            }
            continue;
        }
        const auto part = static_cast<DWORD>(std::min<std::uint64_t>(bytes, s->pending.size() - s->pending_read));
        WriteRing(s, s->write_offset, part, s->pending.data() + s->pending_read);
        s->pending_read += part;
        s->write_offset = (s->write_offset + part) % kRingBytes;
        s->written += part;
        bytes -= part;
    }
}

bool TrackEnded(const MediaSound* s) {
    return s->decoder_ended && s->silence == 0 && s->pending_read == s->pending.size();
}

// Takes in how far the cursor went since the last look and silences what it passed, so
// that outside the data not yet played the ring holds silence. True when the cursor went
// past the end of the written data (then all of the ring is silence).
bool Account(MediaSound* s) {
    DWORD cursor = 0;
    if (FAILED(s->ring->GetCurrentPosition(&cursor, nullptr))) return false;
    const DWORD now = timeGetTime();
    const std::uint64_t moved = (cursor + kRingBytes - s->last_cursor) % kRingBytes;
    const std::uint64_t ahead = s->written - s->played;
    const std::uint64_t elapsed = static_cast<std::uint64_t>(now - s->last_look) * kBytesPerSecond / 1000;
    const bool ran_out =
        moved >= ahead || elapsed >= ahead + static_cast<std::uint64_t>(kSlackMs) * kBytesPerSecond / 1000;
    WriteRing(s, s->last_cursor, static_cast<DWORD>(ran_out ? ahead : moved), nullptr);
    // How far past the data, when the cursor is known not to have gone round unseen.
    s->overrun = ran_out && moved >= ahead ? moved - ahead : 0;
    s->last_cursor = cursor;
    s->last_look = now;
    s->played = ran_out ? s->written : s->played + moved;
    return ran_out;
}

void StartRing(MediaSound* s) {
    s->ring->SetCurrentPosition(s->last_cursor);
    s->ring->Play(0, 0, DSBPLAY_LOOPING);
    s->last_look = timeGetTime();
    s->playing = true;
}

void Release(MediaSound* s) {
    if (s->ring != nullptr) {
        s->ring->Stop();
        s->ring->Release();
    }
    if (s->device != nullptr) s->device->Release();
    Ffmpeg().swr_free(&s->resampler);
    Ffmpeg().av_frame_free(&s->frame);
    Ffmpeg().av_packet_free(&s->packet);
    Ffmpeg().avcodec_free_context(&s->codec);
    Ffmpeg().avformat_close_input(&s->format);
    delete s;
}

bool OpenDecoder(MediaSound* s, const std::string& path) {
    if (Ffmpeg().avformat_open_input(&s->format, path.c_str(), nullptr, nullptr) < 0 ||
        Ffmpeg().avformat_find_stream_info(s->format, nullptr) < 0) {
        return false;
    }
    if (s->index < 0 || s->index >= static_cast<int>(s->format->nb_streams)) return false;
    const AVStream* stream = s->format->streams[s->index];
    if (stream->codecpar->codec_type != AVMEDIA_TYPE_AUDIO) return false;
    const AVCodec* decoder = Ffmpeg().avcodec_find_decoder(stream->codecpar->codec_id);
    if (decoder == nullptr) return false;
    s->codec = Ffmpeg().avcodec_alloc_context3(decoder);
    s->packet = Ffmpeg().av_packet_alloc();
    s->frame = Ffmpeg().av_frame_alloc();
    if (s->codec == nullptr || s->packet == nullptr || s->frame == nullptr ||
        Ffmpeg().avcodec_parameters_to_context(s->codec, stream->codecpar) < 0 ||
        Ffmpeg().avcodec_open2(s->codec, decoder, nullptr) < 0) {
        return false;
    }
    if (s->codec->sample_rate <= 0 || s->codec->ch_layout.nb_channels <= 0) return false;
    s->time_base = stream->time_base;
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    if (Ffmpeg().swr_alloc_set_opts2(&s->resampler, &stereo, AV_SAMPLE_FMT_S16, kRate, &s->codec->ch_layout,
                            s->codec->sample_fmt, s->codec->sample_rate, 0, nullptr) < 0 ||
        Ffmpeg().swr_init(s->resampler) < 0) {
        return false;
    }
    return true;
}

bool OpenDevice(MediaSound* s) {
    if (FAILED(CoCreateInstance(CLSID_DirectSound, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectSound,
                                reinterpret_cast<void**>(&s->device)))) {
        return false;
    }
    if (FAILED(s->device->Initialize(nullptr))) return false;
    s->device->SetCooperativeLevel(nullptr, DSSCL_NORMAL);
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = kRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = kBlock;
    format.nAvgBytesPerSec = kBytesPerSecond;
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_GLOBALFOCUS;
    desc.dwBufferBytes = kRingBytes;
    desc.lpwfxFormat = &format;
    return SUCCEEDED(s->device->CreateSoundBuffer(&desc, &s->ring, nullptr));
}

}  // namespace

MediaSound* MediaSoundOpen(const std::string& path, int stream_index, std::int64_t origin) {
    auto* s = new (std::nothrow) MediaSound;
    if (s == nullptr) return nullptr;
    s->index = stream_index;
    // A start time beyond any movie (a damaged file) counts as 0.
    constexpr std::int64_t kFar = std::int64_t{1} << 50;
    s->origin = origin < -kFar || origin > kFar ? 0 : origin;
    if (!OpenDecoder(s, path) || !OpenDevice(s)) {
        Release(s);
        return nullptr;
    }
    return s;
}

void MediaSoundClose(MediaSound* s) {
    if (s != nullptr) Release(s);
}

void MediaSoundPlay(MediaSound* s) {
    if (s->playing || s->done) return;
    const std::uint64_t ahead = s->written - s->played;
    if (ahead < kLeadBytes) Fill(s, kLeadBytes - ahead);
    if (s->written == s->played && TrackEnded(s)) {
        s->done = true;
        return;
    }
    StartRing(s);
}

void MediaSoundStop(MediaSound* s) {
    if (!s->playing) return;
    s->ring->Stop();
    if (Account(s)) {
        // The cursor went past the data: the sound stands at the data's end.
        s->last_cursor = s->write_offset;
    }
    s->playing = false;
}

void MediaSoundSeek(MediaSound* s, std::int64_t time) {
    if (time < 0) time = 0;
    s->ring->Stop();
    s->playing = false;
    s->done = false;
    WriteRing(s, 0, kRingBytes, nullptr);
    s->ring->SetCurrentPosition(0);
    s->write_offset = 0;
    s->last_cursor = 0;
    s->written = 0;
    s->played = 0;
    s->pending.clear();
    s->pending_read = 0;
    s->silence = 0;
    s->target = time;
    s->timeline_started = false;
    s->decoder_ended = false;
    const std::int64_t at = Ffmpeg().av_rescale_q(time + s->origin, AVRational{1, kUnitsPerSecond}, s->time_base);
    Ffmpeg().av_seek_frame(s->format, s->index, at, AVSEEK_FLAG_BACKWARD);
    Ffmpeg().avcodec_flush_buffers(s->codec);
    // Drops what the resampler still holds from before the seek.
    Ffmpeg().swr_close(s->resampler);
    Ffmpeg().swr_init(s->resampler);
}

bool MediaSoundTime(MediaSound* s, std::int64_t* time) {
    if (s->playing) {
        if (Account(s)) {
            // The cursor passed the data: either the track has played out, or nobody
            // refilled in time and the sound starts again at the data's end.
            s->ring->Stop();
            s->playing = false;
            if (!TrackEnded(s)) {
                s->last_cursor = s->write_offset;
                Fill(s, kLeadBytes);
            }
            if (s->written == s->played && TrackEnded(s)) {
                // Played out: the time runs on through the silence after the end.
                s->done = true;
                s->played += s->overrun;
            } else {
                StartRing(s);
            }
        } else {
            const std::uint64_t ahead = s->written - s->played;
            if (ahead < kLeadBytes) Fill(s, kLeadBytes - ahead);
        }
    }
    *time = s->target + static_cast<std::int64_t>(s->played * kUnitsPerSecond / kBytesPerSecond);
    return !s->done;
}
