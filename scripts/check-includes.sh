#!/usr/bin/env bash
# Checks the layering of the tree by its #include lines, and prints each include that
# breaks it. Exit 0 when none does, 1 otherwise.
#   engine/<room>/...  includes of another room only through that room's door,
#                      engine/<room>/<room>.h (core has two: core.h and core_window.h;
#                      the public entry header engine/include/vomur.h counts as a door);
#                      of the platform layer only its top-level headers, platform/<name>.h;
#                      of the system only C++ standard headers (no SDL, codec or POSIX).
#   platform/...       nothing of engine/; outside platform/testing, nothing of it.
#   game/, tools/      nothing of engine/ or platform/ but the public header vomur.h.
# Usage: check-includes.sh [root]   (the repository by default)
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root" || exit 2

bad=0
report() { echo "include check: $1: $2"; bad=1; }

while IFS= read -r -d '' file; do
  room=${file#engine/}; room=${room%%/*}
  while IFS= read -r line; do
    inc=${line#*\"}; inc=${inc%%\"*}
    case "$inc" in
      engine/*)
        other=${inc#engine/}; other=${other%%/*}
        [ "$other" = "$room" ] && continue
        case "$inc" in
          "engine/$other/$other.h" | engine/core/core_window.h | engine/include/vomur.h) ;;
          *) report "$file" "includes $inc through the wall of room '$other' (use engine/$other/$other.h)" ;;
        esac ;;
      platform/*/*) report "$file" "includes $inc, inside the platform layer (only platform/<name>.h)" ;;
    esac
  done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file")
  while IFS= read -r line; do
    inc=${line#*<}; inc=${inc%%>*}
    case "$inc" in
      */* | *.*) report "$file" "includes <$inc>; engine code reaches the system only through platform/" ;;
    esac
  done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*<' "$file")
done < <(find engine -type f \( -name '*.h' -o -name '*.cpp' \) -print0 2>/dev/null)

while IFS= read -r -d '' file; do
  while IFS= read -r line; do
    inc=${line#*\"}; inc=${inc%%\"*}
    case "$inc" in
      engine/*) report "$file" "the platform layer includes $inc; it sits below the engine" ;;
      platform/testing/*)
        case "$file" in platform/testing/*) ;; *) report "$file" "production code includes the test hook $inc" ;; esac ;;
    esac
  done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file")
done < <(find platform -type f \( -name '*.h' -o -name '*.cpp' \) -print0 2>/dev/null)

while IFS= read -r -d '' file; do
  while IFS= read -r line; do
    inc=${line#*\"}; inc=${inc%%\"*}
    case "$inc" in
      engine/* | platform/*) report "$file" "includes $inc; the game and the tools see only vomur.h" ;;
    esac
  done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file")
done < <(find game tools -type f \( -name '*.h' -o -name '*.cpp' \) -print0 2>/dev/null)

[ "$bad" = 0 ] && echo "include check: every include goes through a door"
exit "$bad"
