// The engine's two drawing paths on this machine (Mesa's GL on SDL's off-screen driver
// when there is no GPU): TRELLIGAN's frame in a busy stretch of the first wave, and a
// heavy scene of 2,000 alpha-blended 32x32 sprites drawn through the draw entries, each
// once with Direct3D (the engine's default where it can be opened) and once in software
// mode (the software-mode request made before start-up). Each run plays in a child
// process of its own; wall-clock milliseconds per frame, flip included, as median and
// 99th percentile, and the ratio software / Direct3D. When Direct3D cannot be opened both
// runs take the software path, and the output says so. Where GL renders on the CPU the
// platform offers it as the software-emulation device and the engine itself takes the
// software path; the bench counts such a GL as hardware to measure Direct3D mode on it,
// and says so in a line of its own.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "bench/bench_child.h"
#include "bench/bench_clock.h"
#include "bench/game_bench_play.h"
#include "bench/gl_bench_main.h"
#include "engine/d3d/d3d.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/graphics.h"
#include "engine/graphics/graphs/graph_from_image.h"
#include "engine/graphics/images/graph_image.h"
#include "engine/include/vomur.h"
#include "game/game_loop.h"
#include "game/game_view.h"
#include "platform/testing/gl_testing.h"
#include "platform/testing/input_testing.h"
#include "platform/testing/manual_clock.h"

namespace {

constexpr int kBusyFrames = 300;
constexpr int kSceneFrames = 60;
constexpr int kSprites = 2000;
constexpr int kSprite = 32;

struct Figures {
    double median_ms = -1;
    double p99_ms = -1;
    int three_d = -1;
    int gl_on_cpu = -1;  // whether GL renders on the CPU (asked while Direct3D is up)
};

Figures Summarise(std::vector<double> times, int three_d) {
    std::sort(times.begin(), times.end());
    return Figures{times[times.size() / 2], times[times.size() * 99 / 100], three_d,
                   three_d == 1 ? (GlRendersOnCpu() ? 1 : 0) : -1};
}

Figures GameFrames() {
    ManualClock clock(5000);
    ScriptedInput input;
    if (GameStartUp() != 0) std::_Exit(3);
    const int three_d = IsDirect3DUp();
    int frame = PlayToFirstGo(input);
    std::vector<double> times;
    for (int i = 0; i < kBusyFrames; ++i, ++frame) {
        SetBotKeys(input, GameView(), frame);
        const double start = WallMs();
        RunOneFrame();
        times.push_back(WallMs() - start);
    }
    GameShutDown();
    return Summarise(times, three_d);
}

// 2,000 sprites a frame, a soft disc with an alpha channel, blended at value 160 over a
// cleared back buffer, then flipped.
Figures HeavyScene() {
    ManualClock clock(5000);
    ApiChangeWindowMode(1);
    ApiSetLogFileOutput(0);
    if (ApiInitializeLibrary() != 0) std::_Exit(3);
    const int three_d = IsDirect3DUp();
    ApiChooseDrawTarget(kDrawTargetBack);
    GraphImage image{};
    if (CreateArgb32GraphImage(kSprite, kSprite, &image) != 0) std::_Exit(4);
    for (int y = 0; y < kSprite; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(image.pixels) + y * image.pitch);
        for (int x = 0; x < kSprite; ++x) {
            const int dx = x - kSprite / 2;
            const int dy = y - kSprite / 2;
            const int alpha = std::max(0, 255 - (dx * dx + dy * dy) * 255 / (kSprite * kSprite / 4));
            row[x] = static_cast<std::uint32_t>(alpha) << 24 | static_cast<std::uint32_t>(x * 8) << 16 |
                     static_cast<std::uint32_t>(y * 8) << 8 | 0x80u;
        }
    }
    const int sprite = BuildGraphFromGraphImage(&image, nullptr, 1, 0, 1);
    FreeGraphImage(&image);
    if (sprite < 0) std::_Exit(5);
    std::mt19937 random(11);
    std::vector<std::pair<int, int>> places(kSprites);
    for (auto& place : places) {
        place = {static_cast<int>(random() % (640 - kSprite)), static_cast<int>(random() % (480 - kSprite))};
    }
    std::vector<double> times;
    for (int frame = 0; frame < kSceneFrames + 3; ++frame) {
        const double start = WallMs();
        ApiClearDrawTarget();
        SetBlendModeAndValue(kBlendAlpha, 160);
        for (const auto& [x, y] : places) DrawGraphAtPoint(x, y, sprite, 1);
        SetBlendModeAndValue(kBlendNone, 0);
        ApiFlipScreen();
        if (frame >= 3) times.push_back(WallMs() - start);  // the first frames warm the caches
    }
    ApiTerminateLibrary();
    return Summarise(times, three_d);
}

// Runs `measure` in a child process in one mode and reads its figures back.
template <typename Measure>
Figures InChild(bool software, Measure measure) {
    return MeasureInChild<Figures>([software, measure] {
        EnterGameFolder("vomur-d3d-bench");
        platform_hooks::CountCpuGlAsHardware(true);
        if (software) SetUseTextureGraphs(0);
        return measure();
    });
}

void Report(const char* what, const Figures& hardware, const Figures& software) {
    static bool cpu_line_printed = false;
    if (hardware.gl_on_cpu == 1 && !cpu_line_printed) {
        cpu_line_printed = true;
        std::printf("This machine's GL is a CPU rasteriser: the engine itself takes the software path here; "
                    "Direct3D mode below is measured with that GL counted as a hardware device.\n");
    }
    std::printf("%s: Direct3D%s median %.3f ms, p99 %.3f ms; software median %.3f ms, p99 %.3f ms; "
                "software / Direct3D = %.2fx (median), %.2fx (p99)\n",
                what, hardware.three_d == 1 ? "" : " (NOT opened: software path)", hardware.median_ms,
                hardware.p99_ms, software.median_ms, software.p99_ms, software.median_ms / hardware.median_ms,
                software.p99_ms / hardware.p99_ms);
}

void BM_GameFrameDirect3DAgainstSoftware(benchmark::State& state) {
    Figures hardware, software;
    for (auto _ : state) {
        hardware = InChild(false, GameFrames);
        software = InChild(true, GameFrames);
        state.SetIterationTime(hardware.median_ms / 1e3);
    }
    state.counters["d3d_median_ms"] = hardware.median_ms;
    state.counters["soft_median_ms"] = software.median_ms;
    state.counters["ratio"] = software.median_ms / hardware.median_ms;
    Report("game frame, busy wave", hardware, software);
}
BENCHMARK(BM_GameFrameDirect3DAgainstSoftware)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_TwoThousandBlendedSpritesDirect3DAgainstSoftware(benchmark::State& state) {
    Figures hardware, software;
    for (auto _ : state) {
        hardware = InChild(false, HeavyScene);
        software = InChild(true, HeavyScene);
        state.SetIterationTime(hardware.median_ms / 1e3);
    }
    state.counters["d3d_median_ms"] = hardware.median_ms;
    state.counters["soft_median_ms"] = software.median_ms;
    state.counters["ratio"] = software.median_ms / hardware.median_ms;
    Report("2,000 blended 32x32 sprites", hardware, software);
}
BENCHMARK(BM_TwoThousandBlendedSpritesDirect3DAgainstSoftware)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return RunGlBenchmarks(argc, argv); }
