// The bad-input corpus: truncated and bit-flipped WAV (PCM, IMA and Microsoft ADPCM,
// mu-law), MP3 and Ogg Vorbis files through the converter (open, whole decode, seeks,
// reads) and through stream sounds. Nothing may crash, hang or stay allocated.
#include <random>

#include "tests/sound/mpeg_fixture.h"

namespace sound_test {
namespace {

class SoundMutationTest : public SoundTest {};

Bytes ImaWav() {
    WavFields f;
    f.tag = 0x11;
    f.channels = 2;
    f.rate = 22050;
    f.bits = 4;
    f.align = 512;
    f.format_bytes = 20;
    f.extra = {0xF9, 0x01};
    Bytes data;
    for (int i = 0; i < 512 * 3 + 100; ++i) data.push_back(static_cast<unsigned char>(i * 73));
    return MakeWav(f, data);
}

Bytes MsAdpcmWav() {
    WavFields f;
    f.tag = 0x02;
    f.channels = 1;
    f.rate = 11025;
    f.bits = 4;
    f.align = 256;
    Bytes extra;
    Put16(extra, 500);
    Put16(extra, 2);
    Put16(extra, 256);
    Put16(extra, 0);
    Put16(extra, 512);
    Put16(extra, static_cast<std::uint16_t>(-256));
    f.extra = extra;
    f.format_bytes = 18 + 12;
    Bytes data;
    for (int i = 0; i < 256 * 3; ++i) data.push_back(static_cast<unsigned char>(i % 256 == 0 ? 1 : i * 31));
    return MakeWav(f, data);
}

Bytes MuLawWav() {
    WavFields f;
    f.tag = 7;
    f.channels = 2;
    f.bits = 8;
    f.rate = 8000;
    f.format_bytes = 18;
    Bytes data;
    for (int i = 0; i < 1000; ++i) data.push_back(static_cast<unsigned char>(i * 13));
    return MakeWav(f, data);
}

// Opens, decodes whole, seeks about and reads; everything it made it frees.
void Exercise(const Bytes& file) {
    MemoryConverter c(file);
    if (c.result() != 0) return;
    WAVEFORMATEX format{};
    unsigned char* block = nullptr;
    std::uint32_t bytes = 0;
    if (DecodeSoundConverterToPcm(c.record(), &format, &block, &bytes) == 0) {
        EXPECT_LE(static_cast<std::int64_t>(bytes), GetSoundConverterPcmBytes(c.record()));
        TrackedFree(block);
    }
    SeekSoundConverter(c.record(), 5000);
    unsigned char buffer[777];
    ReadSoundConverterPcm(c.record(), buffer, sizeof(buffer));
    SeekSoundConverter(c.record(), 0);
    c.ReadAll();
    SeekSoundConverter(c.record(), 0xFFFFFFF0u);
    c.ReadAll();
}

// The same bytes as a stream sound decoded from memory while it plays.
void ExerciseStream(const Bytes& file, ManualClock& clock) {
    const int h = AddSoundData();
    ASSERT_GE(h, 0);
    StreamDescriptor stream{};
    stream.functions = *GetMemoryStreamFunctions();
    stream.handle = OpenMemoryStream(file.data(), static_cast<std::uint32_t>(file.size()));
    int close_stream = 0;
    if (AddSreamSound(stream, 0, h, 2, &close_stream, -1) == 0) {
        PlayStreamSound(h, 3, 1);
        for (int i = 0; i < 5; ++i) {
            clock.AdvanceMs(400);
            RefillStreamSound(h);
        }
    }
    CloseMemoryStream(stream.handle);
    DeleteSoundHandle(h);
}

struct Base {
    const char* name;
    Bytes bytes;
    int flips;
    int cuts;
};

TEST_F(SoundMutationTest, TruncatedAndBitFlippedFilesAreHandled) {
    std::vector<Base> bases = {
        {"pcm", MakeWav({}, Ramp16(3000, 2)), 150, 60},
        {"ima", ImaWav(), 150, 60},
        {"msadpcm", MsAdpcmWav(), 150, 60},
        {"mulaw", MuLawWav(), 80, 30},
        {"mp3", SilentMp3(12, true, true), 150, 60},
        {"ogg", ReadFileBytes(std::string(VOMUR_DAT_DIR) + "/gover.ogg"), 60, 25},
    };
    ASSERT_GT(bases.back().bytes.size(), 1000u);
    std::mt19937 random(20261211);
    for (const Base& base : bases) {
        SCOPED_TRACE(base.name);
        const std::size_t size = base.bytes.size();
        for (int i = 0; i < base.cuts; ++i) {
            // Every short length, then lengths spread over the file.
            const std::size_t length = i < 48 ? static_cast<std::size_t>(i) : random() % size;
            const Bytes cut(base.bytes.begin(), base.bytes.begin() + static_cast<std::ptrdiff_t>(length));
            Exercise(cut);
        }
        for (int i = 0; i < base.flips; ++i) {
            Bytes flipped = base.bytes;
            const int count = 1 + static_cast<int>(random() % 4);
            for (int k = 0; k < count; ++k) {
                // Mostly in the headers, where a flip changes the most.
                const std::size_t at = (random() % 3 == 0) ? random() % size : random() % std::min<std::size_t>(size, 200);
                flipped[at] ^= static_cast<unsigned char>(1u << (random() % 8));
            }
            Exercise(flipped);
            if (i % 10 == 0) ExerciseStream(flipped, clock_);
        }
    }
}

}  // namespace
}  // namespace sound_test
