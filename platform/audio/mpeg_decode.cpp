// MPEG audio to signed 16-bit PCM through libmpg123 in feed mode: whole frames are
// handed over one at a time while a frame's output still fits, so no decoded sample is
// held back; gapless trimming is off, so each frame gives its full sample count.
#include <mpg123.h>

#include <algorithm>
#include <new>

#include "platform/audio/wave_decoders.h"

namespace audio {
namespace {

struct MpegState {
    mpg123_handle* handle;
    WORD channels;
};

// Frame length in bytes and sample frames of a header; false when it is no header.
bool FrameSize(const unsigned char* b, std::uint32_t* bytes, std::uint32_t* samples) {
    if (b[0] != 0xFF || (b[1] & 0xE0) != 0xE0) return false;
    const int version_bits = (b[1] >> 3) & 3;  // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    if (version_bits == 1) return false;
    const int layer = 4 - ((b[1] >> 1) & 3);  // 1, 2, 3; 4 is reserved
    if (layer == 4) return false;
    const int bitrate_index = b[2] >> 4;
    const int rate_index = (b[2] >> 2) & 3;
    if (bitrate_index == 0 || bitrate_index == 15 || rate_index == 3) return false;
    static constexpr int kBitrates[2][3][15] = {
        {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
        {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
    static constexpr int kRates[3] = {44100, 48000, 32000};
    const bool mpeg1 = version_bits == 3;
    const int rate = kRates[rate_index] >> (mpeg1 ? 0 : (version_bits == 2 ? 1 : 2));
    const int kbps = kBitrates[mpeg1 ? 0 : 1][layer - 1][bitrate_index];
    const int padding = (b[2] >> 1) & 1;
    if (layer == 1) {
        *bytes = static_cast<std::uint32_t>((12 * kbps * 1000 / rate + padding) * 4);
        *samples = 384;
    } else if (layer == 2 || mpeg1) {
        *bytes = static_cast<std::uint32_t>(144 * kbps * 1000 / rate + padding);
        *samples = 1152;
    } else {
        *bytes = static_cast<std::uint32_t>(72 * kbps * 1000 / rate + padding);
        *samples = 576;
    }
    return *bytes >= 4;
}

void* Open(const WAVEFORMATEX* f) {
    if (f->nChannels < 1 || f->nChannels > 2 || f->nSamplesPerSec == 0) return nullptr;
    static const bool initialised = mpg123_init() == MPG123_OK;
    if (!initialised) return nullptr;
    mpg123_handle* h = mpg123_new(nullptr, nullptr);
    if (h == nullptr) return nullptr;
    long flags = MPG123_QUIET | MPG123_NO_READAHEAD | MPG123_IGNORE_INFOFRAME | MPG123_IGNORE_STREAMLENGTH |
                 (f->nChannels == 1 ? MPG123_FORCE_MONO : MPG123_FORCE_STEREO);
    bool ok = mpg123_param(h, MPG123_FLAGS, flags, 0) == MPG123_OK;
    ok = ok && mpg123_param(h, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0) == MPG123_OK;
    ok = ok && mpg123_format_none(h) == MPG123_OK;
    ok = ok && mpg123_format(h, static_cast<long>(f->nSamplesPerSec), f->nChannels == 1 ? MPG123_MONO : MPG123_STEREO,
                             MPG123_ENC_SIGNED_16) == MPG123_OK;
    ok = ok && mpg123_open_feed(h) == MPG123_OK;
    auto* state = ok ? new (std::nothrow) MpegState{h, f->nChannels} : nullptr;
    if (state == nullptr) mpg123_delete(h);
    return state;
}

DecodeResult Decode(void* s, const unsigned char* in, std::uint32_t in_bytes, unsigned char* out,
                    std::uint32_t out_bytes) {
    auto* state = static_cast<MpegState*>(s);
    DecodeResult result{};
    while (in_bytes - result.source_used >= 4) {
        const unsigned char* frame = in + result.source_used;
        std::uint32_t bytes = 0, samples = 0;
        if (!FrameSize(frame, &bytes, &samples)) {
            ++result.source_used;  // not a frame start: step over it
            continue;
        }
        if (bytes > in_bytes - result.source_used) break;  // offered again with more data
        const std::uint32_t frame_out = samples * 2u * 2u;  // room for stereo whatever the frame says
        if (out_bytes - result.output_bytes < frame_out) break;
        result.source_used += bytes;
        if (mpg123_feed(state->handle, frame, bytes) != MPG123_OK) {
            result.failed = true;
            break;
        }
        for (;;) {
            size_t done = 0;
            const int code = mpg123_read(state->handle, out + result.output_bytes, out_bytes - result.output_bytes, &done);
            result.output_bytes += static_cast<std::uint32_t>(done);
            if (code == MPG123_NEW_FORMAT || (code == MPG123_OK && done > 0)) continue;
            break;
        }
    }
    return result;
}

std::uint64_t OutputSize(const void* s, std::uint32_t source_bytes) {
    const auto* state = static_cast<const MpegState*>(s);
    // The shortest frame (24 bytes) gives 1152 frames at most.
    return (static_cast<std::uint64_t>(source_bytes) / 24 + 1) * 1152u * 2u * state->channels;
}

void Close(void* s) {
    auto* state = static_cast<MpegState*>(s);
    mpg123_delete(state->handle);
    delete state;
}

}  // namespace

const WaveDecoderKind kMpegDecoder = {WAVE_FORMAT_MPEGLAYER3, &Open, &Decode, &OutputSize, &Close};

}  // namespace audio
