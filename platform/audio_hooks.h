// Seams inside the platform layer for tests of the sound code: a manual audio clock in
// place of the audio device, capture of the mixed output, stand-in device capabilities,
// failure injection for buffer creation and locks, and a count of live sample blocks.
// The engine never includes this header; platform/testing/audio_testing.h wraps it.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/dsound.h"

namespace platform_hooks {

// While on, DirectSound opens no device: its mixer runs on the platform's manual clock
// (platform_hooks::SetManualClock), catching up to the clock's time at 44,100 frames
// per second whenever a DirectSound call is made or MixManualAudio is called. The
// mixer's own frame count starts at 0 when an object is initialised.
void SetManualAudio(bool on);
bool IsManualAudio();
// Mixes up to the manual clock's present time now.
void MixManualAudio();
// Frames mixed since the device (manual or real) was opened.
std::uint64_t MixedAudioFrames();

// Capture of the mixed output (interleaved signed 16-bit stereo at 44,100 Hz): while
// on, every mixed frame is appended; Take hands the frames over and empties it.
void SetAudioCapture(bool on);
std::vector<std::int16_t> TakeAudioCapture();

// Capabilities that GetCaps reports instead of the mixer's own; null restores them.
void SetSoundCapsOverride(const DSCAPS* caps);
// The format last given to the primary buffer's SetFormat (zeros before one).
WAVEFORMATEX LastPrimaryFormat();

// The next `count` calls of the named step fail ("DirectSound.Create",
// "DirectSound.Initialize", "DirectSound.CreateSoundBuffer",
// "DirectSound.DuplicateSoundBuffer", "DirectSoundBuffer.Lock",
// "DirectSoundBuffer.Unlock", "DirectSoundBuffer.GetStatus"); 0 clears.
void SetSoundFailure(const char* step, int count);
void ClearSoundFailures();

// Secondary buffer objects and sample blocks alive now.
int LiveSoundBuffers();
int LiveSampleBlocks();

}  // namespace platform_hooks
