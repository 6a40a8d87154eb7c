// MPEG audio files made by the tests: silent MPEG-1 Layer III frames (zero side
// information, so every granule decodes to silence) with optional ID3v2 and ID3v1 tags.
#pragma once

#include "tests/sound/sound_fixture.h"

namespace sound_test {

// One 128 kbit/s, 44.1 kHz frame without padding: 417 bytes, 1152 frames.
inline Bytes SilentLayer3Frame(bool mono = false) {
    Bytes frame(417, 0);
    frame[0] = 0xFF;
    frame[1] = 0xFB;
    frame[2] = 0x90;
    frame[3] = mono ? 0xC0 : 0x00;
    return frame;
}

inline Bytes Id3v2Tag(int version, bool footer, std::uint32_t body_bytes) {
    Bytes tag;
    PutText(tag, "ID3");
    tag.push_back(static_cast<unsigned char>(version));
    tag.push_back(0);
    tag.push_back(footer ? 0x10 : 0x00);
    tag.push_back(static_cast<unsigned char>((body_bytes >> 21) & 0x7F));
    tag.push_back(static_cast<unsigned char>((body_bytes >> 14) & 0x7F));
    tag.push_back(static_cast<unsigned char>((body_bytes >> 7) & 0x7F));
    tag.push_back(static_cast<unsigned char>(body_bytes & 0x7F));
    // A body that looks like frame syncs: the scan must step over all of it.
    for (std::uint32_t i = 0; i < body_bytes; ++i) tag.push_back(i % 2 == 0 ? 0xFF : 0xFB);
    if (footer) {
        PutText(tag, "3DI");
        tag.insert(tag.end(), tag.begin() + 3, tag.begin() + 10);
    }
    return tag;
}

inline Bytes Id3v1Tag() {
    Bytes tag;
    PutText(tag, "TAG");
    while (tag.size() < 128) tag.push_back(tag.size() % 2 == 0 ? 0xFF : 0xFB);
    return tag;
}

inline Bytes SilentMp3(int frames, bool v2_footer_tag, bool v1_tag, bool mono = false) {
    Bytes out;
    if (v2_footer_tag) {
        const Bytes tag = Id3v2Tag(4, true, 200);
        out.insert(out.end(), tag.begin(), tag.end());
    }
    for (int i = 0; i < frames; ++i) {
        const Bytes frame = SilentLayer3Frame(mono);
        out.insert(out.end(), frame.begin(), frame.end());
    }
    if (v1_tag) {
        const Bytes tag = Id3v1Tag();
        out.insert(out.end(), tag.begin(), tag.end());
    }
    return out;
}

}  // namespace sound_test
