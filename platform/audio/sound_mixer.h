// The software mixer behind the DirectSound stand-in: sample blocks shared by a buffer
// and its duplicates, one voice per buffer, and the list of playing voices that the
// device callback (or the manual audio clock) mixes into signed 16-bit stereo at 44.1 kHz.
// Relies on the standard library only; the SDL side lives in audio_device.cpp.
#pragma once

#include <atomic>
#include <cstdint>

namespace audio {

constexpr std::uint32_t kOutputRate = 44100;

// Sample memory of a buffer, shared with its duplicates; freed with the last of them.
struct SampleBlock {
    std::atomic<int> references;
    unsigned char* bytes;
    std::uint32_t size;
};

// One buffer's playback state. The format fields are fixed at creation; `playing`,
// `looping`, `frame`, `fraction` and the list links change only under the mixer lock.
struct Voice {
    SampleBlock* block;
    std::uint32_t frame_count;   // whole frames in the block
    std::uint32_t block_align;   // bytes per frame
    std::uint32_t channels;      // 1 or 2
    std::uint32_t bits;          // 8 (unsigned) or 16 (signed)
    std::uint32_t step;          // source frames per output frame, 16.16
    bool playing;
    bool looping;
    std::uint32_t frame;         // next source frame
    std::uint32_t fraction;      // 16-bit fraction of the position past `frame`
    Voice* previous;
    Voice* next;
};

// Short hold by the game thread around every change of voice state. The device
// callback only tries this lock, so it never waits behind the game thread for long.
void LockMixer();
void UnlockMixer();

// Under the mixer lock.
void StartVoice(Voice* voice, bool looping);
void StopVoice(Voice* voice);

// Mixes `frames` output frames of every playing voice into `out` (interleaved stereo),
// advancing their positions; a voice that reaches its end without looping stops and its
// position returns to 0. Allocates nothing. `wait` false: when the game thread holds the
// lock for more than a moment, writes silence and leaves the voices where they are.
void MixFrames(std::int16_t* out, std::uint32_t frames, bool wait);

// Frames mixed since ResetMixedFrames.
std::uint64_t MixedFrames();
void ResetMixedFrames();

}  // namespace audio
