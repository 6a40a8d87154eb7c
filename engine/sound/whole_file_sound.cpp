// Whole-file sounds: loading (the file read whole through the file-access table and
// decoded once to PCM), the copies of the PCM in up to ten buffers, and play, stop,
// playing state, position and length of every sound handle (stream sounds are handed to
// stream_sound.cpp). Relies on the converter, the buffer records and core's message pump.
#include <cstring>

#include "engine/core/core.h"
#include "engine/core/core_shell_hooks.h"
#include "engine/file/file.h"
#include "engine/sound/sound.h"
#include "engine/sound/sound_records.h"
#include "platform/kernel.h"

namespace {

int ReadWholeSoundFile(const char* path, unsigned char** block, std::uint32_t* size) {
    const FileHandle file = FileAccessOpen(path, 0, 1, 0);
    if (file == 0) return WriteLogFormat("右記のファイルのオープンに失敗しました：%s", path);
    FileAccessSeek(file, 0, kSeekEnd);
    const std::int64_t length = FileAccessTell(file);
    FileAccessSeek(file, 0, kSeekSet);
    if (length < 0 || length > 0x7FFFFFFF) {
        FileAccessClose(file);
        return WriteLogFormat("右記のファイルのロードに必要なメモリの確保に失敗しました：%s", path);
    }
    auto* data = static_cast<unsigned char*>(TrackedAlloc(static_cast<std::uint32_t>(length) + 1, "", 0));
    if (data == nullptr) {
        FileAccessClose(file);
        return WriteLogFormat("右記のファイルのロードに必要なメモリの確保に失敗しました：%s", path);
    }
    const std::size_t got = length > 0 ? FileAccessRead(data, static_cast<std::size_t>(length), 1, file) : 1;
    FileAccessClose(file);
    if (got != 1) {
        TrackedFree(data);
        return WriteLogFormat("右記のファイルのオープンに失敗しました：%s", path);
    }
    *block = data;
    *size = static_cast<std::uint32_t>(length);
    return 0;
}

// Fills every buffer of the sound with its PCM; -1 (logged) on a lock or unlock failure.
int CopyPcmToBuffers(SoundRecord* record) {
    for (int i = 0; i < record->buffer_count; ++i) {
        void* first = nullptr;
        void* second = nullptr;
        DWORD first_bytes = 0;
        DWORD second_bytes = 0;
        if (LockSoundBufferRecord(&record->buffers[i], 0, record->pcm_bytes, &first, &first_bytes, &second,
                                  &second_bytes) != 0) {
            return WriteLogText("サウンドデータの転送に失敗しました_1");
        }
        std::memcpy(first, record->pcm_block, first_bytes);
        if (second != nullptr) std::memcpy(second, record->pcm_block + first_bytes, second_bytes);
        if (UnlockSoundBufferRecord(&record->buffers[i], first, first_bytes, second, second_bytes) != 0) {
            return WriteLogText("サウンドデータの転送に失敗しました_2");
        }
    }
    return 0;
}

int CreateSoundHandleFromImage(const unsigned char* image, std::uint32_t size, int count) {
    if (!SoundIsUp() || count > kMaxSoundBuffers || count < 1) return -1;
    const int handle = AddSoundData();
    if (handle < 0) return -1;
    StreamDescriptor stream{};
    stream.functions = *GetMemoryStreamFunctions();
    stream.handle = OpenMemoryStream(image, size);
    auto* converter = static_cast<SoundConvertRecord*>(TrackedCalloc(sizeof(SoundConvertRecord), "", 0));
    WAVEFORMATEX format{};
    unsigned char* pcm = nullptr;
    std::uint32_t pcm_bytes = 0;
    SoundRecord* record = nullptr;
    if (stream.handle == 0 || converter == nullptr) goto clean_up;
    if (OpenSoundConverter(stream, converter) != 0) {
        WriteLogText("音声ファイルのＰＣＭへの変換に失敗しました");
        goto clean_up;
    }
    if (DecodeSoundConverterToPcm(converter, &format, &pcm, &pcm_bytes) != 0) {
        WriteLogText("音声ファイルを格納するメモリ領域の確保に失敗しました");
        goto clean_up;
    }
    CloseSoundConverter(converter);
    CloseMemoryStream(stream.handle);
    stream.handle = 0;
    if (pcm_bytes < format.nBlockAlign) {
        WriteLogText("音声ファイルのＰＣＭへの変換に失敗しました");
        goto clean_up;
    }
    if (CreateSoundBuffers(format, pcm_bytes, 0, count, handle) != 0) goto clean_up;
    record = FindSoundRecord(handle);
    record->format = format;
    record->pcm_block = pcm;
    record->pcm_bytes = pcm_bytes;
    pcm = nullptr;  // the record owns it now; DeleteSoundHandle frees it
    if (CopyPcmToBuffers(record) != 0) goto clean_up;
    TrackedFree(converter);
    return handle;

clean_up:
    TrackedFree(pcm);
    DeleteSoundHandle(handle);
    if (stream.handle != 0) CloseMemoryStream(stream.handle);
    if (converter != nullptr) {
        if (converter->opened) CloseSoundConverter(converter);
        TrackedFree(converter);
    }
    return -1;
}

bool BufferPlaying(SoundBufferRecord* buffer) {
    DWORD status = 0;
    return GetSoundBufferStatus(buffer, &status) == 0 && (status & DSBSTATUS_PLAYING) != 0;
}

}  // namespace

int LoadSoundFileToHandle(const char* path, int count, int shared) {
    SoundSystemState& s = Sound();
    if (!SoundIsUp()) return -1;
    if (s.creation_type != 0) {
        const int handle = AddSoundData();
        if (handle < 0) return -1;
        if (AddStreamSoundFile(path, 0, handle, s.creation_type, shared) != 0) {
            DeleteSoundHandle(handle);
            return -1;
        }
        PrimeStreamSound(handle);
        return handle;
    }
    unsigned char* image = nullptr;
    std::uint32_t size = 0;
    if (ReadWholeSoundFile(path, &image, &size) != 0) {
        return WriteLogFormat("右記の音声ファイルのロードに失敗しました_1：%s", path);
    }
    const int handle = CreateSoundHandleFromImage(image, size, count > kMaxSoundBuffers ? kMaxSoundBuffers : count);
    TrackedFree(image);
    if (handle < 0) return WriteLogFormat("右記の音声ファイルのロードに失敗しました_2：%s", path);
    return handle;
}

int LoadSoundFile(const char* path, int count, int shared) { return LoadSoundFileToHandle(path, count, shared); }

int PlaySoundHandle(int sound, int play_type, int from_top) {
    if (!SoundIsUp()) return -1;
    SoundRecord* record = FindSoundRecord(sound);
    if (record == nullptr) return -1;
    if (record->stream_flag) return PlayStreamSound(sound, play_type, from_top);
    if (record->buffer_count < 1) return -1;
    DWORD previous = 0;
    GetSoundBufferCursor(&record->buffers[record->current_buffer], &previous);
    int next = record->current_buffer + 1;
    if (next >= record->buffer_count) next = 0;
    record->current_buffer = next;
    SoundBufferRecord* buffer = &record->buffers[next];
    DWORD status = 0;
    if (GetSoundBufferStatus(buffer, &status) != 0) return -1;
    if ((status & DSBSTATUS_PLAYING) != 0) {
        if (from_top == 0) return 0;
        StopSoundBufferRecord(buffer);
    }
    SetSoundBufferPosition(buffer, from_top == 1 ? 0 : previous);
    PlaySoundBufferRecord(buffer, play_type == 3);
    record->play_start_time = timeGetTime();
    if (play_type == 0) {
        if (GetShellHooks()->pump_messages() != 0) return 0;
        while (CheckSoundHandlePlaying(sound) == 1) {
            Sleep(1);
            if (GetShellHooks()->pump_messages() != 0) break;
        }
    }
    return 0;
}

int StopSoundHandle(int sound) {
    if (!SoundIsUp()) return -1;
    SoundRecord* record = FindSoundRecord(sound);
    if (record == nullptr) return -1;
    if (record->stream_flag) return StopStreamSound(sound);
    for (int i = 0; i < record->buffer_count; ++i) {
        DWORD status = 0;
        if (GetSoundBufferStatus(&record->buffers[i], &status) != 0) return -1;
        if ((status & DSBSTATUS_PLAYING) != 0) StopSoundBufferRecord(&record->buffers[i]);
    }
    return 0;
}

int CheckSoundHandlePlaying(int sound) {
    if (!SoundIsUp()) return -1;
    SoundRecord* record = FindSoundRecord(sound);
    if (record == nullptr) return -1;
    if (record->stream_flag) return CheckStreamSoundPlaying(sound);
    for (int i = 0; i < record->buffer_count; ++i) {
        if (BufferPlaying(&record->buffers[i])) return 1;
    }
    return 0;
}

int GetSoundPlayPositionMs(int sound) {
    if (!SoundIsUp()) return -1;
    SoundRecord* record = FindSoundRecord(sound);
    if (record == nullptr) return -1;
    if (record->stream_flag) return GetStreamPlayPositionMs(sound);
    DWORD cursor = 0;
    // A sound without buffers has no position.
    if (GetSoundBufferCursor(&record->buffers[record->current_buffer], &cursor) != 0) return -1;
    const double bytes_per_second = static_cast<double>(record->format.nBlockAlign) * record->format.nSamplesPerSec;
    return static_cast<int>(static_cast<double>(cursor) * 1000.0 / bytes_per_second);
}

int GetSoundTotalSamples(int sound) {
    if (!SoundIsUp()) return -1;
    SoundRecord* record = FindSoundRecord(sound);
    if (record == nullptr) return -1;
    if (record->stream_flag) return record->total_samples;
    if (record->format.nBlockAlign == 0) return 0;
    return static_cast<int>(record->pcm_bytes / record->format.nBlockAlign);
}

int GetSoundTotalLengthMs(int sound) {
    const int samples = GetSoundTotalSamples(sound);
    if (samples < 0) return -1;
    SoundRecord* record = FindSoundRecord(sound);
    if (record->format.nSamplesPerSec == 0) return 0;
    return static_cast<int>(static_cast<double>(samples) * 1000.0 / record->format.nSamplesPerSec);
}
