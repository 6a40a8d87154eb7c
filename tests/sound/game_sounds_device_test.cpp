// The game's nine effects and three pieces of music through a real SDL audio device:
// SDL's disk driver writes the mixed output to a file, which must carry sound after each
// play and only silence once the sound is stopped. Waits follow the device thread's
// progress (frames mixed), bounded so a stuck device fails instead of hanging.
#include <time.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include "tests/sound/sound_fixture.h"
#include "tests/support/engine_testing/core_testing.h"

namespace sound_test {
namespace {

constexpr std::uint64_t kDeviceBufferBytes = 4096;  // 1,024 frames of 16-bit stereo

double MonotonicSeconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

class GameSoundsDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        output_ = (dir_.path() / "device.raw").string();
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", output_.c_str(), 1);
        setenv("SDL_DISKAUDIODELAY", "4", 1);
        StartTestLog();
        SetupFileAccessTable(nullptr);
        SetupStreamFunctions();
        CoInitialize(nullptr);
        live_blocks_ = TrackedLiveBlockCount();
        ASSERT_EQ(InitializeSoundSystem(), 0);
    }
    void TearDown() override {
        TerminateSoundSystem();
        CoUninitialize();
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        unsetenv("SDL_DISKAUDIOFILE");
        unsetenv("SDL_DISKAUDIODELAY");
        EXPECT_EQ(TrackedLiveBlockCount(), live_blocks_);
    }
    std::uint64_t OutputBytes() const {
        std::error_code error;
        const auto size = std::filesystem::file_size(output_, error);
        return error ? 0 : size;
    }
    // Until the file holds at least `bytes` bytes; false after 30 s of wall time.
    bool WaitForOutput(std::uint64_t bytes) const {
        const double give_up = MonotonicSeconds() + 30.0;
        while (OutputBytes() < bytes) {
            if (MonotonicSeconds() > give_up) return false;
            std::this_thread::yield();
        }
        return true;
    }
    bool AnySound(std::uint64_t from, std::uint64_t to) const {
        std::ifstream in(output_, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(from));
        Bytes part(to > from ? to - from : 0);
        in.read(reinterpret_cast<char*>(part.data()), static_cast<std::streamsize>(part.size()));
        part.resize(static_cast<std::size_t>(in.gcount()));
        for (unsigned char byte : part) {
            if (byte != 0) return true;
        }
        return false;
    }

    ScopedTempDir dir_;
    std::string output_;
    int live_blocks_ = 0;
};

TEST_F(GameSoundsDeviceTest, EffectsAndMusicSoundAfterPlayAndFallSilentAfterStop) {
    const char* names[] = {"bom00.wav", "out00.wav", "shot00.wav", "metal01.wav", "metal00.wav", "ufo00.wav",
                           "bari00.wav", "atk00.wav", "count.wav", "bgm00.ogg", "gover.ogg", "end.ogg"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        const std::string path = std::string(VOMUR_DAT_DIR) + "/" + name;
        const int h = LoadSoundFile(path.c_str(), 3, -1);
        ASSERT_GE(h, 0);
        ASSERT_GT(GetSoundTotalLengthMs(h), 0);
        const std::uint64_t before = OutputBytes();
        ASSERT_EQ(PlaySoundHandle(h, 3, 1), 0);
        // Up to three seconds of output after the play call must carry sound.
        bool heard = false;
        for (std::uint64_t wanted = before + 8 * kDeviceBufferBytes; !heard && wanted < before + 3 * 176400;
             wanted += 8 * kDeviceBufferBytes) {
            ASSERT_TRUE(WaitForOutput(wanted));
            heard = AnySound(before, OutputBytes());
        }
        EXPECT_TRUE(heard);
        ASSERT_EQ(StopSoundHandle(h), 0);
        const std::uint64_t stopped = OutputBytes();
        // Buffers mixed before the stop may still be on their way to the file.
        const std::uint64_t quiet_from = stopped + 4 * kDeviceBufferBytes;
        ASSERT_TRUE(WaitForOutput(quiet_from + 16 * kDeviceBufferBytes));
        EXPECT_FALSE(AnySound(quiet_from, OutputBytes()));
        EXPECT_EQ(DeleteSoundHandle(h), 0);
    }
}

}  // namespace
}  // namespace sound_test
