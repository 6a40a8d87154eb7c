// The sound converter: exact PCM from PCM WAV files, the chunk walk and its refusals,
// compressed WAVs (IMA and Microsoft ADPCM, A-law, mu-law), MP3 with tags, Ogg Vorbis
// from the game's data, and seeks.
#include "tests/sound/mpeg_fixture.h"

namespace sound_test {
namespace {

class ConverterTest : public SoundTest {};

// Hashes of the decoded fixtures, taken once from this decoder; the sample checks beside
// them were worked out by hand from the decoding rules.
constexpr std::uint64_t kImaHash = 4944542517469371893ull;
constexpr std::uint64_t kMsAdpcmHash = 17953696073390678907ull;

TEST_F(ConverterTest, PcmWavGivesItsSamplesExactly) {
    const Bytes data = Ramp16(1000, 2);
    MemoryConverter c(MakeWav({}, data));
    ASSERT_EQ(c.result(), 0);
    EXPECT_EQ(c.record()->kind, kConvertWavPcm);
    EXPECT_EQ(GetSoundConverterPcmBytes(c.record()), 4000);
    EXPECT_EQ(c.record()->format.nAvgBytesPerSec, 176400u);
    EXPECT_EQ(c.ReadAll(), data);
    EXPECT_EQ(c.record()->end_flag, 1);
}

TEST_F(ConverterTest, SixteenByteFormatTakesBitsFromBlockAlign) {
    WavFields f;
    f.channels = 1;
    f.bits = 0;     // stated wrongly; a 16-byte chunk derives it
    f.align = 1;    // 8-bit mono
    f.rate = 11025;
    const Bytes data = {0x80, 0x90, 0xA0, 0x70};
    MemoryConverter c(MakeWav(f, data));
    ASSERT_EQ(c.result(), 0);
    EXPECT_EQ(c.record()->format.wBitsPerSample, 8);
    EXPECT_EQ(c.record()->format.cbSize, 0);
    EXPECT_EQ(c.ReadAll(), data);
}

TEST_F(ConverterTest, OddChunkBeforeDataIsSkippedWithItsPadByte) {
    WavFields f;
    Bytes list;
    PutText(list, "LIST");
    Put32(list, 3);
    list.insert(list.end(), {'a', 'b', 'c', 0});
    f.before_data = list;
    const Bytes data = Ramp16(10, 2);
    MemoryConverter c(MakeWav(f, data));
    ASSERT_EQ(c.result(), 0);
    EXPECT_EQ(c.ReadAll(), data);
}

TEST_F(ConverterTest, TruncatedDataChunkKeepsWhatIsThere) {
    WavFields f;
    f.data_size = 0x7FFFFFF0;
    const Bytes data = Ramp16(100, 2);
    MemoryConverter c(MakeWav(f, data));
    ASSERT_EQ(c.result(), 0);
    EXPECT_EQ(GetSoundConverterPcmBytes(c.record()), 400);
    EXPECT_EQ(c.ReadAll(), data);
}

struct Refusal {
    const char* name;
    WavFields fields;
};

TEST_F(ConverterTest, BrokenWavHeadersAreRefusedByEveryOpener) {
    const auto with = [](auto change) {
        WavFields f;
        change(f);
        return f;
    };
    const Refusal cases[] = {
        {"no data chunk", with([](WavFields& f) { f.data_chunk = false; })},
        {"zero channels", with([](WavFields& f) { f.channels = 0; f.align = 4; })},
        {"zero block align", with([](WavFields& f) { f.bits = 16; })},
        {"zero rate", with([](WavFields& f) { f.rate = 0; })},
        {"24-bit samples", with([](WavFields& f) { f.bits = 24; f.format_bytes = 18; })},
        {"nine channels", with([](WavFields& f) { f.channels = 9; f.format_bytes = 18; })},
        {"huge format chunk", with([](WavFields& f) { f.format_bytes = 5000; })},
        {"compressed format with extra bytes past its chunk",
         with([](WavFields& f) { f.tag = 0x11; f.bits = 4; f.align = 256; f.channels = 1; f.format_bytes = 18; f.extra = {}; })},
        {"unknown compression", with([](WavFields& f) { f.tag = 0x1234; f.format_bytes = 18; })},
    };
    for (const Refusal& c : cases) {
        Bytes file = MakeWav(c.fields, Ramp16(64, 2));
        if (std::string(c.name) == "compressed format with extra bytes past its chunk") file[36] = 40;  // cbSize 40
        if (std::string(c.name) == "zero block align") file[32] = file[33] = 0;
        MemoryConverter converter(file);
        EXPECT_EQ(converter.result(), -1) << c.name;
    }
    // A chunk before "data" that claims more than the file holds.
    WavFields f;
    Bytes chunk;
    PutText(chunk, "junk");
    Put32(chunk, 0xFFFFFFF0u);
    f.before_data = chunk;
    MemoryConverter c(MakeWav(f, Ramp16(8, 2)));
    EXPECT_EQ(c.result(), -1);
}

TEST_F(ConverterTest, PcmSeekLandsOnTheFrame) {
    const Bytes data = Ramp16(50000, 2);
    MemoryConverter c(MakeWav({}, data));
    ASSERT_EQ(c.result(), 0);
    EXPECT_EQ(SeekSoundConverter(c.record(), 30000), 0);
    const Bytes rest = c.ReadAll();
    EXPECT_EQ(rest, Bytes(data.begin() + 120000, data.end()));
    // Within 16 bytes of the position nothing moves.
    SeekSoundConverter(c.record(), 100);
    unsigned char four[4];
    ASSERT_EQ(ReadSoundConverterPcm(c.record(), four, 4), 4);
    SeekSoundConverter(c.record(), 102);
    unsigned char next[4];
    ASSERT_EQ(ReadSoundConverterPcm(c.record(), next, 4), 4);
    EXPECT_EQ(0, std::memcmp(next, data.data() + 404, 4));
}

// IMA ADPCM, mono, 256-byte blocks (505 frames each), three whole blocks and a short last one.
Bytes ImaFile(Bytes* data_out = nullptr) {
    WavFields f;
    f.tag = 0x11;
    f.channels = 1;
    f.rate = 22050;
    f.bits = 4;
    f.align = 256;
    f.average = 11100;
    f.format_bytes = 20;
    f.extra = {0xF9, 0x01};  // 505 frames per block
    Bytes data;
    for (int block = 0; block < 4; ++block) {
        const int length = block < 3 ? 256 : 100;
        Put16(data, static_cast<std::uint32_t>(1000 * (block + 1)));
        data.push_back(static_cast<unsigned char>(10 + block));
        data.push_back(0);
        for (int i = 4; i < length; ++i) data.push_back(static_cast<unsigned char>((i * 37 + block) & 0xFF));
    }
    if (data_out != nullptr) *data_out = data;
    return MakeWav(f, data);
}

TEST_F(ConverterTest, ImaAdpcmDecodesWholeBlocksAndTheShortLastOne) {
    MemoryConverter c(ImaFile());
    ASSERT_EQ(c.result(), 0);
    EXPECT_EQ(c.record()->kind, kConvertAcm);
    EXPECT_EQ(c.record()->format.wBitsPerSample, 16);
    EXPECT_EQ(c.record()->format.nSamplesPerSec, 22050u);
    EXPECT_GE(GetSoundConverterPcmBytes(c.record()), (3 * 505 + 193) * 2);
    const Bytes pcm = c.ReadAll();
    ASSERT_EQ(pcm.size(), static_cast<std::size_t>((3 * 505 + 193) * 2));
    // The header sample first.
    EXPECT_EQ(static_cast<std::int16_t>(pcm[0] | (pcm[1] << 8)), 1000);
    // Byte 4 of block 0 is 148 (0x94): low nibble 4 at index 10 (step 19): 19/8 + 19 = 21.
    EXPECT_EQ(static_cast<std::int16_t>(pcm[2] | (pcm[3] << 8)), 1021);
    EXPECT_EQ(static_cast<std::int16_t>(pcm[505 * 2] | (pcm[505 * 2 + 1] << 8)), 2000);
    EXPECT_EQ(Fnv1a(pcm.data(), pcm.size()), kImaHash);
}

TEST_F(ConverterTest, AcmSeekBackRestartsAndForwardDecodes) {
    MemoryConverter whole(ImaFile());
    ASSERT_EQ(whole.result(), 0);
    const Bytes all = whole.ReadAll();
    MemoryConverter c(ImaFile());
    ASSERT_EQ(c.result(), 0);
    c.ReadAll();
    SeekSoundConverter(c.record(), 0);
    EXPECT_EQ(c.ReadAll(), all);
    SeekSoundConverter(c.record(), 700);
    EXPECT_EQ(c.ReadAll(), Bytes(all.begin() + 1400, all.end()));
    SeekSoundConverter(c.record(), 100000);  // past the end: the next read finds the end
    EXPECT_TRUE(c.ReadAll().empty());
}

TEST_F(ConverterTest, MicrosoftAdpcmDecodesItsBlocks) {
    WavFields f;
    f.tag = 0x02;
    f.channels = 2;
    f.rate = 22050;
    f.bits = 4;
    f.align = 512;
    f.average = 22311;
    const int coefficients[7][2] = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};
    Bytes extra;
    Put16(extra, 500);  // frames per block: (512 - 14) + 2
    Put16(extra, 7);
    for (const auto& pair : coefficients) {
        Put16(extra, static_cast<std::uint16_t>(pair[0]));
        Put16(extra, static_cast<std::uint16_t>(pair[1]));
    }
    f.extra = extra;
    f.format_bytes = 18 + 32;
    Bytes data;
    for (int block = 0; block < 2; ++block) {
        data.push_back(1);
        data.push_back(4);
        Put16(data, 16);
        Put16(data, 20);
        Put16(data, 100);
        Put16(data, static_cast<std::uint16_t>(-100));
        Put16(data, 50);
        Put16(data, static_cast<std::uint16_t>(-50));
        for (int i = 14; i < 512; ++i) data.push_back(static_cast<unsigned char>((i * 29) & 0xFF));
    }
    MemoryConverter c(MakeWav(f, data));
    ASSERT_EQ(c.result(), 0);
    const Bytes pcm = c.ReadAll();
    ASSERT_EQ(pcm.size(), 2u * 500 * 4);
    // Each block opens with its second, then its first sample per channel.
    EXPECT_EQ(static_cast<std::int16_t>(pcm[0] | (pcm[1] << 8)), 50);
    EXPECT_EQ(static_cast<std::int16_t>(pcm[2] | (pcm[3] << 8)), -50);
    EXPECT_EQ(static_cast<std::int16_t>(pcm[4] | (pcm[5] << 8)), 100);
    EXPECT_EQ(static_cast<std::int16_t>(pcm[6] | (pcm[7] << 8)), -100);
    EXPECT_EQ(Fnv1a(pcm.data(), pcm.size()), kMsAdpcmHash);
}

// Code 1 shrinks the step (230 / 256 of it) but never below 16: from a step of 16 every
// code 1 adds 16 to the previous sample.
TEST_F(ConverterTest, MicrosoftAdpcmStepStaysAtLeastSixteen) {
    WavFields f;
    f.tag = 0x02;
    f.channels = 1;
    f.rate = 22050;
    f.bits = 4;
    f.align = 11;
    f.average = 24255;
    Bytes extra;
    Put16(extra, 10);  // frames per block: the two in the header and eight codes
    Put16(extra, 1);
    Put16(extra, 256);  // the one predictor: the previous sample
    Put16(extra, 0);
    f.extra = extra;
    f.format_bytes = 18 + 8;
    Bytes block = {0};
    Put16(block, 16);  // step
    Put16(block, 0);   // first sample
    Put16(block, 0);   // second sample
    block.insert(block.end(), 4, 0x11);
    MemoryConverter c(MakeWav(f, block));
    ASSERT_EQ(c.result(), 0);
    const Bytes pcm = c.ReadAll();
    std::vector<std::int16_t> samples;
    for (std::size_t i = 0; i + 1 < pcm.size(); i += 2) samples.push_back(static_cast<std::int16_t>(pcm[i] | (pcm[i + 1] << 8)));
    EXPECT_EQ(samples, (std::vector<std::int16_t>{0, 0, 16, 32, 48, 64, 80, 96, 112, 128}));
}

TEST_F(ConverterTest, G711CodesGiveTheirLinearValues) {
    struct Case {
        std::uint16_t tag;
        unsigned char code;
        std::int16_t value;
    };
    const Case cases[] = {{6, 0xD5, 8}, {6, 0x55, -8}, {6, 0xAA, 32256}, {7, 0x80, 32124}, {7, 0x00, -32124},
                          {7, 0xFF, 0}, {7, 0x7F, 0}};
    for (const Case& k : cases) {
        WavFields f;
        f.tag = k.tag;
        f.channels = 1;
        f.bits = 8;
        f.rate = 8000;
        f.format_bytes = 18;
        MemoryConverter c(MakeWav(f, Bytes(4, k.code)));
        ASSERT_EQ(c.result(), 0) << int(k.code);
        const Bytes pcm = c.ReadAll();
        ASSERT_EQ(pcm.size(), 8u);
        EXPECT_EQ(static_cast<std::int16_t>(pcm[0] | (pcm[1] << 8)), k.value) << k.tag << " " << int(k.code);
    }
}

TEST_F(ConverterTest, MpegHeaderTable) {
    struct Case {
        unsigned char b[4];
        int result;
        int layer, version;
        std::uint32_t rate, bitrate, bytes, frames;
        int channels;
    };
    const Case cases[] = {
        {{0xFF, 0xFB, 0x90, 0x00}, 0, 2, 0, 44100, 128, 417, 1152, 2},
        {{0xFF, 0xFB, 0x92, 0xC0}, 0, 2, 0, 44100, 128, 418, 1152, 1},
        {{0xFF, 0xF3, 0x84, 0x00}, 0, 2, 1, 24000, 64, 192, 576, 2},
        {{0xFF, 0xFD, 0xA0, 0x00}, 0, 1, 0, 44100, 192, 626, 1152, 2},
        {{0xFF, 0xFF, 0x70, 0x00}, 0, 0, 0, 44100, 224, 240, 384, 2},
        {{0xFF, 0xF9, 0x90, 0x00}, -1, 0, 0, 0, 0, 0, 0, 0},  // reserved layer
        {{0xFF, 0xFB, 0xF0, 0x00}, -1, 0, 0, 0, 0, 0, 0, 0},  // bit-rate index 15
        {{0xFF, 0xFB, 0x00, 0x00}, -1, 0, 0, 0, 0, 0, 0, 0},  // free format
        {{0xFF, 0xFB, 0x9C, 0x00}, -1, 0, 0, 0, 0, 0, 0, 0},  // rate index 3
        {{0xFE, 0xFB, 0x90, 0x00}, -2, 0, 0, 0, 0, 0, 0, 0},
        {{0xFF, 0xEB, 0x90, 0x00}, -2, 0, 0, 0, 0, 0, 0, 0},
    };
    for (const Case& k : cases) {
        MpegAudioFrameHeader h{};
        ASSERT_EQ(ParseMpegAudioHeader(k.b, &h), k.result) << std::hex << int(k.b[1]) << int(k.b[2]);
        if (k.result != 0) continue;
        EXPECT_EQ(h.layer, k.layer);
        EXPECT_EQ(h.version, k.version);
        EXPECT_EQ(h.sample_rate, k.rate);
        EXPECT_EQ(h.bitrate, k.bitrate);
        EXPECT_EQ(h.frame_bytes, k.bytes);
        EXPECT_EQ(h.frames_per_frame, k.frames);
        EXPECT_EQ(h.channels, k.channels);
    }
}

TEST_F(ConverterTest, Mp3WithBothTagsCountsOnlyItsFrames) {
    MemoryConverter c(SilentMp3(20, true, true));
    ASSERT_EQ(c.result(), 0);
    EXPECT_EQ(c.record()->kind, kConvertAcm);
    // The scan starts after the syncsafe size, the header and the footer: 10 + 200 + 10.
    EXPECT_EQ(c.record()->data_start, 220u);
    EXPECT_EQ(c.record()->data_bytes, 20u * 417);
    EXPECT_EQ(c.record()->acm.mp3_total_frames, 20 * 1152);
    EXPECT_EQ(GetSoundConverterPcmBytes(c.record()), 20 * 1152 * 4);
    const Bytes pcm = c.ReadAll();
    EXPECT_EQ(pcm.size(), 20u * 1152 * 4);
    EXPECT_EQ(Fnv1a(pcm.data(), pcm.size()), Fnv1a(Bytes(pcm.size(), 0).data(), pcm.size()));
    // Back to the start: the spare stream takes over and the whole sound comes again.
    SeekSoundConverter(c.record(), 0);
    EXPECT_EQ(c.ReadAll().size(), 20u * 1152 * 4);
    SeekSoundConverter(c.record(), 1152 * 15);
    EXPECT_EQ(c.ReadAll().size(), 5u * 1152 * 4);
}

TEST_F(ConverterTest, Mp3WithABadFrameHeaderIsRefused) {
    Bytes file = SilentMp3(5, false, false);
    file[417 * 3 + 2] = 0xF0;  // the fourth frame's bit-rate index is 15
    MemoryConverter c(file);
    EXPECT_EQ(c.result(), -1);
}

TEST_F(ConverterTest, OggVorbisReportsExactLengthAndSeeks) {
    MemoryConverter c(ReadFileBytes(std::string(VOMUR_DAT_DIR) + "/gover.ogg"));
    ASSERT_EQ(c.result(), 0);
    EXPECT_EQ(c.record()->kind, kConvertOggVorbis);
    const WAVEFORMATEX& f = c.record()->format;
    EXPECT_EQ(f.nChannels, 2);
    EXPECT_EQ(f.nSamplesPerSec, 32000u);
    const std::int64_t exact = c.record()->data_bytes;
    EXPECT_EQ(GetSoundConverterPcmBytes(c.record()), exact + 44100 * 4);
    WAVEFORMATEX format{};
    unsigned char* block = nullptr;
    std::uint32_t bytes = 0;
    ASSERT_EQ(DecodeSoundConverterToPcm(c.record(), &format, &block, &bytes), 0);
    EXPECT_EQ(bytes, exact);
    const Bytes all(block, block + bytes);
    TrackedFree(block);
    SeekSoundConverter(c.record(), 20000);
    const Bytes rest = c.ReadAll();
    ASSERT_EQ(rest.size(), all.size() - 80000);
    EXPECT_TRUE(std::equal(rest.begin(), rest.end(), all.begin() + 80000));
}

}  // namespace
}  // namespace sound_test
