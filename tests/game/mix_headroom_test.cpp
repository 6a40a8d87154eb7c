// The game's sound mix keeps its headroom: a bot that fires every third frame plays a whole
// game with the play music, the shots, clanks, explosions and hits sounding together, and
// no mixed sample reaches full scale.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/testing/audio_testing.h"
#include "tests/game/game_harness.h"

using namespace game_test;

namespace {

constexpr int kMaxFrames = 9000;  // a whole game is under 8,000 frames

}  // namespace

TEST(MixHeadroom, AWholeGameOfFiringNeverReachesFullScale) {
    ManualAudio audio;  // before the game opens its sound device
    GameHarness run;
    run.UseSmallWindow();
    ASSERT_EQ(run.StartUp(), 0);
    ASSERT_EQ(run.Frame(), 0);
    ASSERT_EQ(run.Frame({kKeyZ}), 0);
    ASSERT_EQ(run.game().state, 1);
    audio.TakeMixed();
    std::uint64_t frames = 0;
    std::uint64_t full_scale = 0;
    int peak = 0;
    int shots = 0;
    int explosions = 0;
    for (int frame = 1; frame <= kMaxFrames && run.game().state != 0; ++frame) {
        ASSERT_EQ(run.Frame(FiringBotKeys(run.game(), frame)), 0);
        shots += run.last().Plays(kSoundShot);
        explosions += run.last().Plays(kSoundExplosion);
        const std::vector<std::int16_t> mixed = audio.TakeMixed();
        frames += mixed.size() / 2;
        for (std::int16_t s : mixed) {
            peak = std::max(peak, std::abs(static_cast<int>(s)));
            full_scale += s == 32767 || s == -32768;
        }
    }
    ASSERT_EQ(run.game().state, 0);
    // The mix really was busy: a game's worth of sound with many shots and explosions.
    EXPECT_GT(frames, 44100u * 100);
    EXPECT_GT(shots, 300);
    EXPECT_GT(explosions, 20);
    EXPECT_EQ(full_scale, 0u) << "peak " << peak;
    EXPECT_LT(peak, 32767);
}
