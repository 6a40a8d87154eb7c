// Whole games, headless on the manual clock: an idle player loses the five robots and sees
// GAMEOVER; a bot that fires every third frame plays to the end with the ranking kept in
// order and every change of the score a legal one; a wave played to its end without a shot
// fired in it gives a bonus of 0 or more; the same script gives the same frames, score and
// save file on every run.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include <sys/wait.h>
#include <unistd.h>

#include "tests/game/game_harness.h"

using namespace game_test;

namespace {

constexpr int kMaxFrames = 9000;  // a whole game is under 8,000 frames

void StartPlay(GameHarness& run) {
    ASSERT_EQ(run.StartUp(), 0);
    ASSERT_EQ(run.Frame(), 0);
    ASSERT_EQ(run.Frame({kKeyZ}), 0);
    ASSERT_EQ(run.game().state, 1);
}

// One step toward `x` (the player walks 2 pixels a frame).
std::set<int> WalkTo(const GameVariables& game, double x) {
    if (game.player.x < x) return {kKeyRight};
    if (game.player.x > x) return {kKeyLeft};
    return {};
}

bool IsKillSum(int delta, int items) {
    if (delta == 0) return true;
    if (items == 0) return false;
    for (int value : {10, 20, 30, 100, 400, 800}) {
        if (delta >= value && IsKillSum(delta - value, items - 1)) return true;
    }
    return false;
}

// What one frame may add to the score: kills and explosion bonuses (a few at once), a wave
// bonus (30 n) or the robot bonus at time-up (1000 n).
bool IsLegalScoreStep(int delta) {
    if (delta < 0) return false;
    if (IsKillSum(delta, 4)) return true;
    if (delta % 30 == 0 && delta <= 30 * 300) return true;
    return delta % 1000 == 0 && delta <= 5000;
}

bool RankingDescends(const GameVariables& game) {
    for (int i = 1; i < 10; ++i) {
        if (game.ranking[i] > game.ranking[i - 1]) return false;
    }
    return true;
}

}  // namespace

TEST(Playthrough, AnIdlePlayerLosesFiveRobotsAndSeesGameOverFor251Frames) {
    GameHarness run;
    run.UseSmallWindow();
    StartPlay(run);
    int gameover_frames = 0;
    int gover_plays = 0;
    int bgm_plays = 0;
    int entry_frames = 0;
    int previous_score = 0;
    for (int frame = 1; frame <= kMaxFrames && run.game().state != 0; ++frame) {
        ASSERT_EQ(run.Frame(), 0);
        const GameVariables& g = run.game();
        const FrameRecord& f = run.last();
        // No shot is ever fired: no wave bonus lowers the score or makes it undefined.
        ASSERT_GE(g.score, previous_score) << frame;
        previous_score = g.score;
        if (f.HasText("RESULT")) {
            EXPECT_EQ(f.TextAt(156, 238), "BONUS = 0");
        }
        gover_plays += f.Plays(kMusicGameOver);
        bgm_plays += f.Plays(kMusicPlay);
        entry_frames += g.state == 3;
        if (f.TextAt(170, 150) == "GAMEOVER") ++gameover_frames;
    }
    EXPECT_EQ(run.game().state, 0);
    EXPECT_EQ(entry_frames, 1);
    EXPECT_EQ(gameover_frames, 251);
    EXPECT_EQ(gover_plays, 1);
    EXPECT_EQ(bgm_plays, 1);
    EXPECT_EQ(run.SaveFile(), SaveBytes(DefaultRanking()));
    // The title is back, its music stopped.
    ASSERT_EQ(run.Frame(), 0);
    EXPECT_TRUE(run.last().HasText("GAME START"));
    EXPECT_EQ(run.game().robots_lost, 0);
}

TEST(Playthrough, ABotFiringEveryThirdFramePlaysAWholeGameWithLegalScoresAndAnOrderedRanking) {
    // A low ranking that the bot's score climbs through, up to the 1st entry.
    const std::vector<std::int32_t> low = {1450, 1400, 1350, 1300, 1250, 1200, 1150, 1100, 1050, 1010};
    GameHarness run(SaveBytes(low));
    run.UseSmallWindow();
    StartPlay(run);
    int previous_score = 0;
    int victory_frames = 0;
    int gameover_frames = 0;
    bool reached_first = false;
    int robot_bonus = -1;
    int final_score = 0;
    for (int frame = 1; frame <= kMaxFrames && run.game().state != 0; ++frame) {
        ASSERT_EQ(run.Frame(FiringBotKeys(run.game(), frame)), 0);
        const GameVariables& g = run.game();
        const FrameRecord& f = run.last();
        if (f.TextAt(150, 150) == "YOU DEFENDED!") ++victory_frames;
        if (f.TextAt(170, 150) == "GAMEOVER") ++gameover_frames;
        if (g.state == 0) break;  // back on the title: the score is 0 again
        ASSERT_TRUE(RankingDescends(g)) << frame;
        ASSERT_GE(g.ranking_position, 0);
        ASSERT_LE(g.ranking_position, 10);
        ASSERT_TRUE(IsLegalScoreStep(g.score - previous_score))
            << "frame " << frame << ": " << previous_score << " -> " << g.score;
        if (g.ranking_position == 10) {
            reached_first = true;
            // The 1st entry is the player's score, not the high score.
            ASSERT_EQ(g.ranking[0], g.score) << frame;
        }
        if (g.state == 1 || g.state == 777 || g.state == 3 || g.state == 4) final_score = g.score;
        previous_score = g.score;
        if (g.time_up && robot_bonus < 0 && f.TextAt(130, 190) != "") {
            robot_bonus = g.robot_bonus;
            EXPECT_EQ(g.robot_bonus, (5 - g.robots_lost) * 1000);
        }
    }
    ASSERT_EQ(run.game().state, 0);
    EXPECT_TRUE(reached_first);
    EXPECT_EQ(victory_frames + gameover_frames, 251);
    std::vector<std::int32_t> ranking = RankingOf(run.game());
    EXPECT_EQ(ranking[0], final_score);
    EXPECT_EQ(run.SaveFile(), SaveBytes(ranking));
    // The old entries moved down one row each; the 10th dropped out.
    EXPECT_EQ(std::vector<std::int32_t>(ranking.begin() + 1, ranking.end()),
              std::vector<std::int32_t>(low.begin(), low.end() - 1));
    // Time-up: the robot bonus, then the victory screen.
    EXPECT_GT(robot_bonus, 0);
    EXPECT_EQ(victory_frames, 251);
}

// Wave 2 (the second formation) played without firing: its counts of shots and hits are
// cleared every frame from the formation's arrival to "GO!". Two shots fired in the last of
// those frames, from x 184 and x 200, are no longer counted, yet after "GO!" they bring down
// the two grabbers at the top middle (176, 64) and (208, 64). The four grabbers left carry
// off four robots, the wave ends with one robot standing, and its result has hits without a
// shot: the hit rate is 0, the destroy rate 2 of 14, the bonus 30, and the score only grows.
TEST(Playthrough, AWaveEndedWithoutFiringInItNeverLowersTheScore) {
    GameHarness run;
    run.UseSmallWindow();
    StartPlay(run);
    int previous_score = 0;
    int scripted_shots = 0;
    int cleared_frames = 0;
    int bonus_frames = 0;
    bool bonus_shown = false;
    for (int frame = 1; frame <= kMaxFrames && run.game().state == 1 && run.game().wave_number <= 2; ++frame) {
        const GameVariables& g = run.game();
        std::set<int> keys;
        if (g.wave_number <= 1) {
            keys = FiringBotKeys(g, frame);
        } else {
            // Frames that clear the counts: "WAVE 2" is up and the formation is complete.
            const bool clearing = g.wave_phase == 1 && g.intro_counter >= 75 && g.intro_counter <= 149;
            const int before_last = 149 - g.intro_counter;  // frames left before the last clearing one
            if (clearing && (before_last == 15 || before_last == 6)) {
                keys = {kKeyZ};
                ++scripted_shots;
            } else if (clearing && before_last < 15 && before_last > 6) {
                keys = WalkTo(g, 200);
            } else if (g.wave_phase != 2 && !(clearing && before_last < 6)) {
                keys = WalkTo(g, 184);
            }
        }
        const int wave = g.wave_number;
        const double x = g.player.x;
        ASSERT_EQ(run.Frame(keys), 0);
        if (keys.count(kKeyZ) != 0 && wave == 2) {
            ASSERT_EQ(g.player.x, x) << "the scripted shots are fired standing";
            ASSERT_TRUE(x == 184 || x == 200) << x;
        }
        if (wave == 2) {
            // No shot counts in this wave: the only two were fired before the last clearing.
            cleared_frames += g.wave_phase == 2;
            if (g.wave_phase == 2) {
                ASSERT_EQ(g.shots_fired, 0.0) << frame;
            }
            ASSERT_GE(g.score, previous_score) << frame;
            if (g.wave_timer == 388 && g.formation_set >= 10) {
                // The wave result's frame: hits of the two shots, no shot counted.
                ++bonus_frames;
                EXPECT_EQ(g.shots_fired, 0.0);
                EXPECT_EQ(g.hits, 2.0);
                EXPECT_EQ(g.ufos_destroyed, 2.0);
                EXPECT_EQ(g.ufos_sent, 14);
                EXPECT_EQ(g.robots_lost, 4);
                EXPECT_EQ(g.result_hit_rate, 0.0);
                EXPECT_DOUBLE_EQ(g.result_destroy_rate, 200.0 / 14);
                EXPECT_EQ(g.result_bonus, 30.0);
                EXPECT_EQ(g.score, previous_score + 30);
            }
            bonus_shown = bonus_shown || run.last().TextAt(156, 238) == "BONUS = 30";
        }
        previous_score = g.score;
    }
    EXPECT_EQ(scripted_shots, 2);
    EXPECT_GT(cleared_frames, 0);
    EXPECT_EQ(bonus_frames, 1);
    EXPECT_TRUE(bonus_shown);
    // The game goes on to wave 3 with its last robot.
    EXPECT_EQ(run.game().state, 1);
    EXPECT_EQ(run.game().wave_number, 3);
}

TEST(Playthrough, TheSameScriptGivesTheSameFramesScoreAndSaveFile) {
    struct Result {
        std::uint64_t frames_hash;
        int score;
        std::string save;
        std::uint64_t last_frame;
    };
    // Each play is a run of its own, in a child process: the engine keeps some state from one
    // start-up to the next within a process (the time of its last display-mode change), and
    // the manual clock starts at the same value in every run.
    auto play = [] {
        int fds[2];
        EXPECT_EQ(pipe(fds), 0);
        const pid_t child = fork();
        if (child == 0) {
            close(fds[0]);
            GameHarness run;
            run.UseSmallWindow();
            run.HashBackBuffer();
            bool ok = run.StartUp() == 0 && run.Frame() == 0 && run.Frame({kKeyZ}) == 0;
            for (int frame = 1; ok && frame <= 700; ++frame) ok = run.Frame(FiringBotKeys(run.game(), frame)) == 0;
            const int score = run.game().score;
            const std::uint64_t last_frame = run.last().back_hash;
            ok = ok && run.Frame({kKeyQ}) == 0 && run.Frame({kKeyQ}) == 0;
            const std::uint64_t all = run.all_back_hash();
            const std::string save = run.SaveFile();
            const std::int32_t size = static_cast<std::int32_t>(save.size());
            bool written = write(fds[1], &all, sizeof all) == sizeof all &&
                           write(fds[1], &score, sizeof score) == sizeof score &&
                           write(fds[1], &last_frame, sizeof last_frame) == sizeof last_frame &&
                           write(fds[1], &size, sizeof size) == sizeof size &&
                           write(fds[1], save.data(), save.size()) == static_cast<ssize_t>(save.size());
            _exit(ok && written ? 0 : 1);
        }
        close(fds[1]);
        Result result{0, -1, "", 0};
        std::int32_t size = 0;
        const bool read_all = read(fds[0], &result.frames_hash, sizeof result.frames_hash) == sizeof result.frames_hash &&
                              read(fds[0], &result.score, sizeof result.score) == sizeof result.score &&
                              read(fds[0], &result.last_frame, sizeof result.last_frame) == sizeof result.last_frame &&
                              read(fds[0], &size, sizeof size) == sizeof size && size >= 0 && size <= 4096;
        if (read_all) {
            result.save.resize(static_cast<std::size_t>(size));
            std::size_t got = 0;
            while (got < result.save.size()) {
                const ssize_t n = read(fds[0], result.save.data() + got, result.save.size() - got);
                if (n <= 0) break;
                got += static_cast<std::size_t>(n);
            }
            result.save.resize(got);
        }
        close(fds[0]);
        int status = 0;
        EXPECT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(read_all);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child's play failed";
        return result;
    };
    const Result first = play();
    const Result second = play();
    EXPECT_NE(first.last_frame, 0u);
    EXPECT_EQ(first.last_frame, second.last_frame);
    EXPECT_EQ(first.frames_hash, second.frames_hash);
    EXPECT_EQ(first.score, second.score);
    EXPECT_GT(first.score, 0);
    EXPECT_EQ(first.save, second.save);
    EXPECT_EQ(first.save.size(), 40u);
}
