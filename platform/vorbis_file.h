// The Ogg Vorbis file reader of the platform layer: libvorbisfile's reader over the
// caller's read, seek, close and tell callbacks, behind an opaque record.
#pragma once

#include <cstddef>
#include <cstdint>

struct OggVorbisReader;

struct OggVorbisCallbacks {
    std::size_t (*read)(void* buffer, std::size_t size, std::size_t count, void* source);
    int (*seek)(void* source, std::int64_t offset, int origin);
    int (*close)(void* source);
    long (*tell)(void* source);
};

// Negative results of the reader.
constexpr int kOggVorbisHole = -3;  // a gap in the data; reading goes on after it

// Null when the data is not an Ogg Vorbis stream (or memory ran out).
OggVorbisReader* OggVorbisOpen(void* source, const OggVorbisCallbacks& callbacks);
void OggVorbisClose(OggVorbisReader* reader);
// Channels and rate of the whole stream (link -1); false when unknown.
bool OggVorbisInfo(OggVorbisReader* reader, int* channels, long* rate);
// PCM frames of the whole stream, or a negative value when unknown.
std::int64_t OggVorbisPcmTotal(OggVorbisReader* reader);
// Up to `bytes` bytes of signed 16-bit little-endian PCM; 0 at the end; negative on an
// error (kOggVorbisHole for a gap).
long OggVorbisRead(OggVorbisReader* reader, char* buffer, int bytes);
// 0 on success.
int OggVorbisPcmSeek(OggVorbisReader* reader, std::int64_t frame);
