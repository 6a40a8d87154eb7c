// Sound start-up and shutdown (the DirectSound object, the primary format, the looping
// silence buffer, the device report) and the table of sound handles shared by
// whole-file and stream sounds. Relies on platform/dsound.h, the core log and allocator.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "engine/core/core.h"
#include "engine/sound/sound.h"
#include "engine/sound/sound_records.h"

namespace {

SoundSystemState g_sound{};


void* g_sound_slots[kMaxSounds];

void ReleaseInterface(IDirectSoundBuffer*& buffer) {
    if (buffer == nullptr) return;
    buffer->Stop();
    buffer->Release();
    buffer = nullptr;
}

void FailStartUp(const char* message) {
    WriteLogText(message);
    g_sound.direct_sound->Release();
    g_sound.direct_sound = nullptr;
}

BOOL LogSoundDeviceCallback(GUID*, const char* description, const char* module, void*) {
    WriteLogPiece("モジュール名:%15s  ドライバ記述:%s ", module, description);
    return TRUE;
}

const char* OkNo(DWORD flags, DWORD bit) { return (flags & bit) != 0 ? "OK" : "NO"; }

void LogDeviceReport() {
    IncreaseLogIndent();
    DSCAPS caps{};
    caps.dwSize = sizeof(caps);
    g_sound.direct_sound->GetCaps(&caps);
    WriteLogText("DirectSound デバイスを列挙します\n");
    IncreaseLogIndent();
    DirectSoundEnumerateA(&LogSoundDeviceCallback, nullptr);
    DecreaseLogIndent();
    WriteLogPiece("最大サンプリングレート:%.2fKHz 最小サンプリングレート:%.2fKHz ",
                   static_cast<double>(caps.dwMaxSecondarySampleRate) * 0.001,
                   static_cast<double>(caps.dwMinSecondarySampleRate) * 0.001);
    WriteLogPiece("総サウンドメモリ領域:%.2fKB 空きサウンドメモリ領域:%.2fKB \n",
                   static_cast<double>(caps.dwTotalHwMemBytes) / 1024.0,
                   static_cast<double>(caps.dwFreeHwMemBytes) / 1024.0);
    WriteLogPiece("利用可能サンプリング精度\n");
    WriteLogPiece(" プライマリ １６bit = %s  ８bit = %s ", OkNo(caps.dwFlags, DSCAPS_PRIMARY16BIT),
                   OkNo(caps.dwFlags, DSCAPS_PRIMARY8BIT));
    WriteLogPiece(" セカンダリ １６bit = %s  ８bit = %s \n", OkNo(caps.dwFlags, DSCAPS_SECONDARY16BIT),
                   OkNo(caps.dwFlags, DSCAPS_SECONDARY8BIT));
    WriteLogPiece("利用可能チャンネル\n");
    WriteLogPiece(" プライマリ MONO = %s  STEREO = %s ", OkNo(caps.dwFlags, DSCAPS_PRIMARYMONO),
                   OkNo(caps.dwFlags, DSCAPS_PRIMARYSTEREO));
    WriteLogPiece(" セカンダリ MONO = %s  STEREO = %s \n", OkNo(caps.dwFlags, DSCAPS_SECONDARYMONO),
                   OkNo(caps.dwFlags, DSCAPS_SECONDARYSTEREO));
    DecreaseLogIndent();
}

void MakeSilenceBuffer() {
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DSBCAPS_STATIC | DSBCAPS_GLOBALFOCUS;
    desc.dwBufferBytes = format.nBlockAlign * 100;
    desc.lpwfxFormat = &format;
    if (FAILED(g_sound.direct_sound->CreateSoundBuffer(&desc, &g_sound.silence_buffer, nullptr))) {
        g_sound.silence_buffer = nullptr;
        WriteLogText("無音バッファの作成に失敗しました");
        return;
    }
    void* first = nullptr;
    void* second = nullptr;
    DWORD first_bytes = 0;
    DWORD second_bytes = 0;
    if (FAILED(g_sound.silence_buffer->Lock(0, desc.dwBufferBytes, &first, &first_bytes, &second, &second_bytes, 0))) {
        WriteLogText("無音バッファのロックに失敗しました");
        g_sound.silence_buffer->Release();
        g_sound.silence_buffer = nullptr;
        return;
    }
    std::memset(first, 0, first_bytes);
    if (second != nullptr) std::memset(second, 0, second_bytes);
    g_sound.silence_buffer->Unlock(first, first_bytes, second, second_bytes);
    g_sound.silence_buffer->Play(0, 0, DSBPLAY_LOOPING);
}

}  // namespace

int WriteLogPiece(const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    return WriteLogText(text);
}

SoundSystemState& Sound() {
    if (g_sound.table.records == nullptr) {
        g_sound.table = HandleTable{kHandleKindSound, kMaxSounds, g_sound_slots, 0, 0, 0};
        InitLinkedList(&g_sound.stream_head, &g_sound.stream_tail);
    }
    return g_sound;
}

SoundRecord* FindSoundRecord(int sound) {
    return static_cast<SoundRecord*>(LookupHandleRecord(Sound().table, sound));
}

bool IsPlayablePcmFormat(const WAVEFORMATEX& f) {
    if (f.wFormatTag != WAVE_FORMAT_PCM) return false;
    if (f.nChannels < 1 || f.nChannels > 2) return false;
    if (f.wBitsPerSample != 8 && f.wBitsPerSample != 16) return false;
    if (f.nBlockAlign != f.nChannels * f.wBitsPerSample / 8) return false;
    if (f.nSamplesPerSec < 100 || f.nSamplesPerSec > 200000) return false;
    return f.nAvgBytesPerSec == f.nSamplesPerSec * f.nBlockAlign;
}

int InitializeSoundSystem() {
    SoundSystemState& s = Sound();
    if (s.direct_sound != nullptr) return -1;
    WriteLogText("DirectSound の初期化を行います\n");
    WriteLogText("DirectSound インターフェースの取得を行います....  ");
    void* object = nullptr;
    if (FAILED(CoCreateInstance(CLSID_DirectSound, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER |
                                CLSCTX_LOCAL_SERVER, IID_IDirectSound, &object))) {
        s.direct_sound = nullptr;
        WriteLogText("DirectSoundインターフェースの作成に失敗しました\n");
        return -1;
    }
    s.direct_sound = static_cast<IDirectSound*>(object);
    WriteLogText("成功\n");
    WriteLogText("引き続きインターフェースの初期化処理...  ");
    if (FAILED(s.direct_sound->Initialize(nullptr))) {
        FailStartUp("初期化に失敗しました\n");
        return -1;
    }
    WriteLogText("成功\n");
    // The stand-in takes any window; the desktop is named by null.
    if (FAILED(s.direct_sound->SetCooperativeLevel(nullptr, DSSCL_PRIORITY))) {
        FailStartUp("DirectSoundの協調レベルの設定に失敗しました\n");
        return -1;
    }
    DSBUFFERDESC primary{};
    primary.dwSize = sizeof(primary);
    primary.dwFlags = DSBCAPS_PRIMARYBUFFER;
    if (FAILED(s.direct_sound->CreateSoundBuffer(&primary, &s.primary_buffer, nullptr))) {
        s.primary_buffer = nullptr;
        FailStartUp("DirectSoundのプライマリサウンドバッファの作成に失敗しました\n");
        return -1;
    }
    DSCAPS caps{};
    caps.dwSize = sizeof(caps);
    s.direct_sound->GetCaps(&caps);
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = (caps.dwFlags & DSCAPS_PRIMARYSTEREO) != 0 ? 2 : 1;
    format.wBitsPerSample = (caps.dwFlags & DSCAPS_PRIMARY16BIT) != 0 ? 16 : 8;
    format.nSamplesPerSec = caps.dwMaxSecondarySampleRate > 44100 ? 44100 : caps.dwMaxSecondarySampleRate;
    format.nBlockAlign = static_cast<WORD>(format.wBitsPerSample / 8 * format.nChannels);
    format.nAvgBytesPerSec = format.nBlockAlign * format.nSamplesPerSec;
    if (FAILED(s.primary_buffer->SetFormat(&format))) {
        WriteLogText("DirectSoundのプライマリサウンドバッファのフォーマット設定に失敗しました\n");
    }
    MakeSilenceBuffer();
    s.creation_type = 0;
    s.ogg_bytes_per_sample = 2;
    InitLinkedList(&s.stream_head, &s.stream_tail);
    LogDeviceReport();
    WriteLogText("DirectSound の初期化は正常に終了しました\n");
    DeleteAllSoundHandles();
    return 0;
}

int TerminateSoundSystem() {
    SoundSystemState& s = Sound();
    if (s.direct_sound == nullptr) return -1;
    EndWavCapture();
    DeleteAllSoundHandles();
    DeleteAllMidiHandles();
    ReleaseInterface(s.primary_buffer);
    ReleaseInterface(s.silence_buffer);
    s.direct_sound->Release();
    s.direct_sound = nullptr;
    WriteLogText("DirectSound の終了処理は正常に終了しました\n");
    return 0;
}

int AddSoundData() {
    SoundSystemState& s = Sound();
    if (s.direct_sound == nullptr) return -1;
    if (s.table.live_count >= kMaxSounds) {
        WriteLogText("サウンドの数が許容量を越えました\n");
        return -1;
    }
    void* record = nullptr;
    int full = 0;
    const int handle = CreateHandleRecord(s.table, sizeof(SoundRecord), &record, &full);
    if (handle < 0) {
        WriteLogText("メモリ領域の確保に失敗しました in AddSoundData");
        return -1;
    }
    return handle;
}

int DeleteSoundHandle(int sound) {
    SoundSystemState& s = Sound();
    if (s.direct_sound == nullptr) return -1;
    SoundRecord* record = FindSoundRecord(sound);
    if (record == nullptr) return -1;
    if (record->stream_flag) {
        StopStreamSound(sound);
    } else if (record->buffers[0].valid) {
        StopSoundHandle(sound);
    }
    if (!record->stream_flag) {
        for (int i = 0; i < record->buffer_count && i < kMaxSoundBuffers; ++i) {
            if (record->buffers[i].valid) ReleaseSoundBufferRecord(&record->buffers[i]);
        }
        TrackedFree(record->pcm_block);
        record->pcm_block = nullptr;
    } else {
        if (record->shared_owner != -1) {
            SoundRecord* owner = FindSoundRecord(record->shared_owner);
            if (owner != nullptr) {
                owner->share_count -= 1;
                const int owner_handle = record->shared_owner;
                record->shared_owner = -1;
                if (owner_handle != sound && owner->delete_pending == 1 && owner->share_count == 0) {
                    DeleteSoundHandle(owner_handle);
                }
            }
        }
        if (record->share_count != 0) {
            record->delete_pending = 1;
            return 0;
        }
        ReleaseStreamSoundParts(sound, record);
    }
    FreeHandleRecord(s.table, sound);
    return 0;
}

int DeleteAllSoundHandles() {
    SoundSystemState& s = Sound();
    if (s.direct_sound == nullptr) return -1;
    for (int slot = 0; slot < s.table.end_mark; ++slot) {
        const auto* record = static_cast<const SoundRecord*>(s.table.records[slot]);
        if (record == nullptr) continue;
        DeleteSoundHandle(MakeHandleValue(kHandleKindSound, record->check, slot));
    }
    // Sounds kept for their sharers go once the sharers went above.
    for (int slot = 0; slot < s.table.end_mark; ++slot) {
        const auto* record = static_cast<const SoundRecord*>(s.table.records[slot]);
        if (record == nullptr) continue;
        auto* pending = const_cast<SoundRecord*>(record);
        pending->share_count = 0;
        DeleteSoundHandle(MakeHandleValue(kHandleKindSound, record->check, slot));
    }
    return 0;
}

int SetSoundDataCreateType(int type) {
    if (type < 0 || type > 3) return -1;
    Sound().creation_type = type;
    return 0;
}

int GetSoundDataCreateType() { return Sound().creation_type; }

int SetMovieSoundSwitch(int on) {
    Sound().movie_sound = on != 0 ? 1 : 0;
    return 0;
}
