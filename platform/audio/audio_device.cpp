// The SDL2 audio device (signed 16-bit stereo at 44.1 kHz, SDL converting to what the
// hardware takes) with the mixer as its callback, and the manual audio clock with its
// capture for tests. Relies on SDL2 and the platform's manual clock seam.
#include "platform/audio/audio_device.h"

#include <SDL.h>

#include <cstring>
#include <mutex>
#include <vector>

#include "platform/audio/sound_mixer.h"
#include "platform/audio_hooks.h"
#include "platform/platform_hooks.h"

namespace {

int g_output_refs = 0;
SDL_AudioDeviceID g_device = 0;
bool g_manual_audio = false;
bool g_manual_open = false;
std::uint64_t g_manual_start_ns = 0;
std::uint64_t g_manual_frames = 0;
bool g_capture = false;
std::vector<std::int16_t> g_captured;

void SDLCALL MixCallback(void* /*user*/, Uint8* stream, int bytes) {
    audio::MixFrames(reinterpret_cast<std::int16_t*>(stream), static_cast<std::uint32_t>(bytes) / 4, false);
}

bool OpenSdlDevice() {
    // Interrupt and terminate signals keep their usual effect (as with the video side).
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    const char* driver = SDL_GetCurrentAudioDriver();
    if (driver == nullptr || std::strcmp(driver, "dummy") == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(audio::kOutputRate);
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = &MixCallback;
    SDL_AudioSpec have{};
    g_device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (g_device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    SDL_PauseAudioDevice(g_device, 0);
    return true;
}

}  // namespace

namespace audio {

bool AcquireOutput() {
    if (g_output_refs == 0) {
        ResetMixedFrames();
        if (g_manual_audio) {
            g_manual_open = true;
            g_manual_start_ns = platform_hooks::ManualClockNanoseconds();
            g_manual_frames = 0;
        } else if (!OpenSdlDevice()) {
            return false;
        }
    }
    ++g_output_refs;
    return true;
}

void ReleaseOutput() {
    if (g_output_refs <= 0 || --g_output_refs > 0) return;
    if (g_manual_open) {
        g_manual_open = false;
        return;
    }
    SDL_CloseAudioDevice(g_device);
    g_device = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
}

void CatchUpManualAudio() {
    if (!g_manual_open) return;
    const std::uint64_t elapsed = platform_hooks::ManualClockNanoseconds() - g_manual_start_ns;
    const std::uint64_t target = elapsed * kOutputRate / 1000000000ull;
    std::int16_t chunk[2 * 1024];
    while (g_manual_frames < target) {
        const std::uint32_t n = static_cast<std::uint32_t>(std::min<std::uint64_t>(target - g_manual_frames, 1024));
        MixFrames(chunk, n, true);
        if (g_capture) g_captured.insert(g_captured.end(), chunk, chunk + n * 2);
        g_manual_frames += n;
    }
}

}  // namespace audio

namespace platform_hooks {

void SetManualAudio(bool on) { g_manual_audio = on; }
bool IsManualAudio() { return g_manual_audio; }
void MixManualAudio() { audio::CatchUpManualAudio(); }
std::uint64_t MixedAudioFrames() { return audio::MixedFrames(); }

void SetAudioCapture(bool on) {
    g_capture = on;
    if (!on) g_captured.clear();
}

std::vector<std::int16_t> TakeAudioCapture() {
    std::vector<std::int16_t> out;
    out.swap(g_captured);
    return out;
}

}  // namespace platform_hooks
