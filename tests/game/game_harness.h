// Runs TRELLIGAN headless, frame by frame, for the game's tests: a private folder that is
// the current directory and holds the built dat/ (and a save file when one is given), the
// manual clock, the full-screen question answered No, scripted keys, a trace of the text
// drawn and the sounds played, and a hash of every frame shown.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "game/game_state.h"
#include "game/game_view.h"
#include "platform/testing/display_testing.h"
#include "platform/testing/input_testing.h"
#include "platform/testing/manual_clock.h"
#include "platform/testing/window_testing.h"
#include "tests/support/temp_dir.h"

namespace game_test {

// The text drawn and sounds asked for in one frame.
struct FrameRecord {
    std::vector<GameTraceEvent> events;
    std::uint64_t frame_hash = 0;  // 0 when nothing was shown
    std::uint64_t back_hash = 0;   // with HashBackBuffer: the back buffer after the frame
    bool HasText(const std::string& text) const;
    // The first text drawn at (x, y), or empty.
    std::string TextAt(int x, int y) const;
    int Plays(int sound) const;
};

class GameHarness {
public:
    // `save_file`: the bytes of save_data.dat before start-up (none: no file).
    // `capture`: every frame shown is hashed (and kept on request); it costs time.
    explicit GameHarness(std::optional<std::string> save_file = std::nullopt, bool capture = false);
    ~GameHarness();
    GameHarness(const GameHarness&) = delete;
    GameHarness& operator=(const GameHarness&) = delete;

    // GameStartUp's result.
    int StartUp();
    // Exactly these keys are down, then one frame runs; returns RunOneFrame's result.
    int Frame(const std::set<int>& keys = {});
    const FrameRecord& last() const { return last_; }
    const GameVariables& game() const { return GameView(); }
    const ScopedTempDir& dir() const { return dir_; }
    std::string SaveFile() const { return dir_.ReadFile("save_data.dat"); }
    bool SaveFileExists() const;
    // Frames run so far, and the frames shown by the engine.
    int frames() const { return frames_; }
    int shown() const { return shown_; }
    // FNV-1a over the hashes of every frame shown so far.
    std::uint64_t all_frames_hash() const { return all_frames_hash_; }
    std::vector<platform_hooks::PresentedFrame> TakeShownFrames();
    void KeepShownFrames(bool keep) { keep_frames_ = keep; }
    // Frames shown from now on are hashed (or no longer).
    void SetCapture(bool on);
    // The back buffer is hashed after every frame from now on.
    void HashBackBuffer() { hash_back_ = true; }
    // FNV-1a over the back-buffer hashes of every frame so far.
    std::uint64_t all_back_hash() const { return all_back_hash_; }
    // Before start-up: the window shows the screen at a quarter of its size, so that long
    // runs spend less time copying pictures to the window (the game's own work is the same).
    void UseSmallWindow();

private:
    ScopedTempDir dir_;
    ManualClock clock_;
    InstanceLockFolder locks_;
    MessageBoxAnswer box_;
    ScriptedInput input_;
    std::optional<PresentCapture> capture_;
    std::set<int> keys_down_;
    std::vector<GameTraceEvent> trace_;
    FrameRecord last_;
    bool started_ = false;
    bool keep_frames_ = false;
    bool small_window_ = false;
    double kept_window_scale_ = 0.0;
    std::vector<platform_hooks::PresentedFrame> kept_;
    int frames_ = 0;
    int shown_ = 0;
    std::uint64_t all_frames_hash_ = 1469598103934665603ull;
    bool hash_back_ = false;
    std::uint64_t all_back_hash_ = 1469598103934665603ull;
};

// A test that sets the game's variables up directly instead of running the game: g_game is
// put back as it was afterwards, and the game's trace goes to trace_ meanwhile.
class GameVariablesTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    GameVariables saved_;
    std::vector<GameTraceEvent> trace_;
};

// The same, starting from zeroed variables.
class FreshGameVariablesTest : public GameVariablesTest {
protected:
    void SetUp() override;
};

// Ten little-endian 32-bit entries.
std::string SaveBytes(const std::vector<std::int32_t>& entries);
// The whole ranking record that a fresh game starts with.
std::vector<std::int32_t> DefaultRanking();
std::vector<std::int32_t> RankingOf(const GameVariables& game);

// The keys of a simple player for play frame `frame`: fire on every third frame, walk
// under the lowest grabber on the field (else the lowest UFO), so that shots, hits and
// explosions keep coming.
std::set<int> FiringBotKeys(const GameVariables& game, int frame);

}  // namespace game_test
