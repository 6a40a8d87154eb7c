// The sound test hooks as scoped objects over platform/audio_hooks.h.
#include "platform/testing/audio_testing.h"

ManualAudio::ManualAudio() {
    platform_hooks::SetManualAudio(true);
    platform_hooks::SetAudioCapture(true);
}

ManualAudio::~ManualAudio() {
    platform_hooks::SetAudioCapture(false);
    platform_hooks::SetManualAudio(false);
}

std::vector<std::int16_t> ManualAudio::TakeMixed() {
    platform_hooks::MixManualAudio();
    return platform_hooks::TakeAudioCapture();
}

FakeSoundCaps::FakeSoundCaps(const DSCAPS& caps) { platform_hooks::SetSoundCapsOverride(&caps); }
FakeSoundCaps::~FakeSoundCaps() { platform_hooks::SetSoundCapsOverride(nullptr); }

SoundFailure::SoundFailure(const char* step, int count) { platform_hooks::SetSoundFailure(step, count); }
SoundFailure::~SoundFailure() { platform_hooks::ClearSoundFailures(); }
