// The Ogg Vorbis reader behind platform/vorbis_file.h: libvorbisfile's OggVorbis_File
// held in a record of our own, with the caller's callbacks handed through unchanged.
#include <vorbis/vorbisfile.h>

#include <new>

#include "platform/vorbis_file.h"

struct OggVorbisReader {
    OggVorbis_File file;
};

static_assert(kOggVorbisHole == OV_HOLE, "hole code");

OggVorbisReader* OggVorbisOpen(void* source, const OggVorbisCallbacks& callbacks) {
    auto* reader = new (std::nothrow) OggVorbisReader;
    if (reader == nullptr) return nullptr;
    ov_callbacks ov{};
    ov.read_func = callbacks.read;
    ov.seek_func = callbacks.seek;
    ov.close_func = callbacks.close;
    ov.tell_func = callbacks.tell;
    if (ov_open_callbacks(source, &reader->file, nullptr, 0, ov) != 0) {
        delete reader;
        return nullptr;
    }
    return reader;
}

void OggVorbisClose(OggVorbisReader* reader) {
    if (reader == nullptr) return;
    ov_clear(&reader->file);
    delete reader;
}

bool OggVorbisInfo(OggVorbisReader* reader, int* channels, long* rate) {
    const vorbis_info* info = ov_info(&reader->file, -1);
    if (info == nullptr) return false;
    *channels = info->channels;
    *rate = info->rate;
    return true;
}

std::int64_t OggVorbisPcmTotal(OggVorbisReader* reader) { return ov_pcm_total(&reader->file, -1); }

long OggVorbisRead(OggVorbisReader* reader, char* buffer, int bytes) {
    int section = 0;
    return ov_read(&reader->file, buffer, bytes, 0, 2, 1, &section);
}

int OggVorbisPcmSeek(OggVorbisReader* reader, std::int64_t frame) { return ov_pcm_seek(&reader->file, frame); }
