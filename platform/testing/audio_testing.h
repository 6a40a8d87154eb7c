// Test hooks for the sound stand-ins: the manual audio clock with capture of the mixed
// output, stand-in device capabilities and failure of a named DirectSound step. Each is
// undone when the object goes away.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/audio_hooks.h"

// While it lives, DirectSound objects initialised from now on mix on the manual clock
// (a ManualClock must be live too) and the mixed frames are captured.
class ManualAudio {
public:
    ManualAudio();
    ~ManualAudio();
    ManualAudio(const ManualAudio&) = delete;
    ManualAudio& operator=(const ManualAudio&) = delete;

    // Mixes up to the manual clock's present time and hands over what was mixed since
    // the last call (interleaved stereo, signed 16-bit, 44,100 frames per second).
    std::vector<std::int16_t> TakeMixed();
};

class FakeSoundCaps {
public:
    explicit FakeSoundCaps(const DSCAPS& caps);
    ~FakeSoundCaps();
};

class SoundFailure {
public:
    SoundFailure(const char* step, int count = -1);
    ~SoundFailure();
};
