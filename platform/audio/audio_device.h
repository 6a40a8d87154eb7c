// The output side of the DirectSound stand-in: the SDL2 audio device whose callback runs
// the mixer, or, under the test hook, the manual audio clock that mixes on the caller's
// thread up to the platform's manual clock. Reference-counted by the DirectSound objects.
#pragma once

namespace audio {

// False when there is no usable device (none, or SDL's dummy driver).
bool AcquireOutput();
void ReleaseOutput();
// Under the manual audio clock, mixes up to the clock's present time; else nothing.
void CatchUpManualAudio();

}  // namespace audio
