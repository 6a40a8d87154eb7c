// Playback buffer records (a DirectSound buffer with a valid flag) and the making of a
// sound's buffers: one buffer and its duplicates for a whole-file sound, one looping
// ring for a stream sound. Relies on platform/dsound.h.
#include "engine/sound/sound.h"
#include "engine/sound/sound_records.h"

int CreateSoundBufferRecord(SoundBufferRecord* record, const DSBUFFERDESC* desc) {
    if (record->valid) return -1;
    IDirectSoundBuffer* buffer = nullptr;
    if (FAILED(Sound().direct_sound->CreateSoundBuffer(desc, &buffer, nullptr))) return -1;
    record->buffer = buffer;
    record->valid = 1;
    return 0;
}

int DuplicateSoundBufferRecord(SoundBufferRecord* record, const SoundBufferRecord* source) {
    if (record->valid || !source->valid) return -1;
    IDirectSoundBuffer* buffer = nullptr;
    if (FAILED(Sound().direct_sound->DuplicateSoundBuffer(source->buffer, &buffer))) return -1;
    record->buffer = buffer;
    record->valid = 1;
    return 0;
}

int ReleaseSoundBufferRecord(SoundBufferRecord* record) {
    if (!record->valid) return -1;
    record->buffer->Release();
    record->buffer = nullptr;
    record->valid = 0;
    return 0;
}

int PlaySoundBufferRecord(SoundBufferRecord* record, int loop) {
    if (!record->valid) return -1;
    record->buffer->Play(0, 0, loop ? DSBPLAY_LOOPING : 0);
    return 0;
}

int StopSoundBufferRecord(SoundBufferRecord* record) {
    if (!record->valid) return -1;
    record->buffer->Stop();
    return 0;
}

int GetSoundBufferStatus(SoundBufferRecord* record, DWORD* status) {
    if (!record->valid) return -1;
    return FAILED(record->buffer->GetStatus(status)) ? -1 : 0;
}

int LockSoundBufferRecord(SoundBufferRecord* record, DWORD offset, DWORD bytes, void** first, DWORD* first_bytes,
                          void** second, DWORD* second_bytes) {
    if (!record->valid) return -1;
    return FAILED(record->buffer->Lock(offset, bytes, first, first_bytes, second, second_bytes, 0)) ? -1 : 0;
}

int UnlockSoundBufferRecord(SoundBufferRecord* record, void* first, DWORD first_bytes, void* second,
                            DWORD second_bytes) {
    if (!record->valid) return -1;
    return FAILED(record->buffer->Unlock(first, first_bytes, second, second_bytes)) ? -1 : 0;
}

int SetSoundBufferPosition(SoundBufferRecord* record, DWORD position) {
    if (!record->valid) return -1;
    record->buffer->SetCurrentPosition(position);
    return 0;
}

int GetSoundBufferCursor(SoundBufferRecord* record, DWORD* cursor) {
    if (!record->valid) return -1;
    DWORD write = 0;
    return FAILED(record->buffer->GetCurrentPosition(cursor, &write)) ? -1 : 0;
}

int CreateSoundBuffers(const WAVEFORMATEX& format, std::uint32_t bytes, int stream_flag, int count, int sound) {
    SoundRecord* record = FindSoundRecord(sound);
    if (record == nullptr || !IsPlayablePcmFormat(format)) return -1;
    WAVEFORMATEX wave = format;
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof(desc);
    desc.lpwfxFormat = &wave;
    if (stream_flag) {
        desc.dwFlags = 0x180E2;
        desc.dwBufferBytes = format.nAvgBytesPerSec * 6;
        if (CreateSoundBufferRecord(&record->buffers[0], &desc) != 0) {
            return WriteLogText("ストリーム風サウンドバッファの作成に失敗しました\n");
        }
        record->buffer_count = 1;
        record->stream_flag = 1;
        InsertListNode(&Sound().stream_head, &record->stream_node, static_cast<std::uint32_t>(sound), 0);
        return 0;
    }
    if (count <= 0) return -1;
    desc.dwBufferBytes = bytes;
    desc.dwFlags = 0x80E2;
    if (CreateSoundBufferRecord(&record->buffers[0], &desc) != 0) {
        desc.dwFlags = 0xC2;
        if (CreateSoundBufferRecord(&record->buffers[0], &desc) != 0) {
            return WriteLogText("DirectSoundBuffer の作成に失敗しました\n");
        }
    }
    int made = 1;
    while (made < count && DuplicateSoundBufferRecord(&record->buffers[made], &record->buffers[0]) == 0) ++made;
    record->buffer_count = made;
    record->stream_flag = 0;
    return 0;
}
