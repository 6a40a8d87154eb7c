// The start of a game on the manual clock with scripted keys: the title starts play in the
// frame Z is pressed, the robots are placed one a frame, the first wave's intro, formation
// and "GO!" come at their frames, the clock starts at 1.59.59, walking stops at x 384.
#include <gtest/gtest.h>

#include "engine/input/input.h"
#include "tests/game/game_harness.h"

using namespace game_test;

namespace {

// Runs title frames, then Z: the frame after returns is play frame 1.
void StartPlay(GameHarness& run) {
    ASSERT_EQ(run.StartUp(), 0);
    ASSERT_EQ(run.Frame(), 0);
    ASSERT_EQ(run.game().state, 0);
    ASSERT_TRUE(run.last().HasText("GAME START"));
    ASSERT_EQ(run.Frame({kKeyZ}), 0);
}

int ActiveUfos(const GameVariables& game) {
    int count = 0;
    for (const UfoRecord& u : game.ufos) count += u.active;
    return count;
}

}  // namespace

TEST(GameStart, ZOnTheTitleStartsPlayInTheSameFrameAndTheRobotsArePlacedOneAFrame) {
    GameHarness run;
    ASSERT_EQ(run.StartUp(), 0);
    EXPECT_EQ(run.game().state, 0);
    ASSERT_EQ(run.Frame(), 0);
    EXPECT_EQ(run.game().state, 0);
    EXPECT_EQ(run.last().TextAt(150, 340), "■");
    ASSERT_EQ(run.Frame({kKeyZ}), 0);
    EXPECT_EQ(run.game().state, 1);
    EXPECT_EQ(run.game().title_cursor, 200);
    for (int frame = 1; frame <= 6; ++frame) {
        ASSERT_EQ(run.Frame(), 0);
        for (int k = 0; k < 5; ++k) {
            EXPECT_EQ(run.game().robots[k].placed, k < frame ? 1 : 0) << "play frame " << frame << " robot " << k;
            if (k < frame) {
                EXPECT_EQ(run.game().robots[k].x, 96.0 + 48 * k);
                EXPECT_EQ(run.game().robots[k].y, 443.0);
            }
        }
    }
    EXPECT_EQ(run.last().Plays(kMusicPlay), 0);  // played once, in play frame 1
}

TEST(GameStart, FirstWaveIntroFormationGoAndClock) {
    GameHarness run;
    run.UseSmallWindow();
    StartPlay(run);
    int wave_frame = 0, complete_frame = 0, go_frame = 0, first_ufo_frame = 0;
    std::vector<int> arrivals;
    int ufos = 0;
    for (int frame = 1; frame <= 500 && go_frame == 0; ++frame) {
        ASSERT_EQ(run.Frame(), 0);
        const FrameRecord& f = run.last();
        if (wave_frame == 0 && f.HasText("WAVE 1")) {
            wave_frame = frame;
            EXPECT_EQ(f.TextAt(180, 144), "WAVE 1");
            EXPECT_EQ(f.TextAt(180, 160), "READY?");
        }
        const int now = ActiveUfos(run.game());
        if (now > ufos) {
            EXPECT_EQ(now, ufos + 1);
            arrivals.push_back(frame);
            if (first_ufo_frame == 0) first_ufo_frame = frame;
        }
        ufos = now;
        if (complete_frame == 0 && run.game().wave_phase == 1) complete_frame = frame;
        if (f.TextAt(196, 160) == "GO!") {
            go_frame = frame;
            EXPECT_EQ(f.TextAt(160, 412), "TIME 1.59.59 ");
        } else {
            EXPECT_EQ(f.TextAt(160, 412), "TIME 2.00.00 ") << frame;
        }
    }
    EXPECT_EQ(wave_frame, 151);
    ASSERT_EQ(arrivals.size(), 13u);
    for (std::size_t i = 1; i < arrivals.size(); ++i) EXPECT_EQ(arrivals[i] - arrivals[i - 1], 4);
    EXPECT_EQ(complete_frame, arrivals.back());
    // The completion frame counts as the first of the 75.
    EXPECT_EQ(go_frame - complete_frame + 1, 75);
    EXPECT_EQ(run.game().clock_running, 1);
    // "GO!" stays for 50 frames; the clock keeps running after it.
    int go_frames = 1;
    for (int i = 0; i < 60; ++i) {
        ASSERT_EQ(run.Frame(), 0);
        go_frames += run.last().TextAt(196, 160) == "GO!";
    }
    EXPECT_EQ(go_frames, 50);
    EXPECT_EQ(run.last().TextAt(160, 412), "TIME 1.58.59 ");
}

TEST(GameStart, RightHeldFor96FramesReachesX384AndStops) {
    GameHarness run;
    StartPlay(run);
    for (int i = 0; i < 96; ++i) ASSERT_EQ(run.Frame({kKeyRight}), 0);
    EXPECT_EQ(run.game().player.x, 384.0);
    EXPECT_EQ(run.game().player.facing_right, 1);
    ASSERT_EQ(run.Frame({kKeyRight}), 0);
    EXPECT_EQ(run.game().player.x, 384.0);
    ASSERT_EQ(run.Frame({kKeyLeft, kKeyRight}), 0);  // both held: -2 then +2
    EXPECT_EQ(run.game().player.x, 384.0);
    ASSERT_EQ(run.Frame(), 0);
    EXPECT_EQ(run.game().player.facing_right, 0);
    EXPECT_EQ(run.game().player.facing_left, 0);
}

TEST(GameStart, KeyHeldNFramesHasCounterNAndReleasedReadsZero) {
    GameHarness run;
    ASSERT_EQ(run.StartUp(), 0);
    for (unsigned n = 1; n <= 40; ++n) {
        ASSERT_EQ(run.Frame({kKeyLeft}), 0);
        ASSERT_EQ(run.game().key_hold[kKeyLeft], n);
    }
    ASSERT_EQ(run.Frame(), 0);
    EXPECT_EQ(run.game().key_hold[kKeyLeft], 0u);
}

TEST(GameStart, FrameRateLinesAppearFromFrame60WithASaneFirstAverage) {
    GameHarness run;
    ASSERT_EQ(run.StartUp(), 0);
    for (int frame = 1; frame <= 61; ++frame) {
        ASSERT_EQ(run.Frame(), 0);
        if (frame < 60) {
            EXPECT_EQ(run.last().TextAt(480, 20), "") << frame;
        } else {
            // The first sample runs from the end of start-up to the first frame, which
            // does not sleep; the other 59 last 16 ms each on the manual clock.
            EXPECT_EQ(run.last().TextAt(480, 0), "66.7FPS") << frame;
            EXPECT_EQ(run.last().TextAt(480, 20), "15ms") << frame;
        }
    }
    for (int frame = 62; frame <= 120; ++frame) ASSERT_EQ(run.Frame(), 0);
    EXPECT_EQ(run.last().TextAt(480, 0), "62.5FPS");
    EXPECT_EQ(run.last().TextAt(480, 20), "16ms");
}

TEST(GameStart, TitleMenuMovesAtHoldFrames1_35_40AndWraps) {
    GameHarness run;
    ASSERT_EQ(run.StartUp(), 0);
    std::vector<int> moves;
    int cursor = 340;
    for (int hold = 1; hold <= 45; ++hold) {
        ASSERT_EQ(run.Frame({kKeyDown}), 0);
        if (run.game().title_cursor != cursor) moves.push_back(hold);
        cursor = run.game().title_cursor;
    }
    EXPECT_EQ(moves, (std::vector<int>{1, 35, 40, 45}));
    EXPECT_EQ(cursor, 340);  // 360, 340, 360, 340: Down wraps from the last entry to the first
    ASSERT_EQ(run.Frame(), 0);
    ASSERT_EQ(run.Frame({kKeyUp}), 0);
    EXPECT_EQ(run.game().title_cursor, 360);  // Up wraps from the first entry to the last
    ASSERT_EQ(run.Frame(), 0);
    ASSERT_EQ(run.Frame({kKeyUp, kKeyDown}), 0);
    EXPECT_EQ(run.game().title_cursor, 340);  // both act: Down wins
}

// After input has been stopped (as a display rebuild does), the next read only starts it
// again and fills nothing: that frame sees every key up, never bytes left over.
TEST(GameStart, AFrameWhoseKeyReadOnlyRestartsInputSeesEveryKeyUp) {
    GameHarness run;
    ASSERT_EQ(run.StartUp(), 0);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(run.Frame({kKeyLeft}), 0);
    ASSERT_EQ(run.game().key_hold[kKeyLeft], 3u);
    ASSERT_EQ(TerminateInput(), 0);
    ASSERT_EQ(run.Frame({kKeyLeft}), 0);
    for (int key = 0; key < 256; ++key) EXPECT_EQ(run.game().key_hold[key], 0u) << key;
    ASSERT_EQ(run.Frame({kKeyLeft}), 0);
    EXPECT_EQ(run.game().key_hold[kKeyLeft], 1u);
}
