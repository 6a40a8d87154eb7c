// The sound room's own records: the converter record that turns a sound file into PCM,
// a stream sound's sources, the playback buffer records, the SoundRecord behind every
// sound handle and the room's global state. Private to engine/sound.
#pragma once

#include <cstdint>

#include "engine/core/core.h"
#include "engine/file/file.h"
#include "platform/acm.h"
#include "platform/dsound.h"
#include "platform/vorbis_file.h"

// ---- converter -------------------------------------------------------------------------
enum SoundConvertKind : std::int32_t { kConvertWavPcm = 0, kConvertAcm = 1, kConvertOggVorbis = 2 };

struct AcmConvertState {
    WAVEFORMATEX* source_format;  // owned tracked block, 18 + cbSize bytes
    HACMSTREAM main_stream;
    HACMSTREAM spare_stream;
    unsigned char* compressed;    // owned tracked block: all the compressed data
    std::uint32_t compressed_bytes;
    std::uint32_t compressed_position;
    std::int64_t mp3_total_frames;  // -1 for a compressed WAV
    std::uint32_t feed_bytes;       // compressed bytes handed over per conversion
};

struct OggConvertState {
    std::int32_t reader_open;
    OggVorbisReader* reader;
    std::int32_t bytes_per_sample;
};

struct SoundConvertRecord {
    std::int32_t opened;
    std::int32_t end_flag;
    std::int32_t kind;
    StreamDescriptor stream;
    std::uint32_t data_start;
    std::uint32_t data_bytes;
    WAVEFORMATEX format;
    AcmConvertState acm;
    OggConvertState ogg;
    unsigned char* decode_buffer;  // owned tracked block
    std::uint32_t block_bytes;
    std::uint32_t bytes_left;
    std::uint32_t read_offset;
    std::uint32_t pcm_position;
};

// ---- playback buffers and sounds -------------------------------------------------------
constexpr int kMaxSoundBuffers = 10;
constexpr int kMaxSounds = 4096;
constexpr int kMaxStreamSources = 3;
// Wrap points of a looping stream not yet reached by the cursor (a short source wraps
// several times within the four seconds ahead).
constexpr int kMaxQueuedWraps = 16;

struct SoundBufferRecord {
    std::int32_t valid;
    IDirectSoundBuffer* buffer;
};

struct StreamSoundSource {
    std::uint8_t repeat_count;
    std::int32_t kind;
    unsigned char* file_image;  // owned tracked block (kind 2)
    std::uint32_t image_bytes;
    StreamDescriptor own_stream;  // kind 2: memory stream over the image
    std::int32_t loop_start_frame;
    SoundConvertRecord converter;
};

struct SoundRecord {
    std::uint32_t check;
    SoundBufferRecord buffers[kMaxSoundBuffers];
    WAVEFORMATEX format;
    std::int32_t stream_flag;
    std::int32_t stream_play_type;
    std::uint32_t play_start_time;
    std::int32_t shared_owner;
    std::int32_t share_count;
    std::int32_t ring_user;
    std::int32_t delete_pending;
    std::uint32_t ring_bytes;
    std::int32_t ring_write;         // W; -800 before the first fill
    std::int32_t ring_window_start;  // L; -1 before the first fill
    StreamSoundSource sources[kMaxStreamSources];
    std::uint8_t close_flags[kMaxStreamSources];
    std::int32_t source_count;
    std::int32_t current_source;
    std::int32_t repeat_counter;
    std::uint32_t source_bytes_written;
    std::int32_t total_samples;
    std::uint32_t played_bytes;
    std::uint32_t last_cursor;
    std::uint8_t playing;
    std::uint8_t end_reached;
    std::uint8_t wrap_pending;
    std::uint8_t sources_consumed;
    std::uint32_t wrap_source_offset;
    std::uint32_t end_position;
    std::uint32_t end_cursor;
    std::uint32_t wrap_position;
    std::uint32_t drain_bytes;
    std::uint32_t queued_wraps[kMaxQueuedWraps];  // later wrap points, after wrap_position
    std::int32_t queued_wrap_count;  // bytes of data still ahead of the cursor once the data ended
    ListNode stream_node;
    std::uint32_t pcm_bytes;
    unsigned char* pcm_block;   // owned tracked block of a whole-file sound
    std::int32_t buffer_count;
    std::int32_t current_buffer;
};

// ---- global state ----------------------------------------------------------------------
struct SoundSystemState {
    IDirectSound* direct_sound;
    IDirectSoundBuffer* primary_buffer;
    IDirectSoundBuffer* silence_buffer;
    ListNode stream_head;
    ListNode stream_tail;
    HandleTable table;
    std::int32_t creation_type;
    std::int32_t ogg_bytes_per_sample;
    std::int32_t movie_sound;  // the movie-sound switch
};

SoundSystemState& Sound();
// Formats into a 1,024-byte buffer and writes the text as it is (no line end added, so
// a message that has its own stays one line, and pieces can build a line); returns -1.
int WriteLogPiece(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The record of a valid sound handle, else null.
SoundRecord* FindSoundRecord(int sound);
inline bool SoundIsUp() { return Sound().direct_sound != nullptr; }
// A format that the sound side can play: PCM, 1 or 2 channels, 8 or 16 bits, block
// align and average bytes consistent, rate 100 to 200000 Hz.
bool IsPlayablePcmFormat(const WAVEFORMATEX& format);

// ---- converter (sound_converter.cpp and the per-format units) --------------------------
int OpenSoundConverter(const StreamDescriptor& stream, SoundConvertRecord* record);
int CloseSoundConverter(SoundConvertRecord* record);
int GetSoundConverterFormat(const SoundConvertRecord* record, WAVEFORMATEX* format);
std::int64_t GetSoundConverterPcmBytes(SoundConvertRecord* record);
int ReadSoundConverterPcm(SoundConvertRecord* record, void* destination, std::uint32_t bytes);
int SeekSoundConverter(SoundConvertRecord* record, std::uint32_t frame);
int DecodeSoundConverterToPcm(SoundConvertRecord* record, WAVEFORMATEX* format, unsigned char** block,
                              std::uint32_t* bytes);

int OpenWavPcmConverter(SoundConvertRecord* record);
int OpenWavAcmConverter(SoundConvertRecord* record);
int OpenOggVorbisSound(SoundConvertRecord* record);
int OpenMp3Converter(SoundConvertRecord* record);
int DecodeWavPcmBlock(SoundConvertRecord* record);
int DecodeAcmBlock(SoundConvertRecord* record);
int DecodeOggVorbisBlock(SoundConvertRecord* record);
int SeekWavPcmConverter(SoundConvertRecord* record, std::uint32_t target);
int SeekAcmConverter(SoundConvertRecord* record, std::uint32_t target);
int SeekOggVorbisSound(SoundConvertRecord* record, std::uint32_t frame);
int CloseAcmConverter(SoundConvertRecord* record);
int CloseOggVorbisSound(SoundConvertRecord* record);
std::int64_t GetAcmPcmBytes(SoundConvertRecord* record);
std::int64_t GetOggVorbisPcmBytes(SoundConvertRecord* record);
std::int64_t GetOggVorbisBufferBytes(SoundConvertRecord* record);
// Opens the two compression streams and sets the output format (shared by the
// compressed WAV and the MP3 openers); 0 or -1 with nothing left open.
int OpenAcmStreams(SoundConvertRecord* record);

struct MpegAudioFrameHeader {
    std::uint8_t layer;
    std::uint8_t version;
    std::uint8_t bitrate_index;
    std::uint8_t rate_index;
    std::uint8_t padding;
    std::uint8_t channels;
    std::uint32_t sample_rate;
    std::uint32_t bitrate;
    std::uint32_t frame_bytes;
    std::uint32_t frames_per_frame;
};
int ParseMpegAudioHeader(const unsigned char bytes[4], MpegAudioFrameHeader* header);

// ---- buffers (sound_buffers.cpp) -------------------------------------------------------
int CreateSoundBufferRecord(SoundBufferRecord* record, const DSBUFFERDESC* desc);
int DuplicateSoundBufferRecord(SoundBufferRecord* record, const SoundBufferRecord* source);
int ReleaseSoundBufferRecord(SoundBufferRecord* record);
int PlaySoundBufferRecord(SoundBufferRecord* record, int loop);
int StopSoundBufferRecord(SoundBufferRecord* record);
int GetSoundBufferStatus(SoundBufferRecord* record, DWORD* status);
int LockSoundBufferRecord(SoundBufferRecord* record, DWORD offset, DWORD bytes, void** first, DWORD* first_bytes,
                          void** second, DWORD* second_bytes);
int UnlockSoundBufferRecord(SoundBufferRecord* record, void* first, DWORD first_bytes, void* second,
                            DWORD second_bytes);
int SetSoundBufferPosition(SoundBufferRecord* record, DWORD position);
int GetSoundBufferCursor(SoundBufferRecord* record, DWORD* cursor);
// -1 when DirectSound refuses the buffer (the load then fails).
int CreateSoundBuffers(const WAVEFORMATEX& format, std::uint32_t bytes, int stream_flag, int count, int sound);

// ---- MIDI and the modes that stay off (midi_music.cpp) -------------------------------
int DeleteAllMidiHandles();
int EndWavCapture();

// ---- stream sounds (stream_sound.cpp) --------------------------------------------------
// Unlinks and closes everything a stream sound owns (its sources and ring).
void ReleaseStreamSoundParts(int sound, SoundRecord* record);
// Puts the stream back before its first source, nothing written or played.
void RewindStreamSound(SoundRecord* record);
// The samples of one source (a Vorbis source its exact length).
std::int64_t StreamSourceSamples(SoundConvertRecord* converter);
