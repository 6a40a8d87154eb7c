// A-law and mu-law (8 bits per sample, one byte per sample per channel) to signed 16-bit
// PCM by the companding rules of G.711.
#include <algorithm>
#include <new>

#include "platform/audio/wave_decoders.h"

namespace audio {
namespace {

struct G711State {
    WORD channels;
    bool a_law;
};

std::int16_t ALawToLinear(unsigned char code) {
    code ^= 0x55;
    int magnitude = (code & 0x0F) << 4;
    const int segment = (code & 0x70) >> 4;
    if (segment == 0) magnitude += 8;
    else magnitude = (magnitude + 0x108) << (segment - 1);
    return static_cast<std::int16_t>((code & 0x80) ? magnitude : -magnitude);
}

std::int16_t MuLawToLinear(unsigned char code) {
    code = static_cast<unsigned char>(~code);
    int magnitude = (((code & 0x0F) << 3) + 0x84) << ((code & 0x70) >> 4);
    magnitude -= 0x84;
    return static_cast<std::int16_t>((code & 0x80) ? -magnitude : magnitude);
}

void* Open(const WAVEFORMATEX* f, bool a_law) {
    if (f->nChannels < 1 || f->nChannels > 2 || f->wBitsPerSample != 8 || f->nBlockAlign != f->nChannels ||
        f->nSamplesPerSec == 0) {
        return nullptr;
    }
    return new (std::nothrow) G711State{f->nChannels, a_law};
}
void* OpenALaw(const WAVEFORMATEX* f) { return Open(f, true); }
void* OpenMuLaw(const WAVEFORMATEX* f) { return Open(f, false); }

DecodeResult Decode(void* state, const unsigned char* in, std::uint32_t in_bytes, unsigned char* out,
                    std::uint32_t out_bytes) {
    const auto* s = static_cast<const G711State*>(state);
    const std::uint32_t ch = s->channels;
    const std::uint32_t n = std::min(in_bytes / ch, out_bytes / (2 * ch)) * ch;
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::int16_t v = s->a_law ? ALawToLinear(in[i]) : MuLawToLinear(in[i]);
        out[2 * i] = static_cast<unsigned char>(static_cast<std::uint16_t>(v) & 0xFF);
        out[2 * i + 1] = static_cast<unsigned char>(static_cast<std::uint16_t>(v) >> 8);
    }
    DecodeResult result{};
    result.source_used = n;
    result.output_bytes = n * 2;
    // A trailing partial frame holds nothing whole.
    if (in_bytes - n < ch) result.source_used = in_bytes;
    return result;
}

std::uint64_t OutputSize(const void*, std::uint32_t source_bytes) { return 2ull * source_bytes; }
void Close(void* state) { delete static_cast<G711State*>(state); }

}  // namespace

const WaveDecoderKind kALawDecoder = {WAVE_FORMAT_ALAW, &OpenALaw, &Decode, &OutputSize, &Close};
const WaveDecoderKind kMuLawDecoder = {WAVE_FORMAT_MULAW, &OpenMuLaw, &Decode, &OutputSize, &Close};

}  // namespace audio
