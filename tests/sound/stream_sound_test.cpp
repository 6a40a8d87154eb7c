// Stream sounds on the manual clock: the ring and refill sizes, the write window, the
// ring's bytes against the source, the end of the data, looping positions, source
// limits, 8-bit padding and the plays after the end.
#include "tests/sound/sound_fixture.h"
#include "tests/support/engine_testing/sound_testing.h"

namespace sound_test {
namespace {

class StreamSoundTest : public SoundTest {
protected:
    int LoadStream(const std::string& name, const Bytes& wav) {
        SetSoundDataCreateType(3);
        const int h = LoadSoundFile(Write(name, wav).c_str(), 1, -1);
        SetSoundDataCreateType(0);
        return h;
    }
    // Lets `ms` of play pass, then runs the refill as a frame would.
    void Pass(std::uint32_t ms) {
        clock_.AdvanceMs(ms);
        RefillAllStreamSounds();
    }
    Bytes Ring(int h, std::uint32_t offset, std::uint32_t bytes) {
        SoundBufferRecord* ring = &FindSoundRecord(h)->buffers[0];
        void* a = nullptr;
        void* b = nullptr;
        DWORD na = 0, nb = 0;
        EXPECT_EQ(LockSoundBufferRecord(ring, offset, bytes, &a, &na, &b, &nb), 0);
        Bytes out(static_cast<unsigned char*>(a), static_cast<unsigned char*>(a) + na);
        if (b != nullptr) out.insert(out.end(), static_cast<unsigned char*>(b), static_cast<unsigned char*>(b) + nb);
        UnlockSoundBufferRecord(ring, a, na, b, nb);
        return out;
    }
};

constexpr std::uint32_t kA = 176400;

TEST_F(StreamSoundTest, RingFirstFillAndRefillSizes) {
    const Bytes data = Ramp16(44100 * 10, 2);
    const int h = LoadStream("long.wav", MakeWav({}, data));
    ASSERT_GE(h, 0);
    SoundRecord* r = FindSoundRecord(h);
    EXPECT_EQ(r->stream_flag, 1);
    EXPECT_EQ(r->ring_bytes, 1058400u);
    EXPECT_EQ(r->ring_write, 705600);
    EXPECT_EQ(r->ring_window_start, 0);
    EXPECT_EQ(Ring(h, 0, 705600), Bytes(data.begin(), data.begin() + 705600));
    EXPECT_EQ(GetSoundTotalSamples(h), 441000);
    ASSERT_EQ(PlaySoundHandle(h, 1, 1), 0);
    // 0.5 s played: 3.5 s ahead, so an eighth of a second rounded to the block align.
    Pass(500);
    EXPECT_EQ(r->ring_write, 705600 + 22048);
    // 1.5 s played: 2.5 s ahead of a W at 4.125 s minus... lead back to three seconds.
    clock_.AdvanceMs(1000);
    const std::int32_t before = r->ring_write;
    DWORD cursor = 0;
    GetSoundBufferCursor(&r->buffers[0], &cursor);
    const std::uint32_t lead = static_cast<std::uint32_t>(before) - cursor;
    ASSERT_EQ(RefillStreamSound(h), 0);
    const std::uint32_t lead128 = lead * 128 / kA;
    EXPECT_EQ(static_cast<std::uint32_t>(r->ring_write - before), ((384 - lead128) * kA / 128) / 4 * 4);
    EXPECT_EQ(Ring(h, 0, static_cast<std::uint32_t>(r->ring_write)),
              Bytes(data.begin(), data.begin() + r->ring_write));
}

TEST_F(StreamSoundTest, LeadOfTwoAndAHalfSecondsWritesHalfASecond) {
    const int h = LoadStream("long.wav", MakeWav({}, Ramp16(44100 * 10, 2)));
    SoundRecord* r = FindSoundRecord(h);
    ASSERT_EQ(PlaySoundHandle(h, 1, 1), 0);
    Pass(1500);  // cursor 1.5 s, W 4 s
    EXPECT_EQ(r->ring_write, 705600 + 88200);
    EXPECT_EQ(r->ring_window_start, 88200);
}

TEST_F(StreamSoundTest, MoreThanFourSecondsAheadWritesNothing) {
    const int h = LoadStream("long.wav", MakeWav({}, Ramp16(44100 * 10, 2)));
    SoundRecord* r = FindSoundRecord(h);
    ASSERT_EQ(PlaySoundHandle(h, 1, 1), 0);
    ASSERT_EQ(RefillStreamSound(h), 0);  // cursor at 0: 4 s ahead, an eighth more
    EXPECT_EQ(r->ring_write, 705600 + 22048);
    EXPECT_EQ(RefillStreamSound(h), -1);  // now 4.125 s ahead: the cursor is behind the window
    EXPECT_EQ(r->ring_write, 705600 + 22048);
}

TEST_F(StreamSoundTest, EndOfDataDrainsWithSilenceThenStops) {
    const Bytes data = Ramp16(44100, 2);
    const int h = LoadStream("short.wav", MakeWav({}, data));
    SoundRecord* r = FindSoundRecord(h);
    EXPECT_EQ(r->end_reached, 1);
    EXPECT_EQ(r->end_position, 176400u);
    EXPECT_EQ(Ring(h, 176400, 176400), Bytes(176400, 0));
    ASSERT_EQ(PlaySoundHandle(h, 1, 1), 0);
    for (int i = 0; i < 80; ++i) Pass(16);
    EXPECT_EQ(CheckSoundHandlePlaying(h), 0);
    EXPECT_EQ(GetSoundPlayPositionMs(h), 1000);
    const std::vector<std::int16_t> mixed = audio_.TakeMixed();
    ASSERT_GE(mixed.size(), 88200u);
    for (std::size_t i = 0; i < 88200; ++i) {
        ASSERT_EQ(mixed[i], static_cast<std::int16_t>(data[2 * i] | (data[2 * i + 1] << 8))) << i;
    }
    for (std::size_t i = 88200; i < mixed.size(); ++i) ASSERT_EQ(mixed[i], 0) << i;
    // Played again with restart 0 after its end, it starts over from the first source.
    ASSERT_EQ(PlaySoundHandle(h, 1, 0), 0);
    Pass(500);
    EXPECT_EQ(GetSoundPlayPositionMs(h), 500);
    EXPECT_EQ(CheckSoundHandlePlaying(h), 1);
}

TEST_F(StreamSoundTest, StopKeepsThePlaceAndRestartZeroGoesOn) {
    const int h = LoadStream("long.wav", MakeWav({}, Ramp16(44100 * 10, 2)));
    ASSERT_EQ(PlaySoundHandle(h, 1, 1), 0);
    Pass(700);
    ASSERT_EQ(StopSoundHandle(h), 0);
    Pass(700);
    EXPECT_EQ(GetSoundPlayPositionMs(h), 700);
    ASSERT_EQ(PlaySoundHandle(h, 1, 0), 0);
    Pass(300);
    EXPECT_EQ(GetSoundPlayPositionMs(h), 1000);
    ASSERT_EQ(PlaySoundHandle(h, 1, 1), 0);
    Pass(200);
    EXPECT_EQ(GetSoundPlayPositionMs(h), 200);
}

// A short stream has all its data in the ring from the first fill; stopped before that
// data played out, restart 0 goes on with the rest of it, not from the top.
TEST_F(StreamSoundTest, StopBeforeTheWrittenEndAndRestartZeroGoesOn) {
    const Bytes data = Ramp16(44100, 2);
    const int h = LoadStream("short.wav", MakeWav({}, data));
    ASSERT_EQ(PlaySoundHandle(h, 1, 1), 0);
    Pass(300);
    ASSERT_EQ(StopSoundHandle(h), 0);
    Pass(400);
    EXPECT_EQ(GetSoundPlayPositionMs(h), 300);
    audio_.TakeMixed();
    ASSERT_EQ(PlaySoundHandle(h, 1, 0), 0);
    Pass(200);
    EXPECT_EQ(GetSoundPlayPositionMs(h), 500);
    const std::vector<std::int16_t> mixed = audio_.TakeMixed();
    ASSERT_GE(mixed.size(), 2u);
    // The first sample mixed after the restart is frame 13230 (0.3 s) of the data.
    EXPECT_EQ(mixed[0], static_cast<std::int16_t>(data[4 * 13230] | (data[4 * 13230 + 1] << 8)));
    for (int i = 0; i < 60; ++i) Pass(16);
    EXPECT_EQ(CheckSoundHandlePlaying(h), 0);
    EXPECT_EQ(GetSoundPlayPositionMs(h), 1000);
}

// A seek puts the stream at the first sample at or after the time: a playing stream
// plays on from there, a stopped one starts there with restart 0; beyond the end is the
// end, and a whole-file sound or a bad handle is refused.
TEST_F(StreamSoundTest, SeekPutsTheStreamAtTheTimesSample) {
    const Bytes data = Ramp16(44100 * 10, 2);
    const int h = LoadStream("long.wav", MakeWav({}, data));
    const auto frame_at = [&](std::uint32_t k, int c) {
        return static_cast<std::int16_t>(data[4 * k + 2 * c] | (data[4 * k + 2 * c + 1] << 8));
    };
    const auto expect_from = [&](const std::vector<std::int16_t>& mixed, std::uint32_t first) {
        ASSERT_GE(mixed.size(), 2u * 441);
        for (std::uint32_t i = 0; i < 441; ++i) {
            ASSERT_EQ(mixed[2 * i], frame_at(first + i, 0)) << "frame " << i;
            ASSERT_EQ(mixed[2 * i + 1], frame_at(first + i, 1)) << "frame " << i;
        }
    };
    ASSERT_EQ(PlaySoundHandle(h, 1, 1), 0);
    Pass(500);
    audio_.TakeMixed();
    // Playing: 7,001 ms is sample 308,745 (308,744.1 rounded up), and it plays on.
    ASSERT_EQ(SeekStreamSound(h, 7001), 0);
    EXPECT_EQ(CheckSoundHandlePlaying(h), 1);
    EXPECT_EQ(GetSoundPlayPositionMs(h), 7001);
    Pass(100);
    expect_from(audio_.TakeMixed(), 308745);
    EXPECT_EQ(GetSoundPlayPositionMs(h), 7101);
    // Stopped: it stays stopped and starts at the sample when played with restart 0.
    ASSERT_EQ(StopSoundHandle(h), 0);
    ASSERT_EQ(SeekStreamSound(h, 2000), 0);
    EXPECT_EQ(CheckSoundHandlePlaying(h), 0);
    Pass(300);
    EXPECT_EQ(GetSoundPlayPositionMs(h), 2000);
    audio_.TakeMixed();
    ASSERT_EQ(PlaySoundHandle(h, 1, 0), 0);
    Pass(100);
    expect_from(audio_.TakeMixed(), 88200);
    // Beyond the end: the end, which plays out at once.
    ASSERT_EQ(SeekStreamSound(h, 60000), 0);
    EXPECT_EQ(GetSoundPlayPositionMs(h), 10000);
    for (int i = 0; i < 10; ++i) Pass(16);
    EXPECT_EQ(CheckSoundHandlePlaying(h), 0);
    EXPECT_EQ(SeekStreamSound(h + 1, 0), -1);
    const int whole = LoadSoundFile(Write("whole.wav", MakeWav({}, Ramp16(4410, 2))).c_str(), 1, -1);
    ASSERT_GE(whole, 0);
    EXPECT_EQ(SeekStreamSound(whole, 0), -1);
}

TEST_F(StreamSoundTest, LoopPositionReturnsWhereTheDataWrapped) {
    // Seven seconds: the data wraps at ring offset 1 s, behind the ring's end, after the
    // cursor itself has wrapped.
    const int h = LoadStream("seven.wav", MakeWav({}, Ramp16(44100 * 7, 2)));
    ASSERT_EQ(PlaySoundHandle(h, 3, 1), 0);
    for (int i = 0; i < 6950 / 50; ++i) Pass(50);
    EXPECT_EQ(FindSoundRecord(h)->wrap_pending, 1);
    EXPECT_EQ(FindSoundRecord(h)->wrap_position, 176400u);
    EXPECT_EQ(GetSoundPlayPositionMs(h), 6950);
    Pass(300);
    EXPECT_EQ(GetSoundPlayPositionMs(h), 250);
    EXPECT_EQ(CheckSoundHandlePlaying(h), 1);
    for (int i = 0; i < 10; ++i) Pass(50);
    EXPECT_EQ(GetSoundPlayPositionMs(h), 750);
}

TEST_F(StreamSoundTest, ShortLoopCountsEveryWrapInTheRing) {
    // One second of data wraps four times within the first fill alone.
    const int h = LoadStream("one.wav", MakeWav({}, Ramp16(44100, 2)));
    ASSERT_EQ(PlaySoundHandle(h, 3, 1), 0);
    const int expected[] = {500, 0, 500, 0, 500, 0, 500, 0, 500, 0, 500, 0};
    for (int step = 0; step < 12; ++step) {
        for (int i = 0; i < 10; ++i) Pass(50);
        EXPECT_EQ(GetSoundPlayPositionMs(h), expected[step]) << step;
    }
}

TEST_F(StreamSoundTest, SourceLimitsAndFormats) {
    const std::string file = Write("a.wav", MakeWav({}, Ramp16(4410, 2)));
    WavFields other;
    other.rate = 22050;
    const std::string other_file = Write("b.wav", MakeWav(other, Ramp16(4410, 2)));
    SetSoundDataCreateType(3);
    const int h = AddSoundData();
    ASSERT_EQ(AddStreamSoundFile(file.c_str(), 0, h, 3, -1), 0);
    StartTestLog();
    EXPECT_EQ(AddStreamSoundFile(other_file.c_str(), 0, h, 3, -1), -1);
    EXPECT_EQ(ReadTestLogWithoutStamps(),
              "フォーマットの違う音声データは同時に使うことは出来ません"
              "右記のＷＡＶファイルのセットアップに失敗しました：b.wav \r\n");
    ASSERT_EQ(AddStreamSoundFile(file.c_str(), 0, h, 2, -1), 0);
    ASSERT_EQ(AddStreamSoundFile(file.c_str(), 0, h, 3, -1), 0);
    EXPECT_EQ(GetSoundTotalSamples(h), 3 * 4410);
    StartTestLog();
    EXPECT_EQ(AddStreamSoundFile(file.c_str(), 0, h, 3, -1), -1);
    EXPECT_EQ(ReadTestLogWithoutStamps(),
              "ストリーム風サウンドの制御データ領域がいっぱいです\r\n"
              "右記のＷＡＶファイルのセットアップに失敗しました：a.wav \r\n");
    EXPECT_EQ(AddStreamSoundFile(file.c_str(), 0, AddSoundData(), 1, -1), -1);  // no such source kind
    // Three sources play one after the other.
    PrimeStreamSound(h);
    ASSERT_EQ(PlaySoundHandle(h, 1, 1), 0);
    for (int i = 0; i < 40; ++i) Pass(16);
    EXPECT_EQ(CheckSoundHandlePlaying(h), 0);
    const std::vector<std::int16_t> mixed = audio_.TakeMixed();
    const Bytes one = Ramp16(4410, 2);
    for (int pass = 0; pass < 3; ++pass) {
        for (std::size_t i = 0; i < 8820; ++i) {
            ASSERT_EQ(mixed[pass * 8820 + i], static_cast<std::int16_t>(one[2 * i] | (one[2 * i + 1] << 8)));
        }
    }
}

// A whole-file sound has no sources, so a stream source offered to it is taken as its
// first; the ring cannot be made beside its buffers and the source is refused. The sound
// keeps its own format: its length and its play position stay those of 22,050 Hz mono.
TEST_F(StreamSoundTest, RefusedFirstSourceLeavesTheSoundsFormat) {
    WavFields mono;
    mono.channels = 1;
    mono.rate = 22050;
    const int h = LoadSoundFile(Write("mono.wav", MakeWav(mono, Ramp16(33075, 1))).c_str(), 3, -1);
    ASSERT_GE(h, 0);
    const WAVEFORMATEX before = FindSoundRecord(h)->format;
    const std::string stereo = Write("stereo.wav", MakeWav({}, Ramp16(4410, 2)));
    StartTestLog();
    EXPECT_EQ(AddStreamSoundFile(stereo.c_str(), 0, h, 3, -1), -1);
    EXPECT_EQ(ReadTestLogWithoutStamps(),
              "ストリーム風サウンドバッファの作成に失敗しました\r\n"
              "右記のＷＡＶファイルのセットアップに失敗しました：stereo.wav \r\n");
    SoundRecord* r = FindSoundRecord(h);
    EXPECT_EQ(std::memcmp(&r->format, &before, sizeof(before)), 0);
    EXPECT_EQ(r->source_count, 0);
    EXPECT_EQ(r->stream_flag, 0);
    EXPECT_EQ(GetSoundTotalSamples(h), 33075);
    EXPECT_EQ(GetSoundTotalLengthMs(h), 1500);
    ASSERT_EQ(PlaySoundHandle(h, 1, 1), 0);
    clock_.AdvanceMs(1000);
    EXPECT_EQ(GetSoundPlayPositionMs(h), 1000);
}

TEST_F(StreamSoundTest, EightBitStreamsArePaddedWithTheMidpoint) {
    WavFields f;
    f.channels = 1;
    f.bits = 8;
    f.rate = 8000;
    const Bytes data(4000, 0x10);
    const int h = LoadStream("eight.wav", MakeWav(f, data));
    ASSERT_GE(h, 0);
    EXPECT_EQ(Ring(h, 0, 4000), data);
    EXPECT_EQ(Ring(h, 4000, 28000), Bytes(28000, 0x80));
}

TEST_F(StreamSoundTest, StreamWithoutDataStopsAndPlayAndWaitReturns) {
    const int h = LoadStream("empty.wav", MakeWav({}, {}));
    ASSERT_GE(h, 0);
    ASSERT_EQ(PlaySoundHandle(h, 0, 1), 0);
    EXPECT_EQ(CheckSoundHandlePlaying(h), 0);
    const int one = LoadStream("one.wav", MakeWav({}, Ramp16(44100 / 4, 2)));
    const std::uint64_t before = clock_.Nanoseconds();
    ASSERT_EQ(PlaySoundHandle(one, 0, 1), 0);
    const std::uint64_t waited = (clock_.Nanoseconds() - before) / 1000000;
    EXPECT_GE(waited, 250u);
    EXPECT_LE(waited, 260u);
}

TEST_F(StreamSoundTest, SharedRingServesOneSoundAtATime) {
    const std::string file = Write("a.wav", MakeWav({}, Ramp16(44100 * 2, 2)));
    SetSoundDataCreateType(3);
    const int owner = LoadSoundFile(file.c_str(), 1, -1);
    const int sharer = LoadSoundFile(file.c_str(), 1, owner);
    SetSoundDataCreateType(0);
    ASSERT_GE(sharer, 0);
    EXPECT_EQ(FindSoundRecord(sharer)->shared_owner, owner);
    EXPECT_EQ(FindSoundRecord(owner)->share_count, 1);
    EXPECT_FALSE(FindSoundRecord(sharer)->buffers[0].valid);
    ASSERT_EQ(PlaySoundHandle(owner, 1, 1), 0);
    Pass(100);
    ASSERT_EQ(PlaySoundHandle(sharer, 1, 1), 0);  // takes the ring, stopping the owner
    EXPECT_EQ(CheckSoundHandlePlaying(owner), 0);
    EXPECT_EQ(CheckSoundHandlePlaying(sharer), 1);
    // The owner goes only with its last sharer.
    EXPECT_EQ(DeleteSoundHandle(owner), 0);
    EXPECT_NE(FindSoundRecord(owner), nullptr);
    EXPECT_EQ(DeleteSoundHandle(sharer), 0);
    EXPECT_EQ(FindSoundRecord(owner), nullptr);
}

TEST_F(StreamSoundTest, OggMusicStreamsFromItsFile) {
    SetSoundDataCreateType(3);
    const int h = LoadSoundFile((std::string(VOMUR_DAT_DIR) + "/end.ogg").c_str(), 1, -1);
    SetSoundDataCreateType(0);
    ASSERT_GE(h, 0);
    ASSERT_EQ(PlaySoundHandle(h, 1, 1), 0);
    Pass(300);
    const std::vector<std::int16_t> mixed = audio_.TakeMixed();
    std::int64_t energy = 0;
    for (std::int16_t s : mixed) energy += s < 0 ? -s : s;
    EXPECT_GT(energy, 0);
    // 32 kHz resampled to 44.1 kHz: the cursor may trail by a fraction of a frame.
    EXPECT_NEAR(GetSoundPlayPositionMs(h), 300, 1);
}

}  // namespace
}  // namespace sound_test
