#!/usr/bin/env bash
# Checks the layering of the tree by its #include lines, and prints each include that
# breaks it. Exit 0 when none does, 1 otherwise.
#   engine/<room>/...  includes of another room only through that room's door,
#                      engine/<room>/<room>.h (core has two: core.h and shell_hooks.h;
#                      the public entry header engine/include/vomur.h counts as a door);
#                      the shell, engine/app, is included by no other room but
#                      engine/include (the entry layer's side);
#                      of the platform layer only its top-level headers, platform/<name>.h,
#                      and none of its test hooks (platform/*_hooks.h); of the system only
#                      C++ standard headers (no SDL, codec or POSIX). Every quoted include
#                      names its file from the repository root.
#   platform/...       nothing of engine/; outside platform/testing, nothing of it.
#   game/, tools/      nothing of engine/ or platform/ but the public header vomur.h.
# Quoted and angle-bracket includes are read alike.
# Usage: check-includes.sh [root]   (the repository by default)
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root" || exit 2

bad=0
report() { echo "include check: $1: $2"; bad=1; }

# Prints "q NAME" or "a NAME" for each quoted or angle-bracket include of a file.
includes_of() {
  sed -n -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]*)".*/q \1/p; s/^[[:space:]]*#[[:space:]]*include[[:space:]]*<([^>]*)>.*/a \1/p' "$1"
}

sources_in() {
  find "$@" -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.hh' -o -name '*.cpp' -o -name '*.cc' \
    -o -name '*.cxx' -o -name '*.inl' -o -name '*.inc' -o -name '*.ipp' \) -print0 2>/dev/null
}

while IFS= read -r -d '' file; do
  room=${file#engine/}; room=${room%%/*}
  while read -r kind inc; do
    case "$inc" in
      engine/*)
        other=${inc#engine/}; other=${other%%/*}
        [ "$other" = "$room" ] && continue
        case "$other:$room" in
          app:include) ;;
          app:*) report "$file" "includes $inc; no room includes the shell, engine/app"; continue ;;
        esac
        case "$inc" in
          "engine/$other/$other.h" | engine/core/shell_hooks.h | engine/include/vomur.h) ;;
          *) report "$file" "includes $inc through the wall of room '$other' (use engine/$other/$other.h)" ;;
        esac ;;
      platform/*/*) report "$file" "includes $inc, inside the platform layer (only platform/<name>.h)" ;;
      platform/*_hooks.h) report "$file" "includes the test hooks $inc" ;;
      platform/*) ;;
      *)
        if [ "$kind" = q ]; then
          report "$file" "includes \"$inc\"; engine code names its includes from the repository root"
        else
          case "$inc" in
            */* | *.*) report "$file" "includes <$inc>; engine code reaches the system only through platform/" ;;
          esac
        fi ;;
    esac
  done < <(includes_of "$file")
done < <(sources_in engine)

while IFS= read -r -d '' file; do
  while read -r kind inc; do
    case "$inc" in
      engine/* | */engine/*) report "$file" "the platform layer includes $inc; it sits below the engine" ;;
      platform/testing/* | */testing/*)
        case "$file" in platform/testing/*) ;; *) report "$file" "production code includes the test hook $inc" ;; esac ;;
    esac
  done < <(includes_of "$file")
done < <(sources_in platform)

while IFS= read -r -d '' file; do
  while read -r kind inc; do
    case "$inc" in
      engine/* | platform/* | */engine/* | */platform/*)
        report "$file" "includes $inc; the game and the tools see only vomur.h" ;;
    esac
  done < <(includes_of "$file")
done < <(sources_in game tools)

[ "$bad" = 0 ] && echo "include check: every include goes through a door"
exit "$bad"
