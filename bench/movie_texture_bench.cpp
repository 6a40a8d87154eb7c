// A 640x480 Theora movie loaded as a texture graph and drawn each frame through the draw
// entries (clear, draw, flip), the movie moving one frame per drawn frame: once with the
// frames fed through the movie's YUV surface (the display takes YV12; the GPU converts
// while it stretches the picture into the graph's textures) and once through the CPU
// conversion into the frame image and the texture writes (the display refusing every
// FourCC). Each path runs in a child process of its own, on Mesa's GL on SDL's off-screen
// driver where there is no GPU (counted as a hardware device so that Direct3D opens, and
// told to take YV12, which a display on such a GL does not offer of its own accord).
// Prints frames per second of both paths and the ratio, with the processor time a frame
// (less moved by other load on the machine). VOMUR_BENCH_ONLY=yuv or =rgb runs one path.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_child.h"
#include "bench/bench_clock.h"
#include "bench/gl_bench_main.h"
#include "engine/d3d/d3d.h"
#include "engine/graphics/graphics.h"
#include "engine/graphics/graphs/graph_handles.h"
#include "engine/include/vomur.h"
#include "engine/movie/movie.h"
#include "engine/movie/movie_record.h"
#include "engine/movie/theora_movie.h"
#include "platform/testing/gl_testing.h"
#include "platform/testing/manual_clock.h"
#include "platform/testing/yuv_surface_testing.h"
#include "tests/movie/movie_fixtures.h"
#include "tests/support/engine_testing/movie_testing.h"

namespace {

constexpr int kWidth = 640, kHeight = 480, kMovieFrames = 48, kDrawnFrames = 240, kWarmFrames = 5;

struct Figures {
    double frames_per_second = -1;
    double median_ms = -1;
    double cpu_ms_per_frame = -1;
    int three_d = -1;
    int texture_graph = -1;
    std::uint32_t fourcc = 0xFFFFFFFFu;
};

const std::string& MoviePath() {
    static const std::string path = [] {
        TheoraFixture f;
        f.coded_width = f.picture_width = kWidth;
        f.coded_height = f.picture_height = kHeight;
        f.frames = kMovieFrames;
        f.keyframe_interval = 16;
        // Named for this process, so that runs side by side do not overwrite each other's.
        const std::string p = (std::filesystem::temp_directory_path() /
                               ("vomur_bench_texture_movie_" + std::to_string(getpid()) + ".ogv"))
                                  .string();
        WriteFileBytes(p, MakeTheoraFile(f));
        return p;
    }();
    return path;
}

Figures DrawMovie(bool through_yuv) {
    ManualClock clock(5000);
    ApiChangeWindowMode(1);
    ApiSetLogFileOutput(0);
    if (ApiInitializeLibrary() != 0) std::_Exit(3);
    Figures figures;
    figures.three_d = IsDirect3DUp();
    ApiChooseDrawTarget(-2);
    int graph = -1;
    if (through_yuv) {
        AcceptYuvFourCCs yv12{kFourCcYv12};
        graph = ApiLoadImageAsGraph(MoviePath().c_str(), 0);
    } else {
        AcceptYuvFourCCs none{MakeFourCC('N', 'O', 'N', 'E')};
        graph = ApiLoadImageAsGraph(MoviePath().c_str(), 0);
    }
    if (graph < 0) std::_Exit(4);
    const GraphRecord* record = GetGraphRecord(graph);
    figures.texture_graph = record->creation.texture;
    const int movie = record->movie;
    figures.fourcc = GetMovieRecord(movie)->theora->yuv_fourcc;
    PlayMovie(movie, 1);
    std::vector<double> times;
    const double begin = WallMs();
    double counted_from = begin;
    double cpu_from = ProcessCpuMs();
    for (int frame = 0; frame < kDrawnFrames + kWarmFrames; ++frame) {
        if (frame == kWarmFrames) {
            counted_from = WallMs();
            cpu_from = ProcessCpuMs();
        }
        const double start = WallMs();
        clock.AdvanceMs(40);  // one frame of the 25 fps movie
        ApiClearDrawTarget();
        ApiDrawGraphAtPoint(0, 0, graph, 0);
        ApiFlipScreen();
        if (frame >= kWarmFrames) times.push_back(WallMs() - start);
    }
    figures.cpu_ms_per_frame = (ProcessCpuMs() - cpu_from) / kDrawnFrames;
    figures.frames_per_second = kDrawnFrames / ((WallMs() - counted_from) / 1e3);
    std::sort(times.begin(), times.end());
    figures.median_ms = times[times.size() / 2];
    ApiTerminateLibrary();
    return figures;
}

// The children's working folder (their log), named for this process like the movie.
std::filesystem::path WorkFolder() {
    return std::filesystem::temp_directory_path() / ("vomur-movie-texture-bench-" + std::to_string(getpid()));
}

Figures InChild(bool through_yuv) {
    MoviePath();
    const std::filesystem::path folder = WorkFolder();
    return MeasureInChild<Figures>([through_yuv, folder] {
        std::filesystem::create_directories(folder);
        std::filesystem::current_path(folder);
        platform_hooks::CountCpuGlAsHardware(true);
        return DrawMovie(through_yuv);
    });
}

void BM_MovieTextureGraphYuvAgainstRgb(benchmark::State& state) {
    Figures yuv, rgb;
    for (auto _ : state) {
        const char* only = std::getenv("VOMUR_BENCH_ONLY");
        if (only == nullptr || std::strcmp(only, "rgb") != 0) yuv = InChild(true);
        if (only == nullptr || std::strcmp(only, "yuv") != 0) rgb = InChild(false);
        state.SetIterationTime(yuv.median_ms / 1e3);
    }
    std::error_code ignored;
    std::filesystem::remove(MoviePath(), ignored);
    std::filesystem::remove_all(WorkFolder(), ignored);
    state.counters["yuv_fps"] = yuv.frames_per_second;
    state.counters["rgb_fps"] = rgb.frames_per_second;
    state.counters["yuv_over_rgb"] = yuv.frames_per_second / rgb.frames_per_second;
    state.counters["yuv_cpu_ms"] = yuv.cpu_ms_per_frame;
    state.counters["rgb_cpu_ms"] = rgb.cpu_ms_per_frame;
    const auto name = [](std::uint32_t f) {
        if (f == 0) return std::string("none");
        if (f == 0xFFFFFFFFu) return std::string("?");
        return std::string{static_cast<char>(f), static_cast<char>(f >> 8), static_cast<char>(f >> 16),
                           static_cast<char>(f >> 24)};
    };
    std::printf("640x480 Theora movie as a texture graph, %d drawn frames: through the YUV surface (%s%s) "
                "%.1f fps (median %.3f ms, processor %.3f ms a frame); through the CPU conversion (YUV surface: %s) "
                "%.1f fps (median %.3f ms, processor %.3f ms a frame); YUV / RGB = %.2fx in frames per second, "
                "%.2fx in processor time a frame\n",
                kDrawnFrames, name(yuv.fourcc).c_str(),
                yuv.three_d == 1 && yuv.texture_graph == 1 ? "" : ", NOT a Direct3D texture graph",
                yuv.frames_per_second, yuv.median_ms, yuv.cpu_ms_per_frame, name(rgb.fourcc).c_str(),
                rgb.frames_per_second, rgb.median_ms, rgb.cpu_ms_per_frame, yuv.frames_per_second / rgb.frames_per_second,
                yuv.cpu_ms_per_frame / rgb.cpu_ms_per_frame);
}
BENCHMARK(BM_MovieTextureGraphYuvAgainstRgb)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return RunGlBenchmarks(argc, argv); }
