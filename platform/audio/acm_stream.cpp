// The compression-manager calls over the decoder table: format suggestion, streams that
// each own a decoder state, size estimates and block conversion with the bookkeeping of
// prepared headers. Relies on wave_decoders.h.
#include <cstring>
#include <new>

#include "platform/acm.h"
#include "platform/audio/wave_decoders.h"

struct AcmStreamObject {
    const audio::WaveDecoderKind* kind;
    void* decoder;
    WAVEFORMATEX destination;
};

namespace audio {

const WaveDecoderKind* FindWaveDecoder(WORD tag) {
    static const WaveDecoderKind* const kTable[] = {&kImaAdpcmDecoder, &kMsAdpcmDecoder, &kALawDecoder,
                                                    &kMuLawDecoder, &kMpegDecoder};
    for (const WaveDecoderKind* kind : kTable) {
        if (kind->tag == tag) return kind;
    }
    return nullptr;
}

}  // namespace audio

namespace {

// The 16-bit PCM format a decodable source gives; false when no decoder takes it.
bool SuggestPcm(const WAVEFORMATEX* source, WAVEFORMATEX* pcm) {
    const audio::WaveDecoderKind* kind = audio::FindWaveDecoder(source->wFormatTag);
    if (kind == nullptr) return false;
    void* probe = kind->open(source);
    if (probe == nullptr) return false;
    kind->close(probe);
    pcm->wFormatTag = WAVE_FORMAT_PCM;
    pcm->nChannels = source->nChannels;
    pcm->nSamplesPerSec = source->nSamplesPerSec;
    pcm->wBitsPerSample = 16;
    pcm->nBlockAlign = static_cast<WORD>(2 * source->nChannels);
    pcm->nAvgBytesPerSec = pcm->nBlockAlign * pcm->nSamplesPerSec;
    pcm->cbSize = 0;
    return true;
}

}  // namespace

MMRESULT acmFormatSuggest(HACMDRIVER, const WAVEFORMATEX* source, WAVEFORMATEX* destination, DWORD destination_bytes,
                          DWORD flags) {
    if (source == nullptr || destination == nullptr || destination_bytes < 16) return MMSYSERR_INVALPARAM;
    if ((flags & ACM_FORMATSUGGESTF_WFORMATTAG) != 0 && destination->wFormatTag != WAVE_FORMAT_PCM) {
        return ACMERR_NOTPOSSIBLE;
    }
    WAVEFORMATEX pcm{};
    if (!SuggestPcm(source, &pcm)) return ACMERR_NOTPOSSIBLE;
    std::memcpy(destination, &pcm, destination_bytes < sizeof(pcm) ? destination_bytes : sizeof(pcm));
    return MMSYSERR_NOERROR;
}

MMRESULT acmMetrics(HACMOBJ, UINT metric, void* value) {
    if (value == nullptr) return MMSYSERR_INVALPARAM;
    if (metric != ACM_METRIC_MAX_SIZE_FORMAT) return MMSYSERR_NOTSUPPORTED;
    *static_cast<DWORD*>(value) = 18 + 4 + 4 * 256;  // Microsoft ADPCM with a full coefficient table
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamOpen(HACMSTREAM* stream, HACMDRIVER, const WAVEFORMATEX* source, const WAVEFORMATEX* destination,
                       void*, std::uintptr_t, std::uintptr_t, DWORD) {
    if (stream == nullptr || source == nullptr || destination == nullptr) return MMSYSERR_INVALPARAM;
    *stream = nullptr;
    WAVEFORMATEX pcm{};
    if (!SuggestPcm(source, &pcm)) return ACMERR_NOTPOSSIBLE;
    if (std::memcmp(&pcm, destination, 16) != 0) return ACMERR_NOTPOSSIBLE;
    const audio::WaveDecoderKind* kind = audio::FindWaveDecoder(source->wFormatTag);
    void* decoder = kind->open(source);
    if (decoder == nullptr) return ACMERR_NOTPOSSIBLE;
    auto* made = new (std::nothrow) AcmStreamObject{kind, decoder, pcm};
    if (made == nullptr) {
        kind->close(decoder);
        return MMSYSERR_NOMEM;
    }
    *stream = made;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamClose(HACMSTREAM stream, DWORD) {
    if (stream == nullptr) return MMSYSERR_INVALHANDLE;
    stream->kind->close(stream->decoder);
    delete stream;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamSize(HACMSTREAM stream, DWORD input, DWORD* output, DWORD flags) {
    if (stream == nullptr) return MMSYSERR_INVALHANDLE;
    if (output == nullptr || flags != ACM_STREAMSIZEF_SOURCE) return MMSYSERR_INVALPARAM;
    const std::uint64_t bound = stream->kind->output_size(stream->decoder, input);
    *output = bound > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<DWORD>(bound);
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamPrepareHeader(HACMSTREAM stream, ACMSTREAMHEADER* header, DWORD) {
    if (stream == nullptr) return MMSYSERR_INVALHANDLE;
    if (header == nullptr || header->cbStruct < sizeof(ACMSTREAMHEADER) || header->pbSrc == nullptr ||
        header->pbDst == nullptr) {
        return MMSYSERR_INVALPARAM;
    }
    header->fdwStatus |= ACMSTREAMHEADER_STATUSF_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamUnprepareHeader(HACMSTREAM stream, ACMSTREAMHEADER* header, DWORD) {
    if (stream == nullptr) return MMSYSERR_INVALHANDLE;
    if (header == nullptr) return MMSYSERR_INVALPARAM;
    if ((header->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED) == 0) return ACMERR_UNPREPARED;
    header->fdwStatus &= ~ACMSTREAMHEADER_STATUSF_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamConvert(HACMSTREAM stream, ACMSTREAMHEADER* header, DWORD) {
    if (stream == nullptr) return MMSYSERR_INVALHANDLE;
    if (header == nullptr) return MMSYSERR_INVALPARAM;
    if ((header->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED) == 0) return ACMERR_UNPREPARED;
    const audio::DecodeResult result = stream->kind->decode(stream->decoder, header->pbSrc, header->cbSrcLength,
                                                            header->pbDst, header->cbDstLength);
    header->cbSrcLengthUsed = result.source_used;
    header->cbDstLengthUsed = result.output_bytes;
    return result.failed && result.output_bytes == 0 ? MMSYSERR_ERROR : MMSYSERR_NOERROR;
}
