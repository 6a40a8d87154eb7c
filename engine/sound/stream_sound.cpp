// Stream sounds: up to three sources of one PCM format played one after the other
// through a looping ring of six seconds, refilled from message processing so that three
// to four seconds stay ahead of the play cursor; the end of the data drains with
// silence and stops the ring, a looping stream goes back to its first source. Rings may
// be shared between stream sounds of one format. Relies on the converter and buffers.
#include <cstring>

#include "engine/core/core.h"
#include "engine/core/core_shell_hooks.h"
#include "engine/sound/sound.h"
#include "engine/sound/sound_records.h"
#include "platform/kernel.h"

namespace {

constexpr std::int32_t kRingUnfilled = -800;
constexpr std::int32_t kLeadTarget128 = 384;  // three seconds, in 1/128 s

struct StreamRingWriter {
    std::uint32_t start;
    unsigned char* first;
    std::uint32_t first_bytes;
    unsigned char* second;
    std::uint32_t second_bytes;
    std::uint32_t first_written;
    std::uint32_t second_written;
    std::uint32_t first_left;
    std::uint32_t second_left;
};

std::uint32_t Rounded(const SoundRecord* r, std::uint64_t bytes) {
    return static_cast<std::uint32_t>(bytes - bytes % r->format.nBlockAlign);
}

std::uint32_t Ahead(std::uint32_t from, std::uint32_t to, std::uint32_t ring) { return (to + ring - from) % ring; }

int AcquireStreamBuffer(int sound, SoundRecord* r, SoundBufferRecord** buffer, bool force) {
    if (!r->stream_flag) {
        *buffer = &r->buffers[0];
        return 0;
    }
    SoundRecord* holder = r;
    if (r->shared_owner != -1) {
        holder = FindSoundRecord(r->shared_owner);
        if (holder == nullptr) return -1;
    }
    *buffer = &holder->buffers[0];
    if (!(*buffer)->valid) return -1;
    if (holder->ring_user == -1 || holder->ring_user == sound) {
        holder->ring_user = sound;
        return 0;
    }
    if (!force) return -1;
    StopStreamSound(holder->ring_user);
    holder->ring_user = sound;
    return 0;
}

bool RingPlaying(SoundBufferRecord* ring) {
    DWORD status = 0;
    return GetSoundBufferStatus(ring, &status) == 0 && (status & DSBSTATUS_PLAYING) != 0;
}

void UpdateStreamPlayPosition(int sound, SoundRecord* r, std::int64_t cursor) {
    SoundBufferRecord* ring = nullptr;
    if (!r->stream_flag || AcquireStreamBuffer(sound, r, &ring, false) != 0 || !r->playing) return;
    DWORD position = 0;
    if (cursor < 0) {
        if (GetSoundBufferCursor(ring, &position) != 0) return;
    } else {
        position = static_cast<DWORD>(cursor);
    }
    const std::uint32_t last = r->last_cursor;
    if (position == last) return;
    const std::uint32_t moved = Ahead(last, position, r->ring_bytes);
    // Wrap points on (last, position], circularly; the last one passed sets the count.
    bool wrapped = false;
    std::uint32_t passed = 0;
    while (r->wrap_pending && Ahead(last, r->wrap_position, r->ring_bytes) <= moved) {
        wrapped = true;
        passed = r->wrap_position;
        r->wrap_pending = 0;
        if (r->queued_wrap_count > 0) {
            r->wrap_position = r->queued_wraps[0];
            for (int i = 1; i < r->queued_wrap_count; ++i) r->queued_wraps[i - 1] = r->queued_wraps[i];
            r->queued_wrap_count -= 1;
            r->wrap_pending = 1;
        }
    }
    if (wrapped) {
        r->played_bytes = Ahead(passed, position, r->ring_bytes) + r->wrap_source_offset;
    } else {
        r->played_bytes += moved;
    }
    r->last_cursor = position;
}

std::uint32_t FillStreamSilence(const SoundRecord* r, StreamRingWriter* w, std::uint32_t bytes) {
    const int value = r->format.wBitsPerSample == 8 ? 0x80 : 0;
    std::uint32_t done = 0;
    const std::uint32_t a = bytes < w->first_left ? bytes : w->first_left;
    std::memset(w->first + w->first_written, value, a);
    w->first_written += a;
    w->first_left -= a;
    done += a;
    const std::uint32_t b = bytes - done < w->second_left ? bytes - done : w->second_left;
    if (b > 0) std::memset(w->second + w->second_written, value, b);
    w->second_written += b;
    w->second_left -= b;
    return done + b;
}

std::uint32_t WriteStreamSourceData(StreamRingWriter* w, SoundConvertRecord* converter, std::uint32_t bytes) {
    std::uint32_t written = 0;
    while (bytes > 0) {
        const bool first = w->first_left > 0;
        if (!first && w->second_left == 0) break;
        unsigned char* to = first ? w->first + w->first_written : w->second + w->second_written;
        std::uint32_t& left = first ? w->first_left : w->second_left;
        std::uint32_t& done = first ? w->first_written : w->second_written;
        const std::uint32_t ask = bytes < left ? bytes : left;
        const int got = ReadSoundConverterPcm(converter, to, ask);
        if (got <= 0) break;
        done += static_cast<std::uint32_t>(got);
        left -= static_cast<std::uint32_t>(got);
        written += static_cast<std::uint32_t>(got);
        bytes -= static_cast<std::uint32_t>(got);
    }
    return written;
}

std::uint32_t WriterOffset(const SoundRecord* r, const StreamRingWriter* w) {
    if (w->first_left > 0 || w->second_bytes == 0) return (w->start + w->first_written) % r->ring_bytes;
    return w->second_written % r->ring_bytes;
}

void EndStreamData(SoundRecord* r, StreamRingWriter* w, std::uint32_t cursor) {
    r->end_reached = 1;
    r->end_position = WriterOffset(r, w);
    r->end_cursor = cursor;
    r->drain_bytes = Ahead(cursor, r->end_position, r->ring_bytes);
    // All of the rest of the lock, not only an eighth of a second: no old ring data is
    // left behind the end for the cursor to reach before the stop.
    FillStreamSilence(r, w, w->first_left + w->second_left);
}

// Moves on to the next pass or source; -1 when the data has ended.
int AdvanceStreamSource(SoundRecord* r, StreamRingWriter* w, std::uint32_t cursor) {
    r->repeat_counter += 1;
    if (r->repeat_counter > r->sources[r->current_source].repeat_count) {
        r->repeat_counter = 0;
        r->current_source += 1;
        if (r->current_source >= r->source_count) {
            r->sources_consumed = 1;
            if (r->stream_play_type == 3) {
                const std::uint32_t at = WriterOffset(r, w);
                if (!r->wrap_pending) {
                    r->wrap_pending = 1;
                    r->wrap_position = at;
                } else if (r->queued_wrap_count < kMaxQueuedWraps) {
                    r->queued_wraps[r->queued_wrap_count++] = at;
                }
                r->wrap_source_offset = 0;
                r->current_source = 0;
                r->source_bytes_written = 0;
            } else {
                EndStreamData(r, w, cursor);
                return -1;
            }
        }
    }
    r->source_bytes_written = 0;
    SeekSoundConverter(&r->sources[r->current_source].converter, 0);
    return 0;
}

// Writes source data into the locked regions until they are full or the data ended.
void FillFromSources(SoundRecord* r, StreamRingWriter* w, std::uint32_t bytes, std::uint32_t cursor) {
    int empty_advances = 0;
    while (bytes > 0 && !r->end_reached) {
        const std::uint32_t wrote = WriteStreamSourceData(w, &r->sources[r->current_source].converter, bytes);
        if (wrote == 0) {
            if (w->first_left == 0 && w->second_left == 0) break;
            // A looping stream whose sources give nothing at all ends instead of spinning.
            if (++empty_advances > r->source_count * 256 + 1) {
                EndStreamData(r, w, cursor);
                break;
            }
            if (AdvanceStreamSource(r, w, cursor) != 0) break;
            continue;
        }
        empty_advances = 0;
        r->source_bytes_written += wrote;
        bytes -= wrote;
    }
}

bool OutsideWindow(const SoundRecord* r, std::uint32_t cursor) {
    const auto w = static_cast<std::uint32_t>(r->ring_write);
    const auto l = static_cast<std::uint32_t>(r->ring_window_start);
    if (l < w) return cursor < l || cursor > w;
    return w < cursor && cursor < l;
}

void MoveWindow(SoundRecord* r, std::uint32_t size) {
    const std::uint32_t ring = r->ring_bytes;
    r->ring_write = static_cast<std::int32_t>((static_cast<std::uint32_t>(r->ring_write) + size) % ring);
    const std::uint32_t four = Rounded(r, 4ull * r->format.nAvgBytesPerSec);
    r->ring_window_start = static_cast<std::int32_t>((static_cast<std::uint32_t>(r->ring_write) + ring - four) % ring);
}

bool LockRing(SoundBufferRecord* ring, std::uint32_t start, std::uint32_t size, StreamRingWriter* w) {
    *w = StreamRingWriter{};
    w->start = start;
    void* first = nullptr;
    void* second = nullptr;
    DWORD first_bytes = 0;
    DWORD second_bytes = 0;
    if (LockSoundBufferRecord(ring, start, size, &first, &first_bytes, &second, &second_bytes) != 0) return false;
    w->first = static_cast<unsigned char*>(first);
    w->first_bytes = w->first_left = first_bytes;
    w->second = static_cast<unsigned char*>(second);
    w->second_bytes = w->second_left = second != nullptr ? second_bytes : 0;
    return true;
}

void UnlockRing(SoundBufferRecord* ring, const StreamRingWriter& w) {
    UnlockSoundBufferRecord(ring, w.first, w.first_bytes, w.second, w.second_bytes);
}

void CloseSource(StreamSoundSource* source, int close_flag) {
    SoundConvertRecord& converter = source->converter;
    const StreamDescriptor converter_stream = converter.stream;
    if (converter.opened) CloseSoundConverter(&converter);
    TrackedFree(source->file_image);
    source->file_image = nullptr;
    if (close_flag == 1 && source->kind == 3 && converter_stream.handle != 0) {
        converter_stream.functions.close(converter_stream.handle);
    }
    if (source->own_stream.handle != 0) source->own_stream.functions.close(source->own_stream.handle);
    source->own_stream.handle = 0;
}

int ReadWholeStream(const StreamDescriptor& stream, unsigned char** image, std::uint32_t* size) {
    stream.functions.seek(stream.handle, 0, kSeekEnd);
    const std::int64_t length = stream.functions.tell(stream.handle);
    stream.functions.seek(stream.handle, 0, kSeekSet);
    if (length <= 0 || length > 0x7FFFFFFF) return WriteLogText("ストリームの読み込みに必要なメモリの確保に失敗しました");
    auto* data = static_cast<unsigned char*>(TrackedAlloc(static_cast<std::uint32_t>(length), "", 0));
    if (data == nullptr) return WriteLogText("ストリームの読み込みに必要なメモリの確保に失敗しました");
    if (stream.functions.read(data, static_cast<std::size_t>(length), 1, stream.handle) != 1) {
        TrackedFree(data);
        return -1;
    }
    *image = data;
    *size = static_cast<std::uint32_t>(length);
    return 0;
}

}  // namespace

void RewindStreamSound(SoundRecord* r) {
    r->sources_consumed = 0;
    r->source_bytes_written = 0;
    r->played_bytes = 0;
    r->wrap_pending = 0;
    r->queued_wrap_count = 0;
    r->repeat_counter = 0;
    r->current_source = 0;
    r->playing = 0;
    r->end_reached = 0;
}

std::int64_t StreamSourceSamples(SoundConvertRecord* converter) {
    // A Vorbis source counts its exact length, not the decode block's spare second.
    const std::int64_t bytes =
        converter->kind == kConvertOggVorbis ? converter->data_bytes : GetSoundConverterPcmBytes(converter);
    return bytes / converter->format.nBlockAlign;
}

void ReleaseStreamSoundParts(int sound, SoundRecord* r) {
    (void)sound;
    if (r->stream_node.previous != nullptr || r->stream_node.next != nullptr) {
        RemoveListNode(&r->stream_node);
        r->stream_node = ListNode{};
    }
    for (int i = 0; i < r->source_count; ++i) CloseSource(&r->sources[i], r->close_flags[i]);
    r->source_count = 0;
    if (r->buffers[0].valid) ReleaseSoundBufferRecord(&r->buffers[0]);
}

int AddSreamSound(const StreamDescriptor& stream, int repeat_count, int sound, int kind, int* close_stream,
                  int shared) {
    if (!SoundIsUp()) return -1;
    SoundRecord* r = FindSoundRecord(sound);
    if (r == nullptr || close_stream == nullptr) return -1;
    if (kind != 2 && kind != 3) return -1;
    if (r->source_count > 0) {
        if (!r->stream_flag) return WriteLogText("ストリーム風サウンドではないサウンドデータが渡されました in AddSreamSound\n");
        SoundBufferRecord* ring = nullptr;
        if (AcquireStreamBuffer(sound, r, &ring, false) == 0 && RingPlaying(ring)) {
            return WriteLogText("既に再生中のストリームサウンドデータにデータを追加しようとしました\n");
        }
        if (r->source_count >= kMaxStreamSources) return WriteLogText("ストリーム風サウンドの制御データ領域がいっぱいです\n");
    }
    StreamSoundSource* source = &r->sources[r->source_count];
    std::memset(source, 0, sizeof(*source));
    source->kind = kind;
    stream.functions.seek(stream.handle, 0, kSeekSet);
    if (kind == 3) {
        if (OpenSoundConverter(stream, &source->converter) != 0) return WriteLogText("音声データのオープンに失敗しました");
        *close_stream = 0;
    } else {
        if (ReadWholeStream(stream, &source->file_image, &source->image_bytes) != 0) {
            return WriteLogText("音声データの読み込みに失敗しました");
        }
        source->own_stream.functions = *GetMemoryStreamFunctions();
        source->own_stream.handle = OpenMemoryStream(source->file_image, source->image_bytes);
        if (source->own_stream.handle == 0 || OpenSoundConverter(source->own_stream, &source->converter) != 0) {
            if (source->own_stream.handle != 0) CloseMemoryStream(source->own_stream.handle);
            TrackedFree(source->file_image);
            std::memset(source, 0, sizeof(*source));
            return WriteLogText("音声データのオープンに失敗しました");
        }
        *close_stream = 1;
    }
    WAVEFORMATEX format{};
    GetSoundConverterFormat(&source->converter, &format);
    if (r->source_count == 0) {
        // The sound takes the source's format only once its ring is settled: a refused
        // ring leaves the record as it was.
        SoundRecord* owner = shared != -1 ? FindSoundRecord(shared) : nullptr;
        if (owner != nullptr && owner != r && owner->stream_flag && owner->shared_owner == -1 &&
            std::memcmp(&owner->format, &format, sizeof(format)) == 0) {
            r->stream_flag = 1;
            r->buffer_count = 1;
            InsertListNode(&Sound().stream_head, &r->stream_node, static_cast<std::uint32_t>(sound), 0);
            r->shared_owner = shared;
            owner->share_count += 1;
        } else {
            if (CreateSoundBuffers(format, 0, 1, 1, sound) != 0) {
                CloseSource(source, 0);
                std::memset(source, 0, sizeof(*source));
                return -1;
            }
            r->shared_owner = -1;
        }
        r->format = format;
        r->ring_bytes = format.nAvgBytesPerSec * 6;
        r->share_count = 0;
        r->ring_user = -1;
        r->delete_pending = 0;
        r->ring_write = kRingUnfilled;
        r->ring_window_start = -1;
    } else if (std::memcmp(&r->format, &format, sizeof(format)) != 0) {
        CloseSource(source, 0);
        std::memset(source, 0, sizeof(*source));
        return WriteLogText("フォーマットの違う音声データは同時に使うことは出来ません");
    }
    source->repeat_count = static_cast<std::uint8_t>(repeat_count);
    r->source_count += 1;
    std::int64_t total = 0;
    for (int i = 0; i < r->source_count; ++i) total += StreamSourceSamples(&r->sources[i].converter);
    r->total_samples = total > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<std::int32_t>(total);
    return 0;
}

int AddStreamSoundFile(const char* path, int repeat_count, int sound, int kind, int shared) {
    const FileHandle file = FileAccessOpen(path, 0, 1, 0);
    if (file == 0) return WriteLogPiece("右記のＷＡＶファイルのロードに失敗しました：%s \n", path);
    StreamDescriptor stream{};
    stream.functions = *GetFileStreamFunctions();
    stream.handle = file;
    int close_stream = 0;
    if (AddSreamSound(stream, repeat_count, sound, kind, &close_stream, shared) != 0) {
        FileAccessClose(file);
        return WriteLogPiece("右記のＷＡＶファイルのセットアップに失敗しました：%s \n", path);
    }
    if (close_stream == 1) FileAccessClose(file);
    SoundRecord* r = FindSoundRecord(sound);
    r->close_flags[r->source_count - 1] = 1;
    return 0;
}

int RefillStreamSound(int sound) {
    SoundRecord* r = FindSoundRecord(sound);
    SoundBufferRecord* ring = nullptr;
    if (r == nullptr || !r->stream_flag || AcquireStreamBuffer(sound, r, &ring, false) != 0 || !r->playing) return 0;
    if (r->source_count == 0) return 0;
    UpdateStreamPlayPosition(sound, r, -1);
    const std::uint32_t average = r->format.nAvgBytesPerSec;
    const std::uint32_t eighth = Rounded(r, average / 8);
    if (!r->end_reached) {
        if (r->current_source >= r->source_count) return 0;
        std::uint32_t start = 0;
        std::uint32_t size = 0;
        DWORD cursor = 0;
        const bool first_fill = !RingPlaying(ring);
        if (first_fill) {
            if (r->ring_write != kRingUnfilled) return 0;
            size = Rounded(r, 4ull * average);
        } else {
            if (r->ring_write == kRingUnfilled || GetSoundBufferCursor(ring, &cursor) != 0) return -1;
            if (OutsideWindow(r, cursor)) return -1;
            start = static_cast<std::uint32_t>(r->ring_write);
            size = eighth;
            const std::uint64_t lead = Ahead(cursor, start, r->ring_bytes);
            const std::uint64_t lead128 = lead * 128 / average;
            if (lead128 < static_cast<std::uint64_t>(kLeadTarget128)) {
                size = Rounded(r, (kLeadTarget128 - lead128) * average / 128);
            }
        }
        StreamRingWriter w{};
        if (!LockRing(ring, start, size, &w)) return -1;
        FillFromSources(r, &w, size, cursor);
        UnlockRing(ring, w);
        if (first_fill) {
            r->ring_window_start = 0;
            r->ring_write = static_cast<std::int32_t>(size % r->ring_bytes);
            return 0;
        }
        MoveWindow(r, size);
        return 0;
    }
    DWORD cursor = 0;
    if (GetSoundBufferCursor(ring, &cursor) != 0) return -1;
    if (Ahead(r->end_cursor, cursor, r->ring_bytes) >= r->drain_bytes) {
        StopSoundBufferRecord(ring);
        r->end_reached = 0;
        UpdateStreamPlayPosition(sound, r, cursor);
        return 0;
    }
    if (OutsideWindow(r, cursor)) return -1;
    StreamRingWriter w{};
    if (!LockRing(ring, static_cast<std::uint32_t>(r->ring_write), eighth, &w)) return -1;
    FillStreamSilence(r, &w, eighth);
    UnlockRing(ring, w);
    MoveWindow(r, eighth);
    return 0;
}

int RefillAllStreamSounds() {
    SoundSystemState& s = Sound();
    if (!SoundIsUp()) return -1;
    for (ListNode* node = s.stream_head.next; node != nullptr && node != &s.stream_tail;) {
        ListNode* next = node->next;
        RefillStreamSound(static_cast<int>(node->value));
        node = next;
    }
    return 0;
}

int PrimeStreamSound(int sound) {
    SoundRecord* r = FindSoundRecord(sound);
    SoundBufferRecord* ring = nullptr;
    if (r == nullptr || !r->stream_flag) return 0;
    if (AcquireStreamBuffer(sound, r, &ring, false) != 0 || RingPlaying(ring) || r->playing) return 0;
    if (r->current_source >= r->source_count) RewindStreamSound(r);
    if (r->source_count == 0) return 0;
    SetSoundBufferPosition(ring, 0);
    r->ring_write = kRingUnfilled;
    r->ring_window_start = -1;
    r->last_cursor = 0;
    r->end_reached = 0;
    SeekSoundConverter(&r->sources[r->current_source].converter, r->source_bytes_written / r->format.nBlockAlign);
    r->playing = 1;
    RefillStreamSound(sound);
    return 0;
}

int StopStreamSound(int sound) {
    SoundRecord* r = FindSoundRecord(sound);
    if (r == nullptr) return -1;
    UpdateStreamPlayPosition(sound, r, -1);
    SoundBufferRecord* ring = nullptr;
    if (AcquireStreamBuffer(sound, r, &ring, false) != 0) return 0;
    if (r->shared_owner != -1) {
        SoundRecord* owner = FindSoundRecord(r->shared_owner);
        if (owner != nullptr) owner->ring_user = -1;
    }
    DWORD status = 0;
    if (GetSoundBufferStatus(ring, &status) != 0) return -1;
    if ((status & DSBSTATUS_PLAYING) != 0) StopSoundBufferRecord(ring);
    return 0;
}

int PlayStreamSound(int sound, int play_type, int from_top) {
    if (!SoundIsUp()) return -1;
    SoundRecord* r = FindSoundRecord(sound);
    SoundBufferRecord* ring = nullptr;
    if (r == nullptr || AcquireStreamBuffer(sound, r, &ring, true) != 0) return -1;
    if (from_top == 0 && CheckStreamSoundPlaying(sound) == 1) return 0;
    StopStreamSound(sound);
    AcquireStreamBuffer(sound, r, &ring, true);
    if ((play_type == 3) != (r->stream_play_type == 3) && r->sources_consumed) RewindStreamSound(r);
    if (from_top == 1) {
        r->sources_consumed = 0;
        if (r->played_bytes != 0) RewindStreamSound(r);
    }
    // A stream that played out its data starts again from its first source; one stopped
    // while its last data still sat in the ring goes on from the ring.
    if ((r->current_source >= r->source_count && !r->end_reached) ||
        (r->sources_consumed && r->stream_play_type != 3 && !r->end_reached)) {
        RewindStreamSound(r);
    }
    r->stream_play_type = play_type;
    PrimeStreamSound(sound);
    PlaySoundBufferRecord(ring, 1);
    r->play_start_time = timeGetTime();
    if (play_type == 0) {
        while (GetShellHooks()->pump_messages() == 0 && CheckSoundHandlePlaying(sound) == 1) {
            Sleep(1);
            RefillStreamSound(sound);
        }
    }
    return 0;
}

int CheckStreamSoundPlaying(int sound) {
    SoundRecord* r = FindSoundRecord(sound);
    if (r == nullptr) return -1;
    SoundBufferRecord* ring = nullptr;
    if (AcquireStreamBuffer(sound, r, &ring, false) != 0) return 0;
    return RingPlaying(ring) ? 1 : 0;
}

int GetStreamPlayPositionMs(int sound) {
    SoundRecord* r = FindSoundRecord(sound);
    if (r == nullptr || r->format.nAvgBytesPerSec == 0) return -1;
    UpdateStreamPlayPosition(sound, r, -1);
    const auto ms = static_cast<std::int64_t>(static_cast<double>(r->played_bytes) / r->format.nAvgBytesPerSec * 1000.0);
    const int total = GetSoundTotalLengthMs(sound);
    return ms < total ? static_cast<int>(ms) : total;
}
