// The DirectSound stand-in: the DirectSound object (device, capabilities, buffer
// creation and duplication), the primary buffer (format record only) and secondary
// buffers over the software mixer, the one-device enumeration and the sound test hooks.
// Relies on sound_mixer.h, audio_device.h and the platform's COM table.
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <string>

#include "platform/audio/audio_device.h"
#include "platform/audio/sound_mixer.h"
#include "platform/audio_hooks.h"
#include "platform/dsound.h"

// {47D4D946-62E8-11CF-93BC-444553540000}
const CLSID CLSID_DirectSound = {0x47D4D946, 0x62E8, 0x11CF, {0x93, 0xBC, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// {279AFA83-4981-11CE-A521-0020AF0BE560}
const IID IID_IDirectSound = {0x279AFA83, 0x4981, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
// {279AFA85-4981-11CE-A521-0020AF0BE560}
const IID IID_IDirectSoundBuffer = {0x279AFA85, 0x4981, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};

namespace {

std::map<std::string, int>& Failures() {
    static std::map<std::string, int> failures;
    return failures;
}

bool TakeFailure(const char* step) {
    auto& failures = Failures();
    auto it = failures.find(step);
    if (it == failures.end() || it->second == 0) return false;
    if (it->second > 0) --it->second;
    return true;
}

bool g_caps_override_on = false;
DSCAPS g_caps_override{};
WAVEFORMATEX g_primary_format{};
std::atomic<int> g_live_buffers{0};
std::atomic<int> g_live_blocks{0};

constexpr DWORD kMaxBufferBytes = 0x10000000u;  // 256 MB
constexpr DWORD kMinRate = 100;
constexpr DWORD kMaxRate = 200000;

void ReleaseBlock(audio::SampleBlock* block) {
    if (block->references.fetch_sub(1) == 1) {
        std::free(block->bytes);
        delete block;
        --g_live_blocks;
    }
}

// The primary buffer: only its format matters here; it plays nothing of its own.
class PrimaryBuffer final : public IDirectSoundBuffer {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        return QueryOneInterface<IDirectSoundBuffer>(this, iid, IID_IDirectSoundBuffer, object);
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT GetCurrentPosition(DWORD* play, DWORD* write) override {
        if (play != nullptr) *play = 0;
        if (write != nullptr) *write = 0;
        return DS_OK;
    }
    HRESULT GetStatus(DWORD* status) override {
        if (status == nullptr) return DSERR_INVALIDPARAM;
        *status = playing_ ? DSBSTATUS_PLAYING | DSBSTATUS_LOOPING : 0;
        return DS_OK;
    }
    HRESULT Lock(DWORD, DWORD, void**, DWORD*, void**, DWORD*, DWORD) override { return DSERR_INVALIDCALL; }
    HRESULT Play(DWORD, DWORD, DWORD flags) override {
        if ((flags & DSBPLAY_LOOPING) == 0) return DSERR_INVALIDPARAM;
        playing_ = true;
        return DS_OK;
    }
    HRESULT SetCurrentPosition(DWORD) override { return DSERR_INVALIDCALL; }
    HRESULT SetFormat(const WAVEFORMATEX* format) override {
        if (format == nullptr || format->wFormatTag != WAVE_FORMAT_PCM) return DSERR_BADFORMAT;
        g_primary_format = *format;
        return DS_OK;
    }
    HRESULT Stop() override {
        playing_ = false;
        return DS_OK;
    }
    HRESULT Unlock(void*, DWORD, void*, DWORD) override { return DSERR_INVALIDCALL; }

private:
    std::atomic<ULONG> refs_{1};
    bool playing_ = false;
};

class SecondaryBuffer final : public IDirectSoundBuffer {
public:
    // Takes one reference of the block.
    SecondaryBuffer(audio::SampleBlock* block, const WAVEFORMATEX& format) {
        voice_ = {};
        voice_.block = block;
        voice_.block_align = format.nBlockAlign;
        voice_.channels = format.nChannels;
        voice_.bits = format.wBitsPerSample;
        voice_.frame_count = block->size / format.nBlockAlign;
        voice_.step = static_cast<std::uint32_t>((static_cast<std::uint64_t>(format.nSamplesPerSec) << 16) /
                                                 audio::kOutputRate);
        format_ = format;
        ++g_live_buffers;
    }
    const WAVEFORMATEX& format() const { return format_; }
    audio::SampleBlock* block() const { return voice_.block; }

    HRESULT QueryInterface(REFIID iid, void** object) override {
        return QueryOneInterface<IDirectSoundBuffer>(this, iid, IID_IDirectSoundBuffer, object);
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0) {
            audio::LockMixer();
            audio::StopVoice(&voice_);
            audio::UnlockMixer();
            ReleaseBlock(voice_.block);
            --g_live_buffers;
            delete this;
        }
        return left;
    }
    HRESULT GetCurrentPosition(DWORD* play, DWORD* write) override {
        audio::CatchUpManualAudio();
        audio::LockMixer();
        const DWORD position = voice_.frame * voice_.block_align;
        audio::UnlockMixer();
        if (play != nullptr) *play = position;
        if (write != nullptr) *write = position;
        return DS_OK;
    }
    HRESULT GetStatus(DWORD* status) override {
        if (status == nullptr) return DSERR_INVALIDPARAM;
        if (TakeFailure("DirectSoundBuffer.GetStatus")) return DSERR_GENERIC;
        audio::CatchUpManualAudio();
        audio::LockMixer();
        *status = voice_.playing ? (DSBSTATUS_PLAYING | (voice_.looping ? DSBSTATUS_LOOPING : 0)) : 0;
        audio::UnlockMixer();
        return DS_OK;
    }
    HRESULT Lock(DWORD offset, DWORD bytes, void** first, DWORD* first_bytes, void** second, DWORD* second_bytes,
                 DWORD /*flags*/) override {
        if (first == nullptr || first_bytes == nullptr) return DSERR_INVALIDPARAM;
        const DWORD size = voice_.block->size;
        if (offset >= size || bytes == 0 || bytes > size) return DSERR_INVALIDPARAM;
        if (TakeFailure("DirectSoundBuffer.Lock")) return DSERR_GENERIC;
        unsigned char* base = voice_.block->bytes;
        const DWORD to_end = size - offset;
        *first = base + offset;
        if (bytes <= to_end) {
            *first_bytes = bytes;
            if (second != nullptr) *second = nullptr;
            if (second_bytes != nullptr) *second_bytes = 0;
        } else {
            *first_bytes = to_end;
            if (second == nullptr || second_bytes == nullptr) {
                *first_bytes = to_end;
            } else {
                *second = base;
                *second_bytes = bytes - to_end;
            }
        }
        return DS_OK;
    }
    HRESULT Play(DWORD, DWORD, DWORD flags) override {
        audio::CatchUpManualAudio();
        audio::LockMixer();
        audio::StartVoice(&voice_, (flags & DSBPLAY_LOOPING) != 0);
        audio::UnlockMixer();
        return DS_OK;
    }
    HRESULT SetCurrentPosition(DWORD position) override {
        if (position >= voice_.block->size) return DSERR_INVALIDPARAM;
        audio::CatchUpManualAudio();
        audio::LockMixer();
        voice_.frame = position / voice_.block_align;
        voice_.fraction = 0;
        audio::UnlockMixer();
        return DS_OK;
    }
    HRESULT SetFormat(const WAVEFORMATEX*) override { return DSERR_INVALIDCALL; }
    HRESULT Stop() override {
        audio::CatchUpManualAudio();
        audio::LockMixer();
        audio::StopVoice(&voice_);
        audio::UnlockMixer();
        return DS_OK;
    }
    HRESULT Unlock(void* first, DWORD first_bytes, void* second, DWORD second_bytes) override {
        if (TakeFailure("DirectSoundBuffer.Unlock")) return DSERR_GENERIC;
        const unsigned char* base = voice_.block->bytes;
        const unsigned char* end = base + voice_.block->size;
        const auto inside = [&](void* p, DWORD n) {
            const unsigned char* c = static_cast<const unsigned char*>(p);
            return c >= base && c <= end && n <= static_cast<DWORD>(end - c);
        };
        if (first == nullptr || !inside(first, first_bytes)) return DSERR_INVALIDPARAM;
        if (second != nullptr && !inside(second, second_bytes)) return DSERR_INVALIDPARAM;
        return DS_OK;
    }

private:
    std::atomic<ULONG> refs_{1};
    audio::Voice voice_;
    WAVEFORMATEX format_;
};

bool PlayableFormat(const WAVEFORMATEX* f) {
    if (f == nullptr || f->wFormatTag != WAVE_FORMAT_PCM) return false;
    if (f->nChannels < 1 || f->nChannels > 2) return false;
    if (f->wBitsPerSample != 8 && f->wBitsPerSample != 16) return false;
    if (f->nBlockAlign != f->nChannels * f->wBitsPerSample / 8) return false;
    return f->nSamplesPerSec >= kMinRate && f->nSamplesPerSec <= kMaxRate;
}

class DirectSoundObject final : public IDirectSound {
public:
    ~DirectSoundObject() {
        if (output_) audio::ReleaseOutput();
    }
    HRESULT QueryInterface(REFIID iid, void** object) override {
        return QueryOneInterface<IDirectSound>(this, iid, IID_IDirectSound, object);
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT Initialize(const GUID*) override {
        if (output_) return DSERR_ALREADYINITIALIZED;
        if (TakeFailure("DirectSound.Initialize")) return DSERR_NODRIVER;
        if (!audio::AcquireOutput()) return DSERR_NODRIVER;
        output_ = true;
        return DS_OK;
    }
    HRESULT SetCooperativeLevel(HWND, DWORD level) override {
        if (!output_) return DSERR_UNINITIALIZED;
        return level >= DSSCL_NORMAL && level <= 4 ? DS_OK : DSERR_INVALIDPARAM;
    }
    HRESULT GetCaps(DSCAPS* caps) override {
        if (caps == nullptr) return DSERR_INVALIDPARAM;
        if (!output_) return DSERR_UNINITIALIZED;
        if (g_caps_override_on) {
            *caps = g_caps_override;
            return DS_OK;
        }
        std::memset(caps, 0, sizeof(*caps));
        caps->dwSize = sizeof(*caps);
        caps->dwFlags = DSCAPS_PRIMARYMONO | DSCAPS_PRIMARYSTEREO | DSCAPS_PRIMARY8BIT | DSCAPS_PRIMARY16BIT |
                        DSCAPS_SECONDARYMONO | DSCAPS_SECONDARYSTEREO | DSCAPS_SECONDARY8BIT |
                        DSCAPS_SECONDARY16BIT;
        caps->dwMinSecondarySampleRate = kMinRate;
        caps->dwMaxSecondarySampleRate = kMaxRate;
        caps->dwPrimaryBuffers = 1;
        return DS_OK;
    }
    HRESULT CreateSoundBuffer(const DSBUFFERDESC* desc, IDirectSoundBuffer** buffer, IUnknown* outer) override {
        if (buffer == nullptr) return DSERR_INVALIDPARAM;
        *buffer = nullptr;
        if (!output_) return DSERR_UNINITIALIZED;
        if (desc == nullptr || outer != nullptr) return DSERR_INVALIDPARAM;
        if (TakeFailure("DirectSound.CreateSoundBuffer")) return DSERR_GENERIC;
        if ((desc->dwFlags & DSBCAPS_PRIMARYBUFFER) != 0) {
            if (desc->dwBufferBytes != 0 || desc->lpwfxFormat != nullptr) return DSERR_INVALIDPARAM;
            *buffer = new (std::nothrow) PrimaryBuffer();
            return *buffer != nullptr ? DS_OK : DSERR_OUTOFMEMORY;
        }
        const WAVEFORMATEX* format = desc->lpwfxFormat;
        if (!PlayableFormat(format)) return DSERR_BADFORMAT;
        if (desc->dwBufferBytes < format->nBlockAlign || desc->dwBufferBytes > kMaxBufferBytes) {
            return DSERR_INVALIDPARAM;
        }
        auto* block = new (std::nothrow) audio::SampleBlock;
        if (block == nullptr) return DSERR_OUTOFMEMORY;
        block->bytes = static_cast<unsigned char*>(std::calloc(desc->dwBufferBytes, 1));
        if (block->bytes == nullptr) {
            delete block;
            return DSERR_OUTOFMEMORY;
        }
        block->size = desc->dwBufferBytes;
        block->references.store(1);
        ++g_live_blocks;
        auto* made = new (std::nothrow) SecondaryBuffer(block, *format);
        if (made == nullptr) {
            ReleaseBlock(block);
            return DSERR_OUTOFMEMORY;
        }
        *buffer = made;
        return DS_OK;
    }
    HRESULT DuplicateSoundBuffer(IDirectSoundBuffer* original, IDirectSoundBuffer** duplicate) override {
        if (duplicate == nullptr) return DSERR_INVALIDPARAM;
        *duplicate = nullptr;
        if (!output_) return DSERR_UNINITIALIZED;
        auto* source = dynamic_cast<SecondaryBuffer*>(original);
        if (source == nullptr) return DSERR_INVALIDPARAM;
        if (TakeFailure("DirectSound.DuplicateSoundBuffer")) return DSERR_GENERIC;
        source->block()->references.fetch_add(1);
        auto* made = new (std::nothrow) SecondaryBuffer(source->block(), source->format());
        if (made == nullptr) {
            ReleaseBlock(source->block());
            return DSERR_OUTOFMEMORY;
        }
        *duplicate = made;
        return DS_OK;
    }

private:
    std::atomic<ULONG> refs_{1};
    bool output_ = false;
};

HRESULT CreateDirectSound(REFIID iid, void** object) {
    if (TakeFailure("DirectSound.Create")) return DSERR_GENERIC;
    auto* made = new (std::nothrow) DirectSoundObject();
    if (made == nullptr) return E_OUTOFMEMORY;
    const HRESULT result = made->QueryInterface(iid, object);
    made->Release();
    return result;
}

struct Registration {
    Registration() { RegisterComClass(CLSID_DirectSound, &CreateDirectSound); }
};
Registration g_registration;

}  // namespace

HRESULT DirectSoundEnumerateA(LPDSENUMCALLBACKA callback, void* context) {
    if (callback == nullptr) return DSERR_INVALIDPARAM;
    callback(nullptr, "Primary Sound Driver", "", context);
    return DS_OK;
}

namespace platform_hooks {

void SetSoundCapsOverride(const DSCAPS* caps) {
    g_caps_override_on = caps != nullptr;
    if (caps != nullptr) g_caps_override = *caps;
}
WAVEFORMATEX LastPrimaryFormat() { return g_primary_format; }
void SetSoundFailure(const char* step, int count) { Failures()[step] = count; }
void ClearSoundFailures() { Failures().clear(); }
int LiveSoundBuffers() { return g_live_buffers.load(); }
int LiveSampleBlocks() { return g_live_blocks.load(); }

}  // namespace platform_hooks
