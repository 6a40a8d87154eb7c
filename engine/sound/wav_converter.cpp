// RIFF WAVE files: the chunk walk to "fmt " and "data" with every size checked against
// the file, the PCM opener with its block reads and seeks, and the compressed-WAV opener
// that hands the data to the compression manager (acm_converter.cpp).
// Refusals: no "RIFF"/"WAVE"/"fmt " at the start; a "fmt " chunk under 16 or over 1024
// bytes or past the file; a chunk before "data" that runs past the file; no "data";
// channels, bits, block align or rate that do not describe playable PCM (PCM opener),
// or a format whose extra bytes run past its chunk (compressed opener).
#include <cstring>

#include "engine/sound/sound_records.h"

namespace {

constexpr std::uint32_t kMaxFormatChunk = 1024;

std::uint32_t Le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

bool ReadExact(SoundConvertRecord* r, void* buffer, std::uint32_t bytes) {
    if (bytes == 0) return true;
    return r->stream.functions.read(buffer, bytes, 1, r->stream.handle) == 1 &&
           r->stream.functions.tell(r->stream.handle) >= 0;
}

struct RiffWave {
    unsigned char* format_chunk;  // tracked block of at least 18 bytes, zero-filled past the chunk
    std::uint32_t format_bytes;
    std::uint32_t data_start;
    std::uint32_t data_bytes;
};

// Walks the chunks; 0 with the format chunk (the caller frees it), or -1 with nothing held.
int WalkRiff(SoundConvertRecord* r, RiffWave* wave) {
    const StreamFunctions& f = r->stream.functions;
    const StreamHandle h = r->stream.handle;
    if (f.seek(h, 0, kSeekEnd) != 0) return -1;
    const std::int64_t file_size = f.tell(h);
    if (file_size < 20 || f.seek(h, 0, kSeekSet) != 0) return -1;
    unsigned char header[12];
    if (!ReadExact(r, header, 12) || std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "WAVE", 4) != 0) {
        return -1;
    }
    if (!ReadExact(r, header, 8) || std::memcmp(header, "fmt ", 4) != 0) return -1;
    const std::uint32_t format_bytes = Le32(header + 4);
    if (format_bytes < 16 || format_bytes > kMaxFormatChunk || f.tell(h) + format_bytes > file_size) return -1;
    auto* chunk = static_cast<unsigned char*>(TrackedCalloc(format_bytes + 18, "", 0));
    if (chunk == nullptr) return -1;
    if (!ReadExact(r, chunk, format_bytes)) {
        TrackedFree(chunk);
        return -1;
    }
    std::int64_t position = f.tell(h) + (format_bytes & 1);
    for (;;) {
        if (position + 8 > file_size || f.seek(h, position, kSeekSet) != 0 || !ReadExact(r, header, 8)) {
            TrackedFree(chunk);
            return -1;
        }
        const std::uint32_t size = Le32(header + 4);
        position += 8;
        if (std::memcmp(header, "data", 4) == 0) {
            // A data chunk cut short by the end of the file keeps what is there.
            const std::int64_t left = file_size - position;
            wave->data_bytes = static_cast<std::int64_t>(size) > left ? static_cast<std::uint32_t>(left) : size;
            wave->data_start = static_cast<std::uint32_t>(position);
            break;
        }
        const std::int64_t skip = static_cast<std::int64_t>(size) + (size & 1);
        if (position + skip > file_size) {
            TrackedFree(chunk);
            return -1;
        }
        position += skip;
    }
    wave->format_chunk = chunk;
    wave->format_bytes = format_bytes;
    return 0;
}

}  // namespace

int OpenWavPcmConverter(SoundConvertRecord* r) {
    RiffWave wave{};
    if (WalkRiff(r, &wave) != 0) return -1;
    WAVEFORMATEX format{};
    std::memcpy(&format, wave.format_chunk, sizeof(format) < wave.format_bytes ? sizeof(format) : wave.format_bytes);
    TrackedFree(wave.format_chunk);
    if (format.wFormatTag != WAVE_FORMAT_PCM || format.nChannels < 1 || format.nChannels > 2) return -1;
    if (wave.format_bytes == 16) {
        format.wBitsPerSample = static_cast<WORD>(format.nBlockAlign / format.nChannels * 8);
        format.cbSize = 0;
    }
    // The average rate follows from the rest; a file that states it wrongly still plays.
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    if (!IsPlayablePcmFormat(format)) return -1;
    format.cbSize = 0;
    r->format = format;
    r->data_start = wave.data_start;
    r->data_bytes = wave.data_bytes - wave.data_bytes % format.nBlockAlign;
    r->kind = kConvertWavPcm;
    return r->stream.functions.seek(r->stream.handle, r->data_start, kSeekSet) == 0 ? 0 : -1;
}

int OpenWavAcmConverter(SoundConvertRecord* r) {
    RiffWave wave{};
    if (WalkRiff(r, &wave) != 0) return -1;
    auto* source = reinterpret_cast<WAVEFORMATEX*>(wave.format_chunk);
    if (source->wFormatTag == WAVE_FORMAT_PCM) {
        // Plain PCM the PCM opener refused: nothing here converts it.
        TrackedFree(wave.format_chunk);
        return -1;
    }
    if (wave.format_bytes < 18) source->cbSize = 0;
    if (18u + source->cbSize > (wave.format_bytes < 18 ? 18u : wave.format_bytes) || wave.data_bytes == 0) {
        TrackedFree(wave.format_chunk);
        return -1;
    }
    r->acm.source_format = source;
    r->acm.compressed = static_cast<unsigned char*>(TrackedAlloc(wave.data_bytes, "", 0));
    if (r->acm.compressed == nullptr || r->stream.functions.seek(r->stream.handle, wave.data_start, kSeekSet) != 0 ||
        !ReadExact(r, r->acm.compressed, wave.data_bytes)) {
        TrackedFree(r->acm.compressed);
        TrackedFree(source);
        r->acm.compressed = nullptr;
        r->acm.source_format = nullptr;
        return -1;
    }
    r->acm.compressed_bytes = wave.data_bytes;
    r->acm.mp3_total_frames = -1;
    r->data_start = wave.data_start;
    r->data_bytes = wave.data_bytes;
    r->stream.functions.seek(r->stream.handle, wave.data_start, kSeekSet);
    if (OpenAcmStreams(r) != 0) {
        TrackedFree(r->acm.compressed);
        TrackedFree(source);
        r->acm.compressed = nullptr;
        r->acm.source_format = nullptr;
        return -1;
    }
    r->kind = kConvertAcm;
    return 0;
}

int DecodeWavPcmBlock(SoundConvertRecord* r) {
    const std::int64_t position = r->stream.functions.tell(r->stream.handle);
    if (position < r->data_start) return -1;
    const std::uint64_t consumed = static_cast<std::uint64_t>(position - r->data_start);
    if (consumed >= r->data_bytes) return -1;
    std::uint32_t want = r->data_bytes - static_cast<std::uint32_t>(consumed);
    if (want > r->block_bytes) want = r->block_bytes;
    const std::size_t got = r->stream.functions.read(r->decode_buffer, 1, want, r->stream.handle);
    if (got == 0 || got > want) return -1;
    r->bytes_left = static_cast<std::uint32_t>(got);
    return 0;
}

int SeekWavPcmConverter(SoundConvertRecord* r, std::uint32_t target) {
    if (target > r->data_bytes) target = r->data_bytes;
    r->stream.functions.seek(r->stream.handle, static_cast<std::int64_t>(r->data_start) + target, kSeekSet);
    r->pcm_position = target;
    r->bytes_left = 0;
    r->read_offset = 0;
    return 0;
}
