#!/usr/bin/env bash
# TRELLIGAN's program in a real window under a private X server, from exec to exit: the
# start-up question answered "No" (window mode), Escape pressed as soon as the window is
# there, so that the program draws its first title frame and shuts down. Prints the wall
# time of each run, and from a second run under strace the time the main thread spent in
# Sleep, with its longest unbroken stretch of sleeps (the display's settle wait between two
# mode sets) apart from the rest.
# Usage: bench/game_window_startup.sh [build folder, default build/bench] [runs, default 3]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/bench}" && pwd)
runs=${2:-3}
program=$build/game/trelligan
for tool in Xvfb xdotool strace; do
  command -v "$tool" >/dev/null || { echo "needs $tool"; exit 2; }
done
[ -x "$program" ] || { echo "build $program first (cmake --build $build --target trelligan)"; exit 2; }

work=$(mktemp -d /tmp/trelligan-window-XXXXXX)
xvfb_pid=
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
ln -s "$build/dat" "$work/dat"
mkdir -p "$work/locks"

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
display=:$(cat "$work/display")

now_ms() { date +%s%3N; }

# One run; $1 is a command prefix (empty or strace ...). Prints the wall milliseconds.
run_once() {
  local start end pid
  start=$(now_ms)
  (cd "$work" && exec env DISPLAY="$display" SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy \
     VOMUR_LOCK_DIR="$work/locks" VOMUR_MESSAGE_BOX_ANSWER=7 $1 "$program" >>"$work/program_output.txt" 2>&1) &
  pid=$!
  DISPLAY=$display timeout 60 xdotool search --sync --name '^TRELLIGAN$' >/dev/null 2>&1 || true
  # Escape held until the program has read it and gone.
  while kill -0 "$pid" 2>/dev/null; do
    DISPLAY=$display xdotool search --name '^TRELLIGAN$' windowfocus keydown Escape >/dev/null 2>&1 || true
    sleep 0.02
  done
  wait "$pid" || true
  end=$(now_ms)
  DISPLAY=$display xdotool keyup Escape >/dev/null 2>&1 || true
  echo $((end - start))
}

for i in $(seq "$runs"); do
  echo "run $i: exec to exit $(run_once "") ms"
done

trace=$work/trace.txt
traced=$(run_once "strace -f -ttt -T -e trace=nanosleep,clock_nanosleep -o $trace")
# Main thread: the first process id in the trace. A stretch is a run of sleeps each begun
# within 20 ms of the previous one's end; gaps of 50 ms or more without a sleep are listed
# as the work between them.
awk -v total_ms="$traced" '
  main == "" { main = $1; first = $2 + 0 }
  $1 == main { final = $2 + 0 }
  $3 ~ /sleep\(/ {
    if ($1 != main) next
    match($0, /<[0-9.]+>$/); d = substr($0, RSTART + 1, RLENGTH - 2) + 0
    t = $2 + 0
    sum += d
    if (last_end != "" && t - last_end >= 0.05) printf "  work without sleeping: %.0f ms, from %.0f ms\n", (t - last_end) * 1000, (last_end - first) * 1000
    if (last_end != "" && t - last_end < 0.02) { run += d } else { run = d }
    if (run > longest) longest = run
    last_end = t + d
  }
  END {
    printf "  the last sleep to exit (shut-down) %.0f ms\n", (final - last_end) * 1000
    printf "under strace: exec to exit %d ms; main thread asleep %.0f ms, of which the longest stretch %.0f ms; %.0f ms not asleep\n",
      total_ms, sum * 1000, longest * 1000, total_ms - sum * 1000
  }' "$trace"
