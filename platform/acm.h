// The audio compression manager stand-in: conversion of compressed wave data to 16-bit
// PCM through streams. Decoders: MPEG audio (libmpg123), IMA and Microsoft ADPCM, A-law
// and mu-law (our own, platform/audio/). Holds only what the engine's sound code uses.
#pragma once

#include <cstdint>

#include "platform/kernel_types.h"
#include "platform/wave_format.h"

using MMRESULT = UINT;
struct AcmStreamObject;
using HACMSTREAM = AcmStreamObject*;
using HACMDRIVER = void*;
using HACMOBJ = void*;

constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_NOMEM = 7;
constexpr MMRESULT MMSYSERR_INVALFLAG = 10;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT MMSYSERR_NOTSUPPORTED = 8;
constexpr MMRESULT ACMERR_NOTPOSSIBLE = 512;
constexpr MMRESULT ACMERR_UNPREPARED = 514;

constexpr DWORD ACM_FORMATSUGGESTF_WFORMATTAG = 0x00010000u;
constexpr DWORD ACM_STREAMOPENF_NONREALTIME = 0x00000004u;
constexpr DWORD ACM_STREAMSIZEF_SOURCE = 0x00000000u;
constexpr DWORD ACM_STREAMCONVERTF_BLOCKALIGN = 0x00000004u;
constexpr UINT ACM_METRIC_MAX_SIZE_FORMAT = 50;

constexpr DWORD ACMSTREAMHEADER_STATUSF_PREPARED = 0x00020000u;

struct ACMSTREAMHEADER {
    DWORD cbStruct;
    DWORD fdwStatus;
    std::uintptr_t dwUser;
    BYTE* pbSrc;
    DWORD cbSrcLength;
    DWORD cbSrcLengthUsed;
    std::uintptr_t dwSrcUser;
    BYTE* pbDst;
    DWORD cbDstLength;
    DWORD cbDstLengthUsed;
    std::uintptr_t dwDstUser;
    DWORD dwReservedDriver[10];
};

// The destination format for a source: 16-bit PCM with the source's channels and rate.
// `source` is read for 18 + cbSize bytes. ACMERR_NOTPOSSIBLE for a format no decoder
// takes (or one whose fields do not add up).
MMRESULT acmFormatSuggest(HACMDRIVER driver, const WAVEFORMATEX* source, WAVEFORMATEX* destination,
                          DWORD destination_bytes, DWORD flags);
// ACM_METRIC_MAX_SIZE_FORMAT: the largest format record of any decoder (a DWORD).
MMRESULT acmMetrics(HACMOBJ object, UINT metric, void* value);
// A stream from `source` (18 + cbSize bytes read) to the format acmFormatSuggest gives.
// Each stream decodes on its own.
MMRESULT acmStreamOpen(HACMSTREAM* stream, HACMDRIVER driver, const WAVEFORMATEX* source,
                       const WAVEFORMATEX* destination, void* filter, std::uintptr_t callback,
                       std::uintptr_t instance, DWORD flags);
MMRESULT acmStreamClose(HACMSTREAM stream, DWORD flags);
// An upper bound of the PCM bytes that `input` source bytes give.
MMRESULT acmStreamSize(HACMSTREAM stream, DWORD input, DWORD* output, DWORD flags);
MMRESULT acmStreamPrepareHeader(HACMSTREAM stream, ACMSTREAMHEADER* header, DWORD flags);
MMRESULT acmStreamUnprepareHeader(HACMSTREAM stream, ACMSTREAMHEADER* header, DWORD flags);
// Converts whole source blocks (MPEG: whole frames) while their output fits the
// destination, and sets the source and destination bytes used; what was not used is to
// be offered again. A last piece shorter than a block is decoded as far as it goes.
MMRESULT acmStreamConvert(HACMSTREAM stream, ACMSTREAMHEADER* header, DWORD flags);
