#!/usr/bin/env bash
# The include check on small trees made here: a tree whose includes all go through doors
# passes; each kind of include through a wall or up a floor, and each test entry reached
# from production code, fails, and is named in the report.
set -uo pipefail
check=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

make_tree() {  # make_tree DIR: a clean tree of two rooms, the platform layer and a game
  mkdir -p "$1"/engine/{core,graphics/draw,pixels,include} "$1"/platform/{sdl,testing} "$1"/game
  printf '#pragma once\n#include <cstdint>\n' > "$1"/engine/pixels/pixels.h
  printf '#include "engine/pixels/pixels.h"\n#include "engine/core/core.h"\n#include "engine/core/core_shell_hooks.h"\n#include "engine/graphics/draw/draw.h"\n#include "platform/window.h"\n#include <vector>\n' \
    > "$1"/engine/graphics/draw/draw.cpp
  printf '#include "platform/window.h"\n#include "platform/sdl/internal.h"\n#include <SDL.h>\n' > "$1"/platform/sdl/video.cpp
  printf '#include "platform/testing/hooks.h"\n' > "$1"/platform/testing/hooks.cpp
  printf '#pragma once\nint LiveFontCount();\n' > "$1"/platform/testing/font_testing.h
  mkdir -p "$1"/tests/support/engine_testing
  printf '#pragma once\nint StartNetworkForTesting();\nint DrawPixel(int x, int y);\n' \
    > "$1"/tests/support/engine_testing/network_test_entry.h
  printf '#pragma once\nint DrawPixel(int x, int y, int colour);\n' > "$1"/engine/graphics/graphics.h
  printf '#include "vomur.h"\n#include "actors.h"\n' > "$1"/game/main.cpp
}

expect() {  # expect NAME WANTED_EXIT PATTERN DIR
  out=$(bash "$check" "$4" 2>&1); code=$?
  if [ "$code" != "$2" ] || ! grep -q -- "$3" <<<"$out"; then
    echo "FAILED: $1 (exit $code)"; echo "$out"; failed=1
  else
    echo "ok: $1"
  fi
}

make_tree "$work/clean"
expect "a tree that keeps to the doors passes" 0 "every include goes through a door" "$work/clean"

cases=(
  "another room's inner header|engine/core/text_input.cpp|#include \"engine/graphics/draw/draw.h\"|through the wall of room 'graphics'"
  "a platform backend's header|engine/pixels/memimg.cpp|#include \"platform/sdl/internal.h\"|inside the platform layer"
  "a system header in the engine|engine/pixels/memimg.cpp|#include <SDL.h>|reaches the system only through platform"
  "the platform layer reaching up|platform/sdl/present.cpp|#include \"engine/core/core.h\"|sits below the engine"
  "production code with a test hook|platform/sdl/present.cpp|#include \"platform/testing/hooks.h\"|test hook"
  "the game reaching inside|game/actors.cpp|#include \"engine/graphics/graphics.h\"|see only vomur.h"
  "a relative path past the wall|engine/core/text_input.cpp|#include \"../graphics/draw/draw.h\"|from the repository root"
  "a system header in quotes|engine/pixels/memimg.cpp|#include \"SDL.h\"|from the repository root"
  "the platform's test hooks in the engine|engine/pixels/memimg.cpp|#include \"platform/display_hooks.h\"|test hooks"
  "an inline file reaching inside|engine/core/text_input.inl|#include \"engine/graphics/draw/draw.h\"|through the wall"
  "the platform reaching up in brackets|platform/sdl/present.cpp|#include <engine/core/core.h>|sits below the engine"
  "the game reaching inside in brackets|game/actors.cpp|#include <platform/window.h>|see only vomur.h"
  "a room including a room above it|engine/pixels/memimg.cpp|#include \"engine/graphics/graphics.h\"|upwards: room 'pixels' (floor 2) includes only doors of rooms below it"
  "a room including one on its own floor|engine/file/file.cpp|#include \"engine/pixels/pixels.h\"|upwards: room 'file' (floor 2)"
  "a room on no floor|engine/extra/extra.cpp|#include <cstdint>|room 'extra' stands on no floor"
  "the engine including an engine test entry|engine/pixels/memimg.cpp|#include \"tests/support/engine_testing/network_test_entry.h\"|production code includes the test entry"
  "the engine including a platform test hook|engine/pixels/memimg.cpp|#include \"platform/testing/font_testing.h\"|production code includes the test entry"
  "the platform layer including an engine test entry|platform/sdl/present.cpp|#include \"tests/support/engine_testing/network_test_entry.h\"|test hook"
  "the engine calling a ForTesting function|engine/pixels/memimg.cpp|void Run() { SetOptionsForTesting(1); }|calls the test entry SetOptionsForTesting"
  "the engine calling an engine test entry|engine/graphics/draw/lines.cpp|int Run() { return StartNetworkForTesting(); }|calls the test entry StartNetworkForTesting"
  "the platform layer calling a platform test entry|platform/sdl/present.cpp|int Run() { return LiveFontCount(); }|calls the test entry LiveFontCount"
)
n=0
for c in "${cases[@]}"; do
  IFS='|' read -r name file line pattern <<<"$c"
  n=$((n + 1))
  dir="$work/case$n"
  make_tree "$dir"
  mkdir -p "$(dirname "$dir/$file")"
  printf '%s\n' "$line" > "$dir/$file"
  expect "$name fails" 1 "$pattern" "$dir"
done
# A test overload of an engine entry is no test entry: the engine may call its own.
make_tree "$work/overload"
printf 'int Run() { return DrawPixel(1, 2, 3); }\n' > "$work/overload/engine/graphics/draw/lines.cpp"
expect "the engine calling its own entry that a test overloads passes" 0 "every include goes through a door" "$work/overload"
exit "$failed"
