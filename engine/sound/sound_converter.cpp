// The sound converter's shared part: recognising the format (PCM WAV, compressed WAV,
// Ogg Vorbis, MP3, tried in that order; while the movie-sound switch is on, Ogg Vorbis
// only), the decode buffer, reading PCM block by block, seeking to a sample frame, the
// PCM size and the decode of a whole sound. A block that yields nothing counts as the
// end of the data, so no read can loop on a broken file.
#include <cstring>
#include <span>

#include "engine/sound/sound_records.h"

namespace {

int DecodeBlock(SoundConvertRecord* r) {
    switch (r->kind) {
        case kConvertWavPcm: return DecodeWavPcmBlock(r);
        case kConvertAcm: return DecodeAcmBlock(r);
        case kConvertOggVorbis: return DecodeOggVorbisBlock(r);
        default: return -1;
    }
}

void CloseFormat(SoundConvertRecord* r) {
    if (r->kind == kConvertAcm) CloseAcmConverter(r);
    if (r->kind == kConvertOggVorbis) CloseOggVorbisSound(r);
}

}  // namespace

int OpenSoundConverter(const StreamDescriptor& stream, SoundConvertRecord* r) {
    std::memset(r, 0, sizeof(*r));
    r->stream = stream;
    using Opener = int (*)(SoundConvertRecord*);
    static constexpr Opener kOpeners[] = {&OpenWavPcmConverter, &OpenWavAcmConverter, &OpenOggVorbisSound,
                                          &OpenMp3Converter};
    static constexpr Opener kMovieOpeners[] = {&OpenOggVorbisSound};
    bool opened = false;
    const bool movie = Sound().movie_sound != 0;
    for (Opener open : movie ? std::span<const Opener>(kMovieOpeners) : std::span<const Opener>(kOpeners)) {
        r->stream.functions.seek(r->stream.handle, 0, kSeekSet);
        if (open(r) == 0) {
            opened = true;
            break;
        }
    }
    if (!opened) return -1;
    switch (r->kind) {
        case kConvertWavPcm:
        case kConvertAcm:
            r->block_bytes = r->acm.mp3_total_frames >= 0 && r->kind == kConvertAcm
                                 ? r->format.nAvgBytesPerSec * 4 / 3
                                 : r->format.nAvgBytesPerSec;
            break;
        default:
            r->block_bytes = 4096;
            break;
    }
    r->block_bytes -= r->block_bytes % r->format.nBlockAlign;
    r->decode_buffer = static_cast<unsigned char*>(TrackedAlloc(r->block_bytes, "", 0));
    if (r->decode_buffer == nullptr) {
        CloseFormat(r);
        return -1;
    }
    r->bytes_left = 0;
    r->read_offset = 0;
    r->pcm_position = 0;
    r->end_flag = 0;
    r->opened = 1;
    return 0;
}

int CloseSoundConverter(SoundConvertRecord* r) {
    if (!r->opened) return -1;
    TrackedFree(r->decode_buffer);
    r->decode_buffer = nullptr;
    CloseFormat(r);
    r->opened = 0;
    return 0;
}

int GetSoundConverterFormat(const SoundConvertRecord* r, WAVEFORMATEX* format) {
    *format = r->format;
    return 0;
}

std::int64_t GetSoundConverterPcmBytes(SoundConvertRecord* r) {
    switch (r->kind) {
        case kConvertWavPcm: return r->data_bytes;
        case kConvertAcm: return GetAcmPcmBytes(r);
        case kConvertOggVorbis: return GetOggVorbisBufferBytes(r);
        default: return 0;
    }
}

int ReadSoundConverterPcm(SoundConvertRecord* r, void* destination, std::uint32_t bytes) {
    if (!r->opened) return -1;
    if (r->end_flag) return 0;
    auto* out = static_cast<unsigned char*>(destination);
    std::uint32_t copied = 0;
    while (bytes > 0) {
        if (r->bytes_left == 0) {
            r->read_offset = 0;
            if (DecodeBlock(r) != 0 || r->bytes_left == 0) {
                r->bytes_left = 0;
                r->end_flag = 1;
                return static_cast<int>(copied);
            }
        }
        const std::uint32_t n = bytes < r->bytes_left ? bytes : r->bytes_left;
        std::memcpy(out + copied, r->decode_buffer + r->read_offset, n);
        r->pcm_position += n;
        r->read_offset += n;
        r->bytes_left -= n;
        copied += n;
        bytes -= n;
    }
    return static_cast<int>(copied);
}

int SeekSoundConverter(SoundConvertRecord* r, std::uint32_t frame) {
    const std::uint64_t wide = static_cast<std::uint64_t>(frame) * r->format.nBlockAlign;
    const std::uint32_t target = wide > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<std::uint32_t>(wide);
    const std::int64_t distance = static_cast<std::int64_t>(target) - r->pcm_position;
    if (distance > -16 && distance < 16) return 0;
    switch (r->kind) {
        case kConvertWavPcm: SeekWavPcmConverter(r, target); break;
        case kConvertAcm: SeekAcmConverter(r, target); break;
        case kConvertOggVorbis: SeekOggVorbisSound(r, frame); break;
        default: break;
    }
    r->end_flag = 0;
    return 0;
}

int DecodeSoundConverterToPcm(SoundConvertRecord* r, WAVEFORMATEX* format, unsigned char** block,
                              std::uint32_t* bytes) {
    const std::int64_t size = GetSoundConverterPcmBytes(r);
    if (size < 0 || size > 0x7FFFFFFF) return -1;
    auto* data = static_cast<unsigned char*>(TrackedAlloc(size > 0 ? static_cast<std::uint32_t>(size) : 1, "", 0));
    if (data == nullptr) return -1;
    SeekSoundConverter(r, 0);
    if (r->pcm_position != 0) {
        // A seek within 16 bytes of the start keeps the position: go back exactly.
        if (r->kind == kConvertWavPcm) SeekWavPcmConverter(r, 0);
        else if (r->kind == kConvertAcm) SeekAcmConverter(r, 0);
        else SeekOggVorbisSound(r, 0);
        r->end_flag = 0;
    }
    std::uint32_t got = 0;
    if (r->kind == kConvertWavPcm) {
        got = static_cast<std::uint32_t>(r->stream.functions.read(data, 1, static_cast<std::size_t>(size), r->stream.handle));
        if (got > size) got = static_cast<std::uint32_t>(size);
    } else {
        const int n = ReadSoundConverterPcm(r, data, static_cast<std::uint32_t>(size));
        got = n > 0 ? static_cast<std::uint32_t>(n) : 0;
    }
    got -= got % r->format.nBlockAlign;
    *format = r->format;
    *block = data;
    *bytes = got;
    return 0;
}
