// The wave-format record shared by the sound device and the audio compression manager:
// 18 bytes, packed, followed in memory by `cbSize` bytes of format-specific data.
#pragma once

#include "platform/kernel_types.h"

#pragma pack(push, 1)
struct WAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};
// The MPEG audio source format of the compression manager (30 bytes).
struct MPEGLAYER3WAVEFORMAT {
    WAVEFORMATEX wfx;
    WORD wID;
    DWORD fdwFlags;
    WORD nBlockSize;
    WORD nFramesPerBlock;
    WORD nCodecDelay;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18, "wave format layout");
static_assert(sizeof(MPEGLAYER3WAVEFORMAT) == 30, "MPEG format layout");

constexpr WORD WAVE_FORMAT_PCM = 0x0001;
constexpr WORD WAVE_FORMAT_ADPCM = 0x0002;
constexpr WORD WAVE_FORMAT_ALAW = 0x0006;
constexpr WORD WAVE_FORMAT_MULAW = 0x0007;
constexpr WORD WAVE_FORMAT_IMA_ADPCM = 0x0011;
constexpr WORD WAVE_FORMAT_MPEGLAYER3 = 0x0055;
constexpr WORD MPEGLAYER3_ID_MPEG = 1;
