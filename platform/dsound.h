// The sound-device objects of the platform layer: a DirectSound object made through
// CoCreateInstance, its primary buffer and secondary buffers (PCM, 8 or 16 bits, mono or
// stereo, any rate) and their duplicates, mixed by our own mixer onto the SDL2 audio
// device (platform/audio/). Holds only what the engine's sound code uses.
#pragma once

#include "platform/com.h"
#include "platform/kernel_types.h"
#include "platform/wave_format.h"
#include "platform/window.h"

extern const CLSID CLSID_DirectSound;
extern const IID IID_IDirectSound;
extern const IID IID_IDirectSoundBuffer;

constexpr HRESULT DS_OK = 0;
constexpr HRESULT DSERR_INVALIDPARAM = E_INVALIDARG;
constexpr HRESULT DSERR_OUTOFMEMORY = E_OUTOFMEMORY;
constexpr HRESULT DSERR_GENERIC = E_FAIL;
constexpr HRESULT DSERR_NODRIVER = static_cast<HRESULT>(0x88780078u);
constexpr HRESULT DSERR_UNINITIALIZED = static_cast<HRESULT>(0x887800AAu);
constexpr HRESULT DSERR_ALREADYINITIALIZED = static_cast<HRESULT>(0x88780082u);
constexpr HRESULT DSERR_BADFORMAT = static_cast<HRESULT>(0x88780064u);
constexpr HRESULT DSERR_INVALIDCALL = static_cast<HRESULT>(0x88780032u);

constexpr DWORD DSSCL_NORMAL = 1;
constexpr DWORD DSSCL_PRIORITY = 2;

constexpr DWORD DSBCAPS_PRIMARYBUFFER = 0x00000001u;
constexpr DWORD DSBCAPS_STATIC = 0x00000002u;
constexpr DWORD DSBCAPS_CTRLFREQUENCY = 0x00000020u;
constexpr DWORD DSBCAPS_CTRLPAN = 0x00000040u;
constexpr DWORD DSBCAPS_CTRLVOLUME = 0x00000080u;
constexpr DWORD DSBCAPS_GLOBALFOCUS = 0x00008000u;
constexpr DWORD DSBCAPS_GETCURRENTPOSITION2 = 0x00010000u;

constexpr DWORD DSBPLAY_LOOPING = 0x00000001u;
constexpr DWORD DSBSTATUS_PLAYING = 0x00000001u;
constexpr DWORD DSBSTATUS_LOOPING = 0x00000004u;

constexpr DWORD DSCAPS_PRIMARYMONO = 0x00000001u;
constexpr DWORD DSCAPS_PRIMARYSTEREO = 0x00000002u;
constexpr DWORD DSCAPS_PRIMARY8BIT = 0x00000004u;
constexpr DWORD DSCAPS_PRIMARY16BIT = 0x00000008u;
constexpr DWORD DSCAPS_SECONDARYMONO = 0x00000100u;
constexpr DWORD DSCAPS_SECONDARYSTEREO = 0x00000200u;
constexpr DWORD DSCAPS_SECONDARY8BIT = 0x00000400u;
constexpr DWORD DSCAPS_SECONDARY16BIT = 0x00000800u;

struct DSCAPS {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwMinSecondarySampleRate;
    DWORD dwMaxSecondarySampleRate;
    DWORD dwPrimaryBuffers;
    DWORD dwMaxHwMixingAllBuffers;
    DWORD dwMaxHwMixingStaticBuffers;
    DWORD dwMaxHwMixingStreamingBuffers;
    DWORD dwFreeHwMixingAllBuffers;
    DWORD dwFreeHwMixingStaticBuffers;
    DWORD dwFreeHwMixingStreamingBuffers;
    DWORD dwMaxHw3DAllBuffers;
    DWORD dwMaxHw3DStaticBuffers;
    DWORD dwMaxHw3DStreamingBuffers;
    DWORD dwFreeHw3DAllBuffers;
    DWORD dwFreeHw3DStaticBuffers;
    DWORD dwFreeHw3DStreamingBuffers;
    DWORD dwTotalHwMemBytes;
    DWORD dwFreeHwMemBytes;
    DWORD dwMaxContigFreeHwMemBytes;
    DWORD dwUnlockTransferRateHwBuffers;
    DWORD dwPlayCpuOverheadSwBuffers;
    DWORD dwReserved1;
    DWORD dwReserved2;
};

struct DSBUFFERDESC {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwBufferBytes;
    DWORD dwReserved;
    WAVEFORMATEX* lpwfxFormat;
};

class IDirectSoundBuffer : public IUnknown {
public:
    // The play cursor in bytes (block aligned); the write cursor is reported equal to it.
    virtual HRESULT GetCurrentPosition(DWORD* play, DWORD* write) = 0;
    virtual HRESULT GetStatus(DWORD* status) = 0;
    // Two regions when the range wraps past the end; fails when offset >= size or bytes
    // is 0 or above the size. The regions point straight into the buffer's memory.
    virtual HRESULT Lock(DWORD offset, DWORD bytes, void** first, DWORD* first_bytes, void** second,
                         DWORD* second_bytes, DWORD flags) = 0;
    // From the current position; a buffer without DSBPLAY_LOOPING stops at its end and
    // its position returns to 0.
    virtual HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) = 0;
    virtual HRESULT SetCurrentPosition(DWORD position) = 0;
    // Primary buffer only: records the wished output format.
    virtual HRESULT SetFormat(const WAVEFORMATEX* format) = 0;
    // Keeps the position.
    virtual HRESULT Stop() = 0;
    virtual HRESULT Unlock(void* first, DWORD first_bytes, void* second, DWORD second_bytes) = 0;

protected:
    ~IDirectSoundBuffer() = default;
};

class IDirectSound : public IUnknown {
public:
    virtual HRESULT CreateSoundBuffer(const DSBUFFERDESC* desc, IDirectSoundBuffer** buffer, IUnknown* outer) = 0;
    virtual HRESULT GetCaps(DSCAPS* caps) = 0;
    // The copy shares the original's sample memory; it has its own position (0) and
    // starts stopped.
    virtual HRESULT DuplicateSoundBuffer(IDirectSoundBuffer* original, IDirectSoundBuffer** duplicate) = 0;
    virtual HRESULT SetCooperativeLevel(HWND window, DWORD level) = 0;
    // Opens the audio device; DSERR_NODRIVER when there is none (also for SDL's dummy
    // driver, which plays nowhere).
    virtual HRESULT Initialize(const GUID* device) = 0;

protected:
    ~IDirectSound() = default;
};

// Lists the one output device there is.
using LPDSENUMCALLBACKA = BOOL (*)(GUID* guid, const char* description, const char* module, void* context);
HRESULT DirectSoundEnumerateA(LPDSENUMCALLBACKA callback, void* context);
