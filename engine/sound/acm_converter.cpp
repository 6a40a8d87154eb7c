// Compressed sounds (compressed WAV and MP3) through the compression manager: the two
// streams (main and a spare that has converted nothing, so a seek backwards restarts on
// it), block conversion of the compressed data held in memory, seeking by decoding
// forward, and the PCM size. Relies on platform/acm.h.
#include <cstring>

#include "engine/sound/sound_records.h"

namespace {

constexpr std::uint32_t kFeedBytes = 2048;

void CloseStreams(AcmConvertState& acm) {
    if (acm.main_stream != nullptr) acmStreamClose(acm.main_stream, 0);
    if (acm.spare_stream != nullptr) acmStreamClose(acm.spare_stream, 0);
    acm.main_stream = nullptr;
    acm.spare_stream = nullptr;
}

}  // namespace

int OpenAcmStreams(SoundConvertRecord* r) {
    AcmConvertState& acm = r->acm;
    WAVEFORMATEX output{};
    output.wFormatTag = WAVE_FORMAT_PCM;
    if (acmFormatSuggest(nullptr, acm.source_format, &output, sizeof(output), ACM_FORMATSUGGESTF_WFORMATTAG) != 0) {
        return -1;
    }
    if (!IsPlayablePcmFormat(output)) return -1;
    if (acmStreamOpen(&acm.main_stream, nullptr, acm.source_format, &output, nullptr, 0, 0,
                      ACM_STREAMOPENF_NONREALTIME) != 0 ||
        acmStreamOpen(&acm.spare_stream, nullptr, acm.source_format, &output, nullptr, 0, 0,
                      ACM_STREAMOPENF_NONREALTIME) != 0) {
        CloseStreams(acm);
        return -1;
    }
    // Whole source blocks per conversion, so only the data's last piece is ever short.
    const std::uint32_t align = acm.source_format->nBlockAlign > 0 ? acm.source_format->nBlockAlign : 1;
    acm.feed_bytes = align >= kFeedBytes ? align : kFeedBytes / align * align;
    acm.compressed_position = 0;
    r->format = output;
    return 0;
}

int CloseAcmConverter(SoundConvertRecord* r) {
    AcmConvertState& acm = r->acm;
    TrackedFree(acm.source_format);
    acm.source_format = nullptr;
    CloseStreams(acm);
    TrackedFree(acm.compressed);
    acm.compressed = nullptr;
    return 0;
}

int DecodeAcmBlock(SoundConvertRecord* r) {
    AcmConvertState& acm = r->acm;
    if (acm.compressed_position >= acm.compressed_bytes) return -1;
    const std::uint32_t remaining = acm.compressed_bytes - acm.compressed_position;
    ACMSTREAMHEADER header{};
    header.cbStruct = sizeof(header);
    header.pbSrc = acm.compressed + acm.compressed_position;
    header.cbSrcLength = remaining < acm.feed_bytes ? remaining : acm.feed_bytes;
    header.pbDst = r->decode_buffer;
    header.cbDstLength = r->block_bytes;
    if (acmStreamPrepareHeader(acm.main_stream, &header, 0) != 0) return -1;
    const MMRESULT converted = acmStreamConvert(acm.main_stream, &header, ACM_STREAMCONVERTF_BLOCKALIGN);
    acmStreamUnprepareHeader(acm.main_stream, &header, 0);
    const std::uint32_t used = header.cbSrcLengthUsed > header.cbSrcLength ? header.cbSrcLength : header.cbSrcLengthUsed;
    r->bytes_left = converted == 0 && header.cbDstLengthUsed <= r->block_bytes ? header.cbDstLengthUsed : 0;
    acm.compressed_position += used;
    if (r->bytes_left == 0) {
        acm.compressed_position = acm.compressed_bytes;
        return -1;
    }
    return 0;
}

int SeekAcmConverter(SoundConvertRecord* r, std::uint32_t target) {
    AcmConvertState& acm = r->acm;
    if (target < r->pcm_position) {
        // The spare has converted nothing: it starts at the beginning of the data.
        HACMSTREAM used = acm.main_stream;
        acm.main_stream = acm.spare_stream;
        acm.spare_stream = nullptr;
        acm.compressed_position = 0;
        r->pcm_position = 0;
        r->bytes_left = 0;
        r->read_offset = 0;
        acmStreamClose(used, 0);
        WAVEFORMATEX output = r->format;
        if (acmStreamOpen(&acm.spare_stream, nullptr, acm.source_format, &output, nullptr, 0, 0,
                          ACM_STREAMOPENF_NONREALTIME) != 0) {
            acm.spare_stream = nullptr;
        }
    }
    while (r->pcm_position + r->bytes_left < target) {
        r->pcm_position += r->bytes_left;
        r->bytes_left = 0;
        r->read_offset = 0;
        if (DecodeAcmBlock(r) != 0) {
            r->bytes_left = 0;
            return 0;
        }
    }
    const std::uint32_t skip = target - r->pcm_position;
    r->read_offset += skip;
    r->bytes_left -= skip;
    r->pcm_position = target;
    return 0;
}

std::int64_t GetAcmPcmBytes(SoundConvertRecord* r) {
    if (r->acm.mp3_total_frames >= 0) return r->acm.mp3_total_frames * r->format.nBlockAlign;
    DWORD size = 0;
    if (acmStreamSize(r->acm.main_stream, r->acm.compressed_bytes, &size, ACM_STREAMSIZEF_SOURCE) != 0) return 0;
    return size;
}
