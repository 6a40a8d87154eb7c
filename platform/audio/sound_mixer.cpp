// The software mixer: the playing-voice list and the resampling mix into 32-bit sums
// clamped to 16 bits. Sources are 8-bit unsigned or 16-bit signed, mono or stereo, at
// any rate; positions step in 16.16 fixed point with linear interpolation between frames.
#include "platform/audio/sound_mixer.h"

#include <algorithm>
#include <mutex>

namespace audio {
namespace {

std::mutex g_mixer_lock;
Voice* g_playing = nullptr;  // head of the playing list
std::atomic<std::uint64_t> g_mixed_frames{0};

constexpr std::uint32_t kChunkFrames = 512;

void Unlink(Voice* voice) {
    if (voice->previous != nullptr) voice->previous->next = voice->next;
    else g_playing = voice->next;
    if (voice->next != nullptr) voice->next->previous = voice->previous;
    voice->previous = voice->next = nullptr;
}

template <int Bits>
inline std::int32_t SampleAt(const unsigned char* p) {
    if constexpr (Bits == 8) {
        return (static_cast<std::int32_t>(*p) - 128) << 8;
    } else {
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
    }
}

// Adds `frames` output frames of the voice to `sum`; returns false when the voice ended.
template <int Channels, int Bits>
bool MixVoice(Voice* v, std::int32_t* sum, std::uint32_t frames) {
    const unsigned char* data = v->block->bytes;
    const std::uint32_t count = v->frame_count;
    const std::uint32_t align = v->block_align;
    std::uint32_t frame = v->frame;
    std::uint32_t fraction = v->fraction;
    const std::uint32_t step = v->step;
    constexpr std::uint32_t kBytes = Bits / 8;
    for (std::uint32_t i = 0; i < frames; ++i) {
        const unsigned char* p0 = data + static_cast<std::size_t>(frame) * align;
        std::uint32_t next = frame + 1;
        if (next >= count) next = v->looping ? 0 : frame;
        const unsigned char* p1 = data + static_cast<std::size_t>(next) * align;
        std::int32_t left = SampleAt<Bits>(p0);
        std::int32_t right = Channels == 2 ? SampleAt<Bits>(p0 + kBytes) : left;
        if (fraction != 0) {
            // 15 bits of the fraction keep the product of a full-scale step within 32 bits.
            const std::int32_t f = static_cast<std::int32_t>(fraction >> 1);
            const std::int32_t left1 = SampleAt<Bits>(p1);
            const std::int32_t right1 = Channels == 2 ? SampleAt<Bits>(p1 + kBytes) : left1;
            left += ((left1 - left) * f) >> 15;
            right += ((right1 - right) * f) >> 15;
        }
        sum[2 * i] += left;
        sum[2 * i + 1] += right;
        fraction += step;
        frame += fraction >> 16;
        fraction &= 0xFFFF;
        if (frame >= count) {
            if (!v->looping) {
                v->frame = 0;
                v->fraction = 0;
                return false;
            }
            frame %= count;
        }
    }
    v->frame = frame;
    v->fraction = fraction;
    return true;
}

using MixFunction = bool (*)(Voice*, std::int32_t*, std::uint32_t);
// Indexed by (channels - 1) * 2 + (bits == 16).
constexpr MixFunction kMixers[4] = {&MixVoice<1, 8>, &MixVoice<1, 16>, &MixVoice<2, 8>, &MixVoice<2, 16>};

void MixLocked(std::int16_t* out, std::uint32_t frames) {
    std::int32_t sum[kChunkFrames * 2];
    while (frames > 0) {
        const std::uint32_t n = std::min(frames, kChunkFrames);
        std::fill(sum, sum + n * 2, 0);
        for (Voice* v = g_playing; v != nullptr;) {
            Voice* following = v->next;
            const MixFunction mix = kMixers[(v->channels - 1) * 2 + (v->bits == 16 ? 1 : 0)];
            if (!mix(v, sum, n)) {
                v->playing = false;
                Unlink(v);
            }
            v = following;
        }
        for (std::uint32_t i = 0; i < n * 2; ++i) {
            out[i] = static_cast<std::int16_t>(std::clamp(sum[i], -32768, 32767));
        }
        out += n * 2;
        frames -= n;
    }
}

}  // namespace

void LockMixer() { g_mixer_lock.lock(); }
void UnlockMixer() { g_mixer_lock.unlock(); }

void StartVoice(Voice* voice, bool looping) {
    voice->looping = looping;
    if (voice->playing) return;
    voice->playing = true;
    voice->previous = nullptr;
    voice->next = g_playing;
    if (g_playing != nullptr) g_playing->previous = voice;
    g_playing = voice;
}

void StopVoice(Voice* voice) {
    if (!voice->playing) return;
    voice->playing = false;
    Unlink(voice);
}

void MixFrames(std::int16_t* out, std::uint32_t frames, bool wait) {
    bool held = false;
    if (wait) {
        g_mixer_lock.lock();
        held = true;
    } else {
        // The game thread holds the lock only around a few field changes; a short
        // bounded retry covers that without ever sleeping.
        for (int attempt = 0; attempt < 2000 && !held; ++attempt) held = g_mixer_lock.try_lock();
    }
    if (!held) {
        std::fill(out, out + static_cast<std::size_t>(frames) * 2, 0);
        return;
    }
    MixLocked(out, frames);
    g_mixer_lock.unlock();
    g_mixed_frames.fetch_add(frames, std::memory_order_relaxed);
}

std::uint64_t MixedFrames() { return g_mixed_frames.load(std::memory_order_relaxed); }
void ResetMixedFrames() { g_mixed_frames.store(0, std::memory_order_relaxed); }

}  // namespace audio
