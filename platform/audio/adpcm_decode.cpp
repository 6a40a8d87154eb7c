// IMA ADPCM (4 bits, a 4-byte header per channel, 8 samples per 4-byte group) and
// Microsoft ADPCM (a 7-byte header per channel, predictor coefficient pairs from the
// format record) to signed 16-bit PCM. Refuses formats whose block layout does not add up.
#include <algorithm>
#include <cstring>
#include <new>

#include "platform/audio/wave_decoders.h"

namespace audio {

namespace {

struct WaveDecoder {
    WORD channels;
    WORD block_align;
    std::uint32_t samples_per_block;
    WORD coefficient_count;
    std::int16_t coefficients[256][2];
};

constexpr int kImaIndex[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};
constexpr int kImaStep[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

constexpr int kMaxMsDelta = 0x7FFFFFFF / 768;
constexpr int kMsAdapt[16] = {230, 230, 230, 230, 307, 409, 512, 614, 768, 614, 512, 409, 307, 230, 230, 230};

void Put16(unsigned char* out, std::int32_t value) {
    const auto v = static_cast<std::uint16_t>(static_cast<std::int16_t>(std::clamp(value, -32768, 32767)));
    out[0] = static_cast<unsigned char>(v & 0xFF);
    out[1] = static_cast<unsigned char>(v >> 8);
}

std::int16_t Get16(const unsigned char* p) { return static_cast<std::int16_t>(p[0] | (p[1] << 8)); }

// ---- IMA ---------------------------------------------------------------------------------

void* OpenIma(const WAVEFORMATEX* f) {
    const std::uint32_t ch = f->nChannels;
    if (ch < 1 || ch > 2 || f->wBitsPerSample != 4 || f->nSamplesPerSec == 0) return nullptr;
    if (f->nBlockAlign <= 4 * ch || (f->nBlockAlign - 4 * ch) % (4 * ch) != 0) return nullptr;
    auto* d = new (std::nothrow) WaveDecoder{};
    if (d == nullptr) return nullptr;
    d->channels = static_cast<WORD>(ch);
    d->block_align = f->nBlockAlign;
    d->samples_per_block = (f->nBlockAlign - 4 * ch) * 8 / (4 * ch) + 1;
    return d;
}

// Decodes one block of `bytes` (a whole block or a shorter last piece holding at least
// the headers); returns the frames written.
std::uint32_t DecodeImaBlock(const WaveDecoder* d, const unsigned char* in, std::uint32_t bytes, unsigned char* out) {
    const std::uint32_t ch = d->channels;
    std::int32_t predictor[2];
    int index[2];
    for (std::uint32_t c = 0; c < ch; ++c) {
        predictor[c] = Get16(in + 4 * c);
        index[c] = std::clamp<int>(in[4 * c + 2], 0, 88);
        Put16(out + 2 * c, predictor[c]);
    }
    const std::uint32_t groups = (bytes - 4 * ch) / (4 * ch);
    const unsigned char* data = in + 4 * ch;
    for (std::uint32_t g = 0; g < groups; ++g) {
        for (std::uint32_t c = 0; c < ch; ++c) {
            const unsigned char* group = data + (g * ch + c) * 4;
            for (int i = 0; i < 8; ++i) {
                const int nibble = (group[i / 2] >> ((i & 1) * 4)) & 0x0F;
                const int step = kImaStep[index[c]];
                int diff = step >> 3;
                if (nibble & 1) diff += step >> 2;
                if (nibble & 2) diff += step >> 1;
                if (nibble & 4) diff += step;
                if (nibble & 8) diff = -diff;
                predictor[c] = std::clamp(predictor[c] + diff, -32768, 32767);
                index[c] = std::clamp(index[c] + kImaIndex[nibble], 0, 88);
                const std::uint32_t frame = 1 + g * 8 + static_cast<std::uint32_t>(i);
                Put16(out + (frame * ch + c) * 2, predictor[c]);
            }
        }
    }
    return 1 + groups * 8;
}

// ---- Microsoft ADPCM -------------------------------------------------------------------

void* OpenMs(const WAVEFORMATEX* f) {
    const std::uint32_t ch = f->nChannels;
    if (ch < 1 || ch > 2 || f->wBitsPerSample != 4 || f->nSamplesPerSec == 0 || f->cbSize < 4) return nullptr;
    if (f->nBlockAlign < 7 * ch) return nullptr;
    const auto* extra = reinterpret_cast<const unsigned char*>(f + 1);
    const WORD count = static_cast<WORD>(extra[2] | (extra[3] << 8));
    if (count < 1 || count > 256 || f->cbSize < 4 + 4 * count) return nullptr;
    auto* d = new (std::nothrow) WaveDecoder{};
    if (d == nullptr) return nullptr;
    d->channels = static_cast<WORD>(ch);
    d->block_align = f->nBlockAlign;
    d->samples_per_block = (f->nBlockAlign - 7 * ch) * 2 / ch + 2;
    d->coefficient_count = count;
    for (int i = 0; i < count; ++i) {
        d->coefficients[i][0] = Get16(extra + 4 + 4 * i);
        d->coefficients[i][1] = Get16(extra + 6 + 4 * i);
    }
    return d;
}

// Returns the frames written, or 0 for a block whose predictor index is out of range.
std::uint32_t DecodeMsBlock(const WaveDecoder* d, const unsigned char* in, std::uint32_t bytes, unsigned char* out) {
    const std::uint32_t ch = d->channels;
    int c1[2], c2[2], delta[2];
    std::int32_t s1[2], s2[2];
    for (std::uint32_t c = 0; c < ch; ++c) {
        const int predictor = in[c];
        if (predictor >= d->coefficient_count) return 0;
        c1[c] = d->coefficients[predictor][0];
        c2[c] = d->coefficients[predictor][1];
        delta[c] = Get16(in + ch + 2 * c);
        s1[c] = Get16(in + 3 * ch + 2 * c);
        s2[c] = Get16(in + 5 * ch + 2 * c);
        Put16(out + 2 * c, s2[c]);
        Put16(out + (ch + c) * 2, s1[c]);
    }
    const std::uint32_t nibbles = (bytes - 7 * ch) * 2;
    const std::uint32_t frames_in_data = nibbles / ch;
    const unsigned char* data = in + 7 * ch;
    for (std::uint32_t n = 0; n < frames_in_data * ch; ++n) {
        const std::uint32_t c = n % ch;
        const int code = (n & 1) ? (data[n / 2] & 0x0F) : (data[n / 2] >> 4);
        const int signed_code = code >= 8 ? code - 16 : code;
        const std::int64_t weighted = (static_cast<std::int64_t>(s1[c]) * c1[c] + static_cast<std::int64_t>(s2[c]) * c2[c]) / 256;
        const std::int64_t predicted64 = weighted + static_cast<std::int64_t>(signed_code) * delta[c];
        const auto predicted = static_cast<std::int32_t>(std::clamp<std::int64_t>(predicted64, -32768, 32767));
        s2[c] = s1[c];
        s1[c] = predicted;
        // Held below the point where the next adaptation would overflow.
        delta[c] = std::clamp((kMsAdapt[code] * delta[c]) / 256, 16, kMaxMsDelta);
        Put16(out + (2 * ch + n) * 2, predicted);
    }
    return 2 + frames_in_data;
}

template <std::uint32_t (*Block)(const WaveDecoder*, const unsigned char*, std::uint32_t, unsigned char*),
          std::uint32_t HeaderPerChannel>
DecodeResult DecodeBlocks(void* state, const unsigned char* in, std::uint32_t in_bytes, unsigned char* out,
                          std::uint32_t out_bytes) {
    const auto* d = static_cast<const WaveDecoder*>(state);
    DecodeResult result{};
    const std::uint32_t frame_bytes = 2u * d->channels;
    const std::uint32_t block_out = d->samples_per_block * frame_bytes;
    while (in_bytes - result.source_used > 0) {
        const std::uint32_t left = in_bytes - result.source_used;
        const std::uint32_t take = std::min<std::uint32_t>(left, d->block_align);
        if (take < HeaderPerChannel * d->channels) {
            result.source_used = in_bytes;  // a stub shorter than a header holds nothing
            break;
        }
        if (out_bytes - result.output_bytes < block_out) break;
        const std::uint32_t frames = Block(d, in + result.source_used, take, out + result.output_bytes);
        if (frames == 0) {
            result.failed = true;
            break;
        }
        result.source_used += take;
        result.output_bytes += frames * frame_bytes;
    }
    return result;
}

std::uint64_t BlockOutputSize(const void* state, std::uint32_t source_bytes) {
    const auto* d = static_cast<const WaveDecoder*>(state);
    const std::uint64_t blocks = (static_cast<std::uint64_t>(source_bytes) + d->block_align - 1) / d->block_align;
    return blocks * d->samples_per_block * 2u * d->channels;
}

void CloseDecoder(void* state) { delete static_cast<WaveDecoder*>(state); }

}  // namespace

const WaveDecoderKind kImaAdpcmDecoder = {WAVE_FORMAT_IMA_ADPCM, &OpenIma, &DecodeBlocks<&DecodeImaBlock, 4>,
                                          &BlockOutputSize, &CloseDecoder};
const WaveDecoderKind kMsAdpcmDecoder = {WAVE_FORMAT_ADPCM, &OpenMs, &DecodeBlocks<&DecodeMsBlock, 7>,
                                         &BlockOutputSize, &CloseDecoder};

}  // namespace audio
