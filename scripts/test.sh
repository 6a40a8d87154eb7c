#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, runs every test headless, runs the threaded subsystems again
# under ThreadSanitizer and builds the benchmarks.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

jobs=$(nproc)
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVOMUR_SANITIZE=ON -DVOMUR_BUILD_TESTS=ON
cmake --build build/test -j "$jobs"

export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build/test --output-on-failure -j "$jobs" --timeout 300

# The subsystems that run their own threads, once more under ThreadSanitizer (the
# mutation corpora are single-threaded and already covered above).
threaded_labels="file network sound movie"
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVOMUR_TSAN=ON -DVOMUR_BUILD_TESTS=ON
for label in $threaded_labels; do cmake --build build/tsan -j "$jobs" --target "test_$label"; done
TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/tests/tsan.supp" ctest --test-dir build/tsan --output-on-failure -j "$jobs" --timeout 300 \
  -L "^($(echo $threaded_labels | tr ' ' '|'))\$" -E "Mutation"

# The benchmarks are built, optimised and without sanitizers, so they keep compiling;
# they are run by hand when speed is measured.
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVOMUR_BUILD_BENCH=ON
cmake --build build/bench -j "$jobs" --target bench_lz_unpack bench_image_load bench_softrender bench_sound bench_font bench_game bench_scaled_render bench_d3d bench_movie bench_movie_texture bench_d3d_path
