// TRELLIGAN's frame and start-up costs, optimised, headless (SDL's dummy video driver, the
// window's 32-bit software rendering):
//  - the CPU time of one game frame in a busy stretch of the first wave (the whole
//    formation fighting, the player's shots, the UFOs' bullets, explosions), as median and
//    99th percentile over the 300 frames from the first "GO!", driven by a scripted player
//    on the manual clock; the budget is a sixteenth of the 16 ms frame, 1 ms;
//  - the time from start to the first title frame shown, on the real clock, in a fresh
//    child process, split into the engine's start-up (which holds the screen's documented
//    settle wait between its two mode sets), the game's own start-up (the eighteen files,
//    music included, and the save file) and the first title frame; and the engine's
//    start-up once more on the manual clock, where the waits cost nothing.
// There is no peer program to run beside it; the figures are printed against the budgets.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <vector>

#include "bench/bench_child.h"
#include "bench/bench_clock.h"
#include "bench/game_bench_play.h"
#include "game/game_loop.h"
#include "game/game_view.h"
#include "engine/include/vomur.h"
#include "platform/testing/input_testing.h"
#include "platform/testing/manual_clock.h"
#include "platform/testing/window_testing.h"

namespace {

constexpr int kBusyFrames = 300;

struct FrameFigures {
    double median_ms, p99_ms;
    double ufos, shots, bullets, explosions;  // averages over the measured frames
};

FrameFigures MeasureBusyFrames() {
    ManualClock clock(5000);
    ScriptedInput input;
    if (GameStartUp() != 0) std::exit(3);
    int frame = PlayToFirstGo(input);
    std::vector<double> times;
    FrameFigures f{};
    for (int i = 0; i < kBusyFrames; ++i, ++frame) {
        SetBotKeys(input, GameView(), frame);
        const double start = ThreadCpuMs();
        RunOneFrame();
        times.push_back(ThreadCpuMs() - start);
        const GameVariables& g = GameView();
        for (const UfoRecord& u : g.ufos) f.ufos += u.active;
        for (const PlayerShot& s : g.shots) f.shots += s.active;
        for (const BulletRecord& b : g.bullets) f.bullets += b.active;
        for (const ExplosionRecord& e : g.explosions) f.explosions += e.active;
    }
    GameShutDown();
    std::sort(times.begin(), times.end());
    f.median_ms = times[times.size() / 2];
    f.p99_ms = times[times.size() * 99 / 100];
    f.ufos /= kBusyFrames;
    f.shots /= kBusyFrames;
    f.bullets /= kBusyFrames;
    f.explosions /= kBusyFrames;
    return f;
}

struct StartFigures {
    double engine_ms;       // the engine's start-up (ApiInitializeLibrary)
    double game_ms;         // the rest of the game's start-up: its files and the save file
    double first_title_ms;  // the first title frame, drawn and shown
    double total_ms;        // fork to the first title frame shown
};

// In a fresh child process, so that the engine starts from nothing. The engine is started
// first with the settings the game makes, so that its start-up is timed alone; the game's
// start-up then finds it running and goes on at once.
StartFigures MeasureStartUp(bool manual_clock) {
    const double t0 = WallMs();
    const StartFigures failed{-1, -1, -1, -1};
    const auto measure = [manual_clock, t0, failed] {
        ManualClock* clock = manual_clock ? new ManualClock(5000) : nullptr;
        const double start = WallMs();
        ApiSetWindowTitleText("TRELLIGAN");
        ApiChangeWindowMode(1);
        ApiSetLogFileOutput(0);
        const int engine = ApiInitializeLibrary();
        const double engine_up = WallMs();
        const int started = GameStartUp();
        const double game_up = WallMs();
        RunOneFrame();
        const double title = WallMs();
        GameShutDown();
        delete clock;
        const StartFigures figures{engine_up - start, game_up - engine_up, title - game_up, title - t0};
        return engine != 0 || started != 0 ? failed : figures;
    };
    return MeasureInChild<StartFigures>(measure, failed);
}

// Registered first: its children are forked from a process that has not run the engine yet
// (the engine keeps the time of its last display-mode change for the rest of the process, so
// a child forked after the frame benchmark would skip the settle wait between mode sets).
void BM_StartToFirstTitleFrame(benchmark::State& state) {
    StartFigures real{}, manual{};
    for (auto _ : state) {
        real = MeasureStartUp(false);
        manual = MeasureStartUp(true);
        state.SetIterationTime(real.total_ms / 1e3);
    }
    state.counters["total_ms"] = real.total_ms;
    state.counters["engine_ms"] = real.engine_ms;
    state.counters["game_ms"] = real.game_ms;
    state.counters["title_frame_ms"] = real.first_title_ms;
    const double without_engine = real.total_ms - real.engine_ms;
    std::printf("start to first title frame: %.1f ms = engine start-up %.1f ms (%.1f ms of it without waits, so "
                "%.1f ms waited) + game start-up %.1f ms + first title frame %.1f ms + fork %.1f ms; "
                "without the engine's start-up %.1f ms (budget 500 ms = %.2fx)\n",
                real.total_ms, real.engine_ms, manual.engine_ms, real.engine_ms - manual.engine_ms, real.game_ms,
                real.first_title_ms, real.total_ms - real.engine_ms - real.game_ms - real.first_title_ms,
                without_engine, without_engine / 500.0);
}
BENCHMARK(BM_StartToFirstTitleFrame)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_GameFrameInABusyWave(benchmark::State& state) {
    FrameFigures f{};
    for (auto _ : state) {
        f = MeasureBusyFrames();
        state.SetIterationTime(f.median_ms / 1e3);
    }
    state.counters["median_ms"] = f.median_ms;
    state.counters["p99_ms"] = f.p99_ms;
    state.counters["ufos"] = f.ufos;
    state.counters["bullets"] = f.bullets;
    state.counters["explosions"] = f.explosions;
    std::printf("game frame, busy wave: median %.3f ms, p99 %.3f ms (budget 1 ms = %.2fx / %.2fx); "
                "on average %.1f UFOs, %.2f shots, %.1f bullets, %.1f explosions\n",
                f.median_ms, f.p99_ms, f.median_ms / 1.0, f.p99_ms / 1.0, f.ufos, f.shots, f.bullets, f.explosions);
}
BENCHMARK(BM_GameFrameInABusyWave)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path dir = EnterGameFolder("trelligan-bench");
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::current_path("/");
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    return 0;
}
