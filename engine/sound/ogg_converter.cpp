// Ogg Vorbis sounds through the platform's vorbisfile reader: the callbacks over the
// converter's stream (the reader never closes it), the output format (16-bit PCM of the
// stream's channels and rate), 4,096-byte block decodes that step over holes and end on
// any other error, and seeking by PCM frame.
#include "engine/sound/sound_records.h"

namespace {

std::size_t ReadCallback(void* buffer, std::size_t size, std::size_t count, void* source) {
    auto* stream = static_cast<StreamDescriptor*>(source);
    if (stream == nullptr) return static_cast<std::size_t>(-1);
    return stream->functions.read(buffer, size, count, stream->handle);
}

int SeekCallback(void* source, std::int64_t offset, int origin) {
    auto* stream = static_cast<StreamDescriptor*>(source);
    if (stream == nullptr) return -1;
    return stream->functions.seek(stream->handle, offset, origin);
}

int CloseCallback(void*) { return 0; }

long TellCallback(void* source) {
    auto* stream = static_cast<StreamDescriptor*>(source);
    if (stream == nullptr) return -1;
    return static_cast<long>(stream->functions.tell(stream->handle));
}

constexpr int kHoleRetries = 64;

}  // namespace

int OpenOggVorbisSound(SoundConvertRecord* r) {
    const OggVorbisCallbacks callbacks{&ReadCallback, &SeekCallback, &CloseCallback, &TellCallback};
    OggVorbisReader* reader = OggVorbisOpen(&r->stream, callbacks);
    if (reader == nullptr) return -1;
    int channels = 0;
    long rate = 0;
    const std::int64_t total = OggVorbisPcmTotal(reader);
    WAVEFORMATEX format{};
    if (OggVorbisInfo(reader, &channels, &rate) && channels >= 1 && channels <= 2 && rate > 0 && rate <= 200000) {
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = static_cast<WORD>(channels);
        format.nSamplesPerSec = static_cast<DWORD>(rate);
        format.wBitsPerSample = 16;
        format.nBlockAlign = static_cast<WORD>(channels * 2);
        format.nAvgBytesPerSec = format.nBlockAlign * format.nSamplesPerSec;
    }
    const std::int64_t bytes = total * channels * 2;
    if (!IsPlayablePcmFormat(format) || total < 0 || bytes > 0x7FFFFFFF - 44100LL * 4) {
        OggVorbisClose(reader);
        return -1;
    }
    r->ogg.reader = reader;
    r->ogg.reader_open = 1;
    r->ogg.bytes_per_sample = 2;
    r->format = format;
    r->data_bytes = static_cast<std::uint32_t>(bytes);
    r->kind = kConvertOggVorbis;
    return 0;
}

int CloseOggVorbisSound(SoundConvertRecord* r) {
    if (r->ogg.reader_open) OggVorbisClose(r->ogg.reader);
    r->ogg.reader = nullptr;
    r->ogg.reader_open = 0;
    return 0;
}

int DecodeOggVorbisBlock(SoundConvertRecord* r) {
    for (int attempt = 0; attempt < kHoleRetries; ++attempt) {
        const long got = OggVorbisRead(r->ogg.reader, reinterpret_cast<char*>(r->decode_buffer),
                                       static_cast<int>(r->block_bytes));
        if (got == kOggVorbisHole) continue;
        if (got <= 0 || static_cast<std::uint64_t>(got) > r->block_bytes) return -1;
        r->bytes_left = static_cast<std::uint32_t>(got);
        return 0;
    }
    return -1;
}

int SeekOggVorbisSound(SoundConvertRecord* r, std::uint32_t frame) {
    OggVorbisPcmSeek(r->ogg.reader, frame);
    r->bytes_left = 0;
    r->read_offset = 0;
    r->pcm_position = frame * r->format.nBlockAlign;
    return 0;
}

std::int64_t GetOggVorbisPcmBytes(SoundConvertRecord* r) { return r->data_bytes; }

std::int64_t GetOggVorbisBufferBytes(SoundConvertRecord* r) {
    return static_cast<std::int64_t>(r->format.nChannels) * 2 * (r->data_bytes / r->format.nBlockAlign + 44100);
}
