// The body of main() for the benchmarks that run the engine over GL without a display.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>

// GL needs a video driver that can make a context: SDL's off-screen driver (Mesa's EGL)
// unless another one is asked for; sound goes to SDL's dummy driver unless asked for.
// Then runs the registered benchmarks.
inline int RunGlBenchmarks(int argc, char** argv) {
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (driver == nullptr || std::strcmp(driver, "dummy") == 0) setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
