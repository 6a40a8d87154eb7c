// Whole-file sounds on the manual clock: loading, the buffer rotation and restart
// rules, positions, play and wait, the mixed samples, and the failures that must leave
// nothing behind.
#include "tests/sound/mpeg_fixture.h"

namespace sound_test {
namespace {

class WholeFileTest : public SoundTest {};

int16_t At(const std::vector<std::int16_t>& v, std::size_t i) { return v[i]; }

TEST_F(WholeFileTest, LoadedSoundPlaysItsSamplesIntoTheMix) {
    const Bytes data = Ramp16(4410, 2);
    const int h = LoadSoundFile(Write("a.wav", MakeWav({}, data)).c_str(), 3, -1);
    ASSERT_GE(h, 0);
    EXPECT_EQ(GetSoundTotalSamples(h), 4410);
    EXPECT_EQ(GetSoundTotalLengthMs(h), 100);
    ASSERT_EQ(PlaySoundHandle(h, 1, 1), 0);
    EXPECT_EQ(CheckSoundHandlePlaying(h), 1);
    clock_.AdvanceMs(200);
    const std::vector<std::int16_t> mixed = audio_.TakeMixed();
    ASSERT_EQ(mixed.size(), 8820u * 2);
    for (std::size_t i = 0; i < 4410 * 2; ++i) {
        ASSERT_EQ(At(mixed, i), static_cast<std::int16_t>(data[2 * i] | (data[2 * i + 1] << 8))) << i;
    }
    for (std::size_t i = 4410 * 2; i < mixed.size(); ++i) ASSERT_EQ(mixed[i], 0);
    EXPECT_EQ(CheckSoundHandlePlaying(h), 0);
    // At its natural end the cursor went back to the start.
    EXPECT_EQ(GetSoundPlayPositionMs(h), 0);
}

TEST_F(WholeFileTest, BufferCountAndRotation) {
    const std::string file = Write("a.wav", MakeWav({}, Ramp16(44100, 2)));
    const int twelve = LoadSoundFile(file.c_str(), 12, -1);
    ASSERT_GE(twelve, 0);
    EXPECT_EQ(FindSoundRecord(twelve)->buffer_count, 10);
    EXPECT_EQ(LoadSoundFile(file.c_str(), 0, -1), -1);
    const int h = LoadSoundFile(file.c_str(), 3, -1);
    std::vector<int> used;
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(PlaySoundHandle(h, 1, 1), 0);
        used.push_back(FindSoundRecord(h)->current_buffer);
    }
    EXPECT_EQ(used, (std::vector<int>{1, 2, 0, 1}));
}

TEST_F(WholeFileTest, RestartZeroLeavesAPlayingBufferAlone) {
    const int h = LoadSoundFile(Write("a.wav", MakeWav({}, Ramp16(44100, 2))).c_str(), 1, -1);
    ASSERT_EQ(PlaySoundHandle(h, 1, 1), 0);
    clock_.AdvanceMs(250);
    ASSERT_EQ(PlaySoundHandle(h, 1, 0), 0);
    EXPECT_EQ(GetSoundPlayPositionMs(h), 250);
    // Any other value restarts the buffer where the previous play is.
    clock_.AdvanceMs(250);
    ASSERT_EQ(PlaySoundHandle(h, 1, 2), 0);
    EXPECT_EQ(GetSoundPlayPositionMs(h), 500);
    ASSERT_EQ(StopSoundHandle(h), 0);
    clock_.AdvanceMs(100);
    EXPECT_EQ(GetSoundPlayPositionMs(h), 500);
    EXPECT_EQ(CheckSoundHandlePlaying(h), 0);
}

TEST_F(WholeFileTest, PositionOfOneSecondOfCdAudio) {
    const int h = LoadSoundFile(Write("a.wav", MakeWav({}, Ramp16(88200, 2))).c_str(), 1, -1);
    ASSERT_EQ(PlaySoundHandle(h, 1, 1), 0);
    clock_.AdvanceMs(1000);
    DWORD cursor = 0;
    ASSERT_EQ(GetSoundBufferCursor(&FindSoundRecord(h)->buffers[0], &cursor), 0);
    EXPECT_EQ(cursor, 176400u);
    EXPECT_EQ(GetSoundPlayPositionMs(h), 1000);
}

TEST_F(WholeFileTest, LoopPlaysOnAndEightBitMonoIsCentred) {
    WavFields f;
    f.channels = 1;
    f.bits = 8;
    f.rate = 44100;
    const Bytes data = {0x80, 0xC0, 0x40, 0xFF};
    const int h = LoadSoundFile(Write("a.wav", MakeWav(f, data)).c_str(), 1, -1);
    ASSERT_EQ(PlaySoundHandle(h, 3, 1), 0);
    clock_.AdvanceNs(10 * 1000000000ull / 44100 + 1);
    const std::vector<std::int16_t> mixed = audio_.TakeMixed();
    ASSERT_EQ(mixed.size(), 20u);
    const std::int16_t expected[4] = {0, 0x4000, -0x4000, 0x7F00};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(mixed[2 * i], expected[i % 4]) << i;
        EXPECT_EQ(mixed[2 * i + 1], expected[i % 4]) << i;
    }
    EXPECT_EQ(CheckSoundHandlePlaying(h), 1);
}

TEST_F(WholeFileTest, OverlappingPlaysAreSummedAndClamped) {
    WavFields f;
    f.channels = 1;
    Bytes data;
    for (int i = 0; i < 100; ++i) Put16(data, 30000);
    const int h = LoadSoundFile(Write("a.wav", MakeWav(f, data)).c_str(), 2, -1);
    ASSERT_EQ(PlaySoundHandle(h, 1, 1), 0);
    ASSERT_EQ(PlaySoundHandle(h, 1, 1), 0);
    clock_.AdvanceMs(1);
    const std::vector<std::int16_t> mixed = audio_.TakeMixed();
    ASSERT_FALSE(mixed.empty());
    EXPECT_EQ(mixed[0], 32767);
}

TEST_F(WholeFileTest, HalfRateSoundIsResampled) {
    WavFields f;
    f.channels = 1;
    f.rate = 22050;
    Bytes data;
    for (int i = 0; i < 100; ++i) Put16(data, static_cast<std::uint32_t>(i * 100));
    const int h = LoadSoundFile(Write("a.wav", MakeWav(f, data)).c_str(), 1, -1);
    ASSERT_EQ(PlaySoundHandle(h, 1, 1), 0);
    clock_.AdvanceNs(6 * 1000000000ull / 44100 + 1);
    const std::vector<std::int16_t> mixed = audio_.TakeMixed();
    ASSERT_EQ(mixed.size(), 12u);
    const std::int16_t expected[6] = {0, 50, 100, 150, 200, 250};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(mixed[2 * i], expected[i]) << i;
}

TEST_F(WholeFileTest, PlayAndWaitReturnsWhenTheSoundEnds) {
    const int h = LoadSoundFile(Write("a.wav", MakeWav({}, Ramp16(22050, 2))).c_str(), 1, -1);
    const std::uint64_t before = clock_.Nanoseconds();
    ASSERT_EQ(PlaySoundHandle(h, 0, 1), 0);
    const std::uint64_t waited_ms = (clock_.Nanoseconds() - before) / 1000000;
    EXPECT_GE(waited_ms, 500u);
    EXPECT_LE(waited_ms, 502u);
    EXPECT_EQ(CheckSoundHandlePlaying(h), 0);
}

TEST_F(WholeFileTest, Mp3AndCompressedWavLoadAsWholeFiles) {
    const int mp3 = LoadSoundFile(Write("a.mp3", SilentMp3(10, true, true)).c_str(), 3, -1);
    ASSERT_GE(mp3, 0);
    EXPECT_EQ(GetSoundTotalSamples(mp3), 11520);
    WavFields f;
    f.tag = 7;
    f.channels = 1;
    f.bits = 8;
    f.rate = 8000;
    f.format_bytes = 18;
    const int mulaw = LoadSoundFile(Write("b.wav", MakeWav(f, Bytes(800, 0x80))).c_str(), 1, -1);
    ASSERT_GE(mulaw, 0);
    EXPECT_EQ(GetSoundTotalSamples(mulaw), 800);
    EXPECT_EQ(FindSoundRecord(mulaw)->format.wBitsPerSample, 16);
}

TEST_F(WholeFileTest, FailuresLeaveNothingBehind) {
    const std::string file = Write("a.wav", MakeWav({}, Ramp16(1000, 2)));
    StartTestLog();
    EXPECT_EQ(LoadSoundFile("missing.wav", 1, -1), -1);
    EXPECT_EQ(ReadTestLogWithoutStamps(),
              "右記のファイルのオープンに失敗しました：missing.wav\r\n"
              "右記の音声ファイルのロードに失敗しました_1：missing.wav\r\n");
    {
        SoundFailure fail("DirectSoundBuffer.Lock");
        StartTestLog();
        EXPECT_EQ(LoadSoundFile(file.c_str(), 3, -1), -1);
        EXPECT_EQ(ReadTestLogWithoutStamps(),
                  "サウンドデータの転送に失敗しました_1右記の音声ファイルのロードに失敗しました_2：a.wav\r\n");
    }
    {
        SoundFailure fail("DirectSoundBuffer.Unlock");
        EXPECT_EQ(LoadSoundFile(file.c_str(), 3, -1), -1);
    }
    {
        // A buffer DirectSound refuses in both flag sets fails the load instead of the process.
        SoundFailure fail("DirectSound.CreateSoundBuffer");
        EXPECT_EQ(LoadSoundFile(file.c_str(), 3, -1), -1);
    }
    {
        SoundFailure fail("DirectSound.DuplicateSoundBuffer", 1);
        const int h = LoadSoundFile(file.c_str(), 3, -1);
        ASSERT_GE(h, 0);
        EXPECT_EQ(FindSoundRecord(h)->buffer_count, 1);
    }
    EXPECT_EQ(LoadSoundFile(Write("empty.wav", MakeWav({}, {})).c_str(), 1, -1), -1);
    EXPECT_EQ(Sound().table.live_count, 1);
}

}  // namespace
}  // namespace sound_test
