// The DirectSound stand-in itself: locks with one or two regions and their refusals,
// duplicates that share sample memory but keep their own cursor, formats the mixer
// cannot play, and the one device the enumeration reports.
#include "tests/sound/sound_fixture.h"

namespace sound_test {
namespace {

class DirectSoundTest : public SoundTest {
protected:
    IDirectSoundBuffer* Make(DWORD bytes, WAVEFORMATEX format = {WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0}) {
        DSBUFFERDESC desc{};
        desc.dwSize = sizeof(desc);
        desc.dwFlags = 0x80E2;
        desc.dwBufferBytes = bytes;
        desc.lpwfxFormat = &format;
        IDirectSoundBuffer* buffer = nullptr;
        if (FAILED(Sound().direct_sound->CreateSoundBuffer(&desc, &buffer, nullptr))) return nullptr;
        return buffer;
    }
};

TEST_F(DirectSoundTest, LockWrapsIntoTwoRegionsAndRefusesBadRanges) {
    IDirectSoundBuffer* b = Make(400);
    ASSERT_NE(b, nullptr);
    void* p1 = nullptr;
    void* p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    ASSERT_EQ(b->Lock(300, 200, &p1, &n1, &p2, &n2, 0), DS_OK);
    EXPECT_EQ(n1, 100u);
    EXPECT_EQ(n2, 100u);
    EXPECT_EQ(static_cast<unsigned char*>(p1) - static_cast<unsigned char*>(p2), 300);
    EXPECT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
    ASSERT_EQ(b->Lock(0, 400, &p1, &n1, &p2, &n2, 0), DS_OK);
    EXPECT_EQ(n1, 400u);
    EXPECT_EQ(p2, nullptr);
    EXPECT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
    EXPECT_EQ(b->Lock(400, 4, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->Lock(0, 401, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->Lock(0, 0, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    b->Release();
}

TEST_F(DirectSoundTest, DuplicatesShareMemoryAndKeepTheirOwnCursor) {
    IDirectSoundBuffer* original = Make(44100 * 4);
    IDirectSoundBuffer* copy = nullptr;
    ASSERT_EQ(Sound().direct_sound->DuplicateSoundBuffer(original, &copy), DS_OK);
    EXPECT_EQ(platform_hooks::LiveSampleBlocks(), 2);  // the silence buffer's and this one
    void* p1 = nullptr;
    void* p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    ASSERT_EQ(original->Lock(0, 4, &p1, &n1, &p2, &n2, 0), DS_OK);
    std::memset(p1, 0x11, 4);
    original->Unlock(p1, n1, p2, n2);
    void* q1 = nullptr;
    ASSERT_EQ(copy->Lock(0, 4, &q1, &n1, &p2, &n2, 0), DS_OK);
    EXPECT_EQ(q1, p1);
    copy->Unlock(q1, n1, p2, n2);
    original->Play(0, 0, 0);
    clock_.AdvanceMs(100);
    DWORD a = 0, b = 0, w = 0;
    original->GetCurrentPosition(&a, &w);
    copy->GetCurrentPosition(&b, &w);
    EXPECT_EQ(a, 17640u);
    EXPECT_EQ(b, 0u);
    original->Release();
    EXPECT_EQ(platform_hooks::LiveSampleBlocks(), 2);  // the copy still holds the memory
    copy->Release();
    EXPECT_EQ(platform_hooks::LiveSampleBlocks(), 1);
}

// A looping 22,050 Hz sound mixed at 44,100 Hz: the frame between its last and its first
// is drawn from both, as any other pair of neighbours.
TEST_F(DirectSoundTest, LoopingResampledSoundBlendsAcrossItsSeam) {
    IDirectSoundBuffer* b = Make(4, {WAVE_FORMAT_PCM, 1, 22050, 44100, 2, 16, 0});
    ASSERT_NE(b, nullptr);
    void* p1 = nullptr;
    void* p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    ASSERT_EQ(b->Lock(0, 4, &p1, &n1, &p2, &n2, 0), DS_OK);
    const unsigned char samples[4] = {0, 0, 1000 & 0xFF, 1000 >> 8};
    std::memcpy(p1, samples, 4);
    b->Unlock(p1, n1, p2, n2);
    audio_.TakeMixed();
    b->Play(0, 0, DSBPLAY_LOOPING);
    clock_.AdvanceMs(1);
    const std::vector<std::int16_t> mixed = audio_.TakeMixed();
    ASSERT_GE(mixed.size(), 16u);
    EXPECT_EQ(std::vector<std::int16_t>(mixed.begin(), mixed.begin() + 16),
              (std::vector<std::int16_t>{0, 0, 500, 500, 1000, 1000, 500, 500, 0, 0, 500, 500, 1000, 1000, 500, 500}));
    b->Release();
}

TEST_F(DirectSoundTest, UnplayableFormatsAndSizesAreRefused) {
    const WAVEFORMATEX bad[] = {
        {WAVE_FORMAT_PCM, 0, 44100, 0, 0, 16, 0},        {WAVE_FORMAT_PCM, 2, 44100, 264600, 6, 24, 0},
        {WAVE_FORMAT_PCM, 2, 0, 0, 4, 16, 0},            {WAVE_FORMAT_PCM, 2, 44100, 176400, 2, 16, 0},
        {WAVE_FORMAT_IMA_ADPCM, 1, 22050, 11100, 256, 4, 2},
    };
    for (const WAVEFORMATEX& f : bad) EXPECT_EQ(Make(4000, f), nullptr) << f.nChannels << " " << f.wBitsPerSample;
    EXPECT_EQ(Make(0), nullptr);
    EXPECT_EQ(Make(2), nullptr);
}

BOOL CountDevice(GUID*, const char* description, const char*, void* context) {
    static_cast<std::vector<std::string>*>(context)->push_back(description);
    return TRUE;
}

TEST_F(DirectSoundTest, EnumerationReportsOneDevice) {
    std::vector<std::string> devices;
    EXPECT_EQ(DirectSoundEnumerateA(&CountDevice, &devices), DS_OK);
    EXPECT_EQ(devices, std::vector<std::string>{"Primary Sound Driver"});
}

}  // namespace
}  // namespace sound_test
