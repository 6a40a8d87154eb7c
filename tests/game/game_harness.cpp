// The headless game runner shared by the game's tests.
#include "tests/game/game_harness.h"

#include <filesystem>

#include "engine/core/system_block.h"
#include "engine/graphics/screen/screen_state.h"
#include "engine/pixels/memimg.h"
#include "game/game_loop.h"

namespace game_test {

namespace {

constexpr std::uint64_t kFnvPrime = 1099511628211ull;

// FNV-1a over 32-bit words (a pixel at a time).
std::uint64_t Fnv(std::uint64_t hash, const std::uint32_t* words, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) hash = (hash ^ words[i]) * kFnvPrime;
    return hash;
}

std::uint64_t Fnv(std::uint64_t hash, std::uint64_t value) {
    const std::uint32_t words[2] = {static_cast<std::uint32_t>(value), static_cast<std::uint32_t>(value >> 32)};
    return Fnv(hash, words, 2);
}

std::string LockFolder(const ScopedTempDir& dir) {
    std::filesystem::create_directories(dir.path() / "locks");
    return (dir.path() / "locks").string();
}

}  // namespace

bool FrameRecord::HasText(const std::string& text) const {
    for (const GameTraceEvent& e : events) {
        if (e.kind == GameTraceEvent::kText && e.text == text) return true;
    }
    return false;
}

std::string FrameRecord::TextAt(int x, int y) const {
    for (const GameTraceEvent& e : events) {
        if (e.kind == GameTraceEvent::kText && e.x == x && e.y == y) return e.text;
    }
    return "";
}

int FrameRecord::Plays(int sound) const {
    int count = 0;
    for (const GameTraceEvent& e : events) count += e.kind == GameTraceEvent::kPlay && e.sound == sound;
    return count;
}

GameHarness::GameHarness(std::optional<std::string> save_file, bool capture)
    : clock_(5000), locks_(LockFolder(dir_)), box_(7) {
    if (capture) capture_.emplace();
    std::filesystem::create_directory_symlink(TRELLIGAN_DAT_DIR, dir_.path() / "dat");
    if (save_file) dir_.WriteFile("save_data.dat", *save_file);
    SetGameTrace(&trace_);
}

GameHarness::~GameHarness() {
    SetGameTrace(nullptr);
    if (started_) GameShutDown();
    if (small_window_) GetSystemBlock()->settings.window_scale = kept_window_scale_;
}

int GameHarness::StartUp() {
    started_ = true;
    const int result = GameStartUp();
    trace_.clear();
    if (capture_) capture_->Take();
    return result;
}

int GameHarness::Frame(const std::set<int>& keys) {
    for (int key : keys_down_) {
        if (!keys.count(key)) input_.Release(key);
    }
    for (int key : keys) {
        if (!keys_down_.count(key)) input_.Press(key);
    }
    keys_down_ = keys;
    const int result = RunOneFrame();
    ++frames_;
    last_.events.swap(trace_);
    trace_.clear();
    last_.frame_hash = 0;
    last_.back_hash = 0;
    if (hash_back_ && result == 0) {
        // The back buffer as the frame left it, row by row.
        const MEMIMG& back = GetScreenState()->back_image;
        const int bytes = MemImgBytesPerPixel(&back);
        std::uint64_t hash = 1469598103934665603ull;
        for (int y = 0; y < back.height; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(back.pixels + y * back.block->pitch);
            hash = Fnv(hash, row, static_cast<std::size_t>(back.width * bytes / 4));
        }
        last_.back_hash = hash;
        all_back_hash_ = Fnv(all_back_hash_, hash);
    }
    if (!capture_) return result;
    for (platform_hooks::PresentedFrame& frame : capture_->Take()) {
        last_.frame_hash = Fnv(1469598103934665603ull, frame.pixels.data(), frame.pixels.size());
        all_frames_hash_ = Fnv(all_frames_hash_, last_.frame_hash);
        ++shown_;
        if (keep_frames_) kept_.push_back(std::move(frame));
    }
    return result;
}

void GameHarness::UseSmallWindow() {
    if (!small_window_) kept_window_scale_ = GetSystemBlock()->settings.window_scale;
    GetSystemBlock()->settings.window_scale = 0.25;
    small_window_ = true;
}

void GameHarness::SetCapture(bool on) {
    if (on && !capture_) capture_.emplace();
    if (!on) capture_.reset();
}

bool GameHarness::SaveFileExists() const { return std::filesystem::exists(dir_.path() / "save_data.dat"); }

std::vector<platform_hooks::PresentedFrame> GameHarness::TakeShownFrames() {
    std::vector<platform_hooks::PresentedFrame> out;
    out.swap(kept_);
    return out;
}

void GameVariablesTest::SetUp() {
    saved_ = g_game;
    SetGameTrace(&trace_);
}

void GameVariablesTest::TearDown() {
    SetGameTrace(nullptr);
    g_game = saved_;
}

void FreshGameVariablesTest::SetUp() {
    GameVariablesTest::SetUp();
    g_game = GameVariables{};
}

std::string SaveBytes(const std::vector<std::int32_t>& entries) {
    std::string bytes;
    for (std::int32_t entry : entries) {
        const auto value = static_cast<std::uint32_t>(entry);
        for (int i = 0; i < 4; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    return bytes;
}

std::vector<std::int32_t> DefaultRanking() {
    return {15000, 14000, 13000, 12000, 10000, 8000, 6000, 4000, 2000, 1000};
}

std::vector<std::int32_t> RankingOf(const GameVariables& game) {
    return std::vector<std::int32_t>(game.ranking, game.ranking + 10);
}

std::set<int> FiringBotKeys(const GameVariables& game, int frame) {
    std::set<int> keys;
    if (frame % 3 == 0) keys.insert(kKeyZ);
    const UfoRecord* aim = nullptr;
    for (const UfoRecord& u : game.ufos) {
        if (!u.active || u.x < 0 || u.x > 400) continue;
        const bool grabber = u.kind == 2.0 || u.kind == 3.0;
        const bool aim_grabber = aim != nullptr && (aim->kind == 2.0 || aim->kind == 3.0);
        if (aim == nullptr || (grabber && !aim_grabber) || (grabber == aim_grabber && u.y > aim->y)) aim = &u;
    }
    if (aim != nullptr) {
        const double dx = aim->x - game.player.x;
        if (dx > 2) keys.insert(kKeyRight);
        if (dx < -2) keys.insert(kKeyLeft);
    }
    return keys;
}

}  // namespace game_test
