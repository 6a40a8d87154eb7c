#!/usr/bin/env bash
# Plays TRELLIGAN: installs what is missing, builds the game optimised (build/play) and
# starts it in a window from build/play, the folder that holds the built dat/ and keeps
# save_data.dat (the ranking) between runs. The game asks first whether to run full screen.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

cmake -S . -B build/play -G Ninja -DCMAKE_BUILD_TYPE=Release -DVOMUR_BUILD_TESTS=OFF >/dev/null
cmake --build build/play -j "$(nproc)" --target trelligan assetgen_data

cd build/play
exec ./game/trelligan
