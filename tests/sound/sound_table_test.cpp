// Sound start-up, shutdown and the handle table: the primary format from the device's
// capabilities, the start-up without a device, table limits, slot reuse, the end mark
// and the check count.
#include "tests/sound/sound_fixture.h"

namespace sound_test {
namespace {

class SoundTableTest : public SoundTest {};

TEST_F(SoundTableTest, PrimaryFormatFollowsTheCapabilities) {
    struct Case {
        DWORD flags;
        DWORD max_rate;
        WORD channels, bits;
        DWORD rate;
    };
    const DWORD all = DSCAPS_PRIMARYSTEREO | DSCAPS_PRIMARY16BIT | DSCAPS_PRIMARYMONO | DSCAPS_PRIMARY8BIT;
    const Case cases[] = {{all, 48000, 2, 16, 44100},
                          {all, 22050, 2, 16, 22050},
                          {DSCAPS_PRIMARYMONO | DSCAPS_PRIMARY16BIT, 44100, 1, 16, 44100},
                          {DSCAPS_PRIMARYSTEREO | DSCAPS_PRIMARY8BIT, 44100, 2, 8, 44100}};
    TerminateSoundSystem();
    for (const Case& k : cases) {
        DSCAPS caps{};
        caps.dwFlags = k.flags;
        caps.dwMaxSecondarySampleRate = k.max_rate;
        FakeSoundCaps fake(caps);
        ASSERT_EQ(InitializeSoundSystem(), 0);
        const WAVEFORMATEX f = platform_hooks::LastPrimaryFormat();
        EXPECT_EQ(f.nChannels, k.channels);
        EXPECT_EQ(f.wBitsPerSample, k.bits);
        EXPECT_EQ(f.nSamplesPerSec, k.rate);
        EXPECT_EQ(f.nBlockAlign, k.channels * k.bits / 8);
        EXPECT_EQ(f.nAvgBytesPerSec, k.rate * f.nBlockAlign);
        ASSERT_EQ(TerminateSoundSystem(), 0);
    }
    ASSERT_EQ(InitializeSoundSystem(), 0);
}

TEST_F(SoundTableTest, StartUpLogAndSecondStartUp) {
    const std::string log = ReadTestLogWithoutStamps();
    const char* expected =
        "DirectSound の初期化を行います\r\n"
        "DirectSound インターフェースの取得を行います....  成功\r\n"
        "引き続きインターフェースの初期化処理...  成功\r\n"
        "\tDirectSound デバイスを列挙します\r\n"
        "\t\tモジュール名:                 ドライバ記述:Primary Sound Driver "
        "最大サンプリングレート:200.00KHz 最小サンプリングレート:0.10KHz "
        "総サウンドメモリ領域:0.00KB 空きサウンドメモリ領域:0.00KB \r\n"
        "\t利用可能サンプリング精度\r\n"
        "\t プライマリ １６bit = OK  ８bit = OK  セカンダリ １６bit = OK  ８bit = OK \r\n"
        "\t利用可能チャンネル\r\n"
        "\t プライマリ MONO = OK  STEREO = OK  セカンダリ MONO = OK  STEREO = OK \r\n"
        "DirectSound の初期化は正常に終了しました\r\n";
    EXPECT_EQ(log, expected);
    EXPECT_EQ(InitializeSoundSystem(), -1);
}

TEST_F(SoundTableTest, NoDeviceMeansEveryCallFails) {
    TerminateSoundSystem();
    EXPECT_EQ(TerminateSoundSystem(), -1);
    {
        SoundFailure fail("DirectSound.Initialize");
        StartTestLog();
        EXPECT_EQ(InitializeSoundSystem(), -1);
        EXPECT_EQ(ReadTestLogWithoutStamps(),
                  "DirectSound の初期化を行います\r\n"
                  "DirectSound インターフェースの取得を行います....  成功\r\n"
                  "引き続きインターフェースの初期化処理...  初期化に失敗しました\r\n");
    }
    EXPECT_EQ(AddSoundData(), -1);
    EXPECT_EQ(LoadSoundFile("missing.wav", 3, -1), -1);
    EXPECT_EQ(PlaySoundHandle(0x10000000, 1, 1), -1);
    EXPECT_EQ(StopSoundHandle(0x10000000), -1);
    EXPECT_EQ(RefillAllStreamSounds(), -1);
    EXPECT_EQ(PollMusicPlayState(), -1);
    ASSERT_EQ(InitializeSoundSystem(), 0);
}

TEST_F(SoundTableTest, TableLimitSlotReuseAndEndMark) {
    std::vector<int> handles;
    for (int i = 0; i < kMaxSounds; ++i) handles.push_back(AddSoundData());
    EXPECT_EQ(handles[0] & 0x7800FFFF, 0x10000000);
    EXPECT_EQ(handles[7] & 0xFFFF, 7);
    StartTestLog();
    EXPECT_EQ(AddSoundData(), -1);
    EXPECT_EQ(ReadTestLogWithoutStamps(), "サウンドの数が許容量を越えました\r\n");
    ASSERT_EQ(DeleteSoundHandle(handles[7]), 0);
    const int again = AddSoundData();
    EXPECT_EQ(again & 0xFFFF, 7);
    EXPECT_EQ(PlaySoundHandle(handles[7], 1, 1), -1);  // the old handle no longer names it
    ASSERT_EQ(DeleteSoundHandle(handles[4095]), 0);
    EXPECT_EQ(Sound().table.end_mark, 4095);
    ASSERT_EQ(DeleteSoundHandle(handles[4094]), 0);
    ASSERT_EQ(DeleteSoundHandle(handles[4093]), 0);
    EXPECT_EQ(Sound().table.end_mark, 4093);
    DeleteAllSoundHandles();
    EXPECT_EQ(Sound().table.end_mark, 0);
    EXPECT_EQ(Sound().table.live_count, 0);
}

TEST_F(SoundTableTest, CheckCountWrapsAndStaleHandlesFail) {
    int wrapped = AddSoundData();
    while (((wrapped >> 16) & 0x7FF) != 2047) {
        DeleteSoundHandle(wrapped);
        wrapped = AddSoundData();
    }
    DeleteSoundHandle(wrapped);
    const int zero = AddSoundData();
    EXPECT_EQ(zero, 0x10000000);  // check count 0 in slot 0 again
    EXPECT_EQ(DeleteSoundHandle(wrapped), -1);
    EXPECT_EQ(DeleteSoundHandle(0x10000000 | 0x7FF0000 | 1), -1);
    EXPECT_EQ(DeleteSoundHandle(-1), -1);
    EXPECT_EQ(DeleteSoundHandle(0x08000000), -1);  // another kind
}

TEST_F(SoundTableTest, CreationTypeRange) {
    EXPECT_EQ(SetSoundDataCreateType(4), -1);
    EXPECT_EQ(SetSoundDataCreateType(-1), -1);
    EXPECT_EQ(GetSoundDataCreateType(), 0);
    EXPECT_EQ(SetSoundDataCreateType(3), 0);
    EXPECT_EQ(GetSoundDataCreateType(), 3);
}

TEST_F(SoundTableTest, MidiSideFindsNothingToDo) {
    EXPECT_EQ(HandleMciNotify(), 0);
    EXPECT_EQ(StopCurrentMusic(), 0);
    EXPECT_EQ(PollMusicPlayState(), 0);
}

}  // namespace
}  // namespace sound_test
