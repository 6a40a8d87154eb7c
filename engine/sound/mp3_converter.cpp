// MPEG audio files: the frame-header parser (ISO/IEC 11172-3 and 13818-3 tables), the
// ID3v2 and ID3v1 tags that are stepped over, the frame scan that counts sample frames
// and finds where the audio ends, and the opener that hands the frames to the
// compression manager. A bad header anywhere in the scanned part refuses the file.
#include <cstring>

#include "engine/sound/sound_records.h"

namespace {

// kbit/s by [MPEG-2][layer][index]; index 0 (free format) and 15 are refused first.
constexpr std::uint16_t kBitrates[2][3][15] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
constexpr std::uint32_t kRates[2][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}};

// Reads up to the next frame sync (0xFF, then a byte with its high four bits set) and
// the two bytes after it; false at the end of the stream.
bool FindSync(SoundConvertRecord* r, unsigned char header[4], std::int64_t* position) {
    const StreamFunctions& f = r->stream.functions;
    const StreamHandle h = r->stream.handle;
    unsigned char previous = 0;
    unsigned char byte = 0;
    bool have_previous = false;
    for (;;) {
        if (f.read(&byte, 1, 1, h) != 1) return false;
        if (have_previous && previous == 0xFF && (byte & 0xF0) == 0xF0) break;
        previous = byte;
        have_previous = true;
    }
    header[0] = 0xFF;
    header[1] = byte;
    if (f.read(header + 2, 1, 1, h) != 1 || f.read(header + 3, 1, 1, h) != 1) return false;
    *position = f.tell(h) - 4;
    return *position >= 0;
}

}  // namespace

int ParseMpegAudioHeader(const unsigned char b[4], MpegAudioFrameHeader* h) {
    if (b[0] != 0xFF || (b[1] & 0xF0) != 0xF0) return -2;
    std::memset(h, 0, sizeof(*h));
    h->version = (b[1] & 0x08) != 0 ? 0 : 1;
    const int layer = 3 - ((b[1] >> 1) & 3);
    if (layer > 2) return -1;
    h->layer = static_cast<std::uint8_t>(layer);
    h->bitrate_index = static_cast<std::uint8_t>(b[2] >> 4);
    if (h->bitrate_index == 15 || h->bitrate_index == 0) return -1;
    h->rate_index = static_cast<std::uint8_t>((b[2] >> 2) & 3);
    if (h->rate_index == 3) return -1;
    h->sample_rate = kRates[h->version][h->rate_index];
    h->bitrate = kBitrates[h->version][h->layer][h->bitrate_index];
    h->padding = static_cast<std::uint8_t>((b[2] >> 1) & 1);
    h->channels = (b[3] >> 6) == 3 ? 1 : 2;
    const std::uint32_t bits = h->bitrate * 1000;
    if (h->layer == 0) {
        h->frame_bytes = (12 * bits / h->sample_rate + h->padding) * 4;
        h->frames_per_frame = 384;
    } else if (h->layer == 1) {
        h->frame_bytes = 144 * bits / h->sample_rate + h->padding;
        h->frames_per_frame = 1152;
    } else if (h->version == 0) {
        h->frame_bytes = 144 * bits / h->sample_rate + h->padding;
        h->frames_per_frame = 1152;
    } else {
        h->frame_bytes = 72 * bits / h->sample_rate + h->padding;
        h->frames_per_frame = 576;
    }
    return 0;
}

int OpenMp3Converter(SoundConvertRecord* r) {
    const StreamFunctions& f = r->stream.functions;
    const StreamHandle h = r->stream.handle;
    if (f.seek(h, 0, kSeekEnd) != 0) return -1;
    const std::int64_t file_size = f.tell(h);
    if (file_size <= 0 || file_size > 0x7FFFFFFF || f.seek(h, 0, kSeekSet) != 0) return -1;

    std::int64_t tag_bytes = 0;
    unsigned char id3[10];
    if (file_size >= 10 && f.read(id3, 10, 1, h) == 1 && std::memcmp(id3, "ID3", 3) == 0) {
        tag_bytes = ((id3[6] & 0x7F) << 21 | (id3[7] & 0x7F) << 14 | (id3[8] & 0x7F) << 7 | (id3[9] & 0x7F)) + 10;
        if (id3[3] == 4 && (id3[5] & 0x10) != 0) tag_bytes += 10;
    }
    std::int64_t audio_end = file_size;
    if (file_size > 128) {
        unsigned char tail[3];
        if (f.seek(h, file_size - 128, kSeekSet) == 0 && f.read(tail, 3, 1, h) == 1 &&
            std::memcmp(tail, "TAG", 3) == 0) {
            audio_end = file_size - 128;
        }
    } else {
        audio_end = 0;
    }
    if (tag_bytes >= audio_end || f.seek(h, tag_bytes, kSeekSet) != 0) return -1;

    std::int64_t first = -1;
    std::int64_t total = 0;
    MpegAudioFrameHeader first_header{};
    for (;;) {
        unsigned char bytes[4];
        std::int64_t position = 0;
        if (!FindSync(r, bytes, &position) || position >= audio_end) break;
        MpegAudioFrameHeader header{};
        if (ParseMpegAudioHeader(bytes, &header) != 0) return -1;
        if (first < 0) {
            first = position;
            first_header = header;
        }
        total += header.frames_per_frame;
        const std::int64_t next = position + header.frame_bytes;
        if (next >= audio_end) {
            if (next < audio_end) audio_end = next;
            break;
        }
        if (f.seek(h, next, kSeekSet) != 0) break;
    }
    if (first < 0 || audio_end <= first) return -1;

    AcmConvertState& acm = r->acm;
    DWORD format_size = 0;
    if (acmMetrics(nullptr, ACM_METRIC_MAX_SIZE_FORMAT, &format_size) != 0 || format_size < 30) format_size = 30;
    acm.source_format = static_cast<WAVEFORMATEX*>(TrackedCalloc(format_size, "", 0));
    if (acm.source_format == nullptr) return -1;
    auto* mpeg = reinterpret_cast<MPEGLAYER3WAVEFORMAT*>(acm.source_format);
    mpeg->wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    mpeg->wfx.nChannels = first_header.channels;
    mpeg->wfx.nSamplesPerSec = first_header.sample_rate;
    mpeg->wfx.nAvgBytesPerSec = first_header.bitrate * 1000 / 8;
    mpeg->wfx.nBlockAlign = 1;
    mpeg->wfx.wBitsPerSample = 0;
    mpeg->wfx.cbSize = 12;
    mpeg->wID = MPEGLAYER3_ID_MPEG;
    mpeg->fdwFlags = first_header.padding;
    mpeg->nBlockSize = static_cast<WORD>(first_header.frame_bytes);
    mpeg->nFramesPerBlock = 1;
    mpeg->nCodecDelay = 700;

    const auto data_bytes = static_cast<std::uint32_t>(audio_end - first);
    acm.compressed = static_cast<unsigned char*>(TrackedAlloc(data_bytes, "", 0));
    bool ok = acm.compressed != nullptr && f.seek(h, first, kSeekSet) == 0 &&
              f.read(acm.compressed, data_bytes, 1, h) == 1;
    acm.compressed_bytes = data_bytes;
    acm.mp3_total_frames = total;
    r->data_start = static_cast<std::uint32_t>(first);
    r->data_bytes = data_bytes;
    ok = ok && OpenAcmStreams(r) == 0;
    if (!ok) {
        TrackedFree(acm.compressed);
        TrackedFree(acm.source_format);
        acm = AcmConvertState{};
        return -1;
    }
    r->kind = kConvertAcm;
    return 0;
}
