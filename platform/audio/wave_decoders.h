// Decoders of the compression-manager stand-in, one per source format tag, each over a
// state record of its own: IMA and Microsoft ADPCM and A-law / mu-law here
// (adpcm_decode.cpp, g711_decode.cpp), MPEG audio over libmpg123 (mpeg_decode.cpp).
#pragma once

#include <cstdint>

#include "platform/wave_format.h"

namespace audio {

// Each decoder keeps its own state record behind `void*`.
struct DecodeResult {
    std::uint32_t source_used;
    std::uint32_t output_bytes;
    bool failed;  // the data cannot be decoded; nothing more will come
};

struct WaveDecoderKind {
    WORD tag;
    // Checks the source format (18 + cbSize bytes) and makes the state; null when refused.
    void* (*open)(const WAVEFORMATEX* source);
    // Decodes whole blocks (or frames) while their output fits; a last piece shorter
    // than a block is decoded as far as it goes.
    DecodeResult (*decode)(void* decoder, const unsigned char* source, std::uint32_t source_bytes,
                           unsigned char* output, std::uint32_t output_bytes);
    // Upper bound of the PCM bytes `source_bytes` give.
    std::uint64_t (*output_size)(const void* decoder, std::uint32_t source_bytes);
    void (*close)(void* decoder);
};

const WaveDecoderKind* FindWaveDecoder(WORD tag);

extern const WaveDecoderKind kImaAdpcmDecoder;
extern const WaveDecoderKind kMsAdpcmDecoder;
extern const WaveDecoderKind kALawDecoder;
extern const WaveDecoderKind kMuLawDecoder;
extern const WaveDecoderKind kMpegDecoder;

}  // namespace audio
