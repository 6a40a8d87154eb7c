#!/usr/bin/env bash
# Checks the layering of the tree by its #include lines, and prints each include that
# breaks it. Exit 0 when none does, 1 otherwise.
#   engine/<room>/...  includes only rooms on lower floors (the floor list below; rooms on
#                      one floor do not include each other; the shell may include the
#                      public entry header, whose entries it defines);
#                      includes of another room only through that room's door,
#                      engine/<room>/<room>.h (core has two: core.h and core_shell_hooks.h;
#                      the public entry header engine/include/vomur.h counts as a door);
#                      the shell, engine/app, is included by no other room but
#                      engine/include (the entry layer's side);
#                      of the platform layer only its top-level headers, platform/<name>.h,
#                      and none of its test hooks (platform/*_hooks.h); of the system only
#                      C++ standard headers (no SDL, codec or POSIX). Every quoted include
#                      names its file from the repository root.
#   platform/...       nothing of engine/; outside platform/testing, nothing of it.
#   engine/, platform/ (production code, outside platform/testing): no test entry, neither
#                      included (tests/..., platform/testing/...) nor called (a function
#                      named *ForTesting, or one that only the test libraries declare:
#                      tests/support/engine_testing, platform/testing).
#   game/, tools/      nothing of engine/ or platform/ but the public header vomur.h.
# Quoted and angle-bracket includes are read alike.
# Usage: check-includes.sh [root]   (the repository by default)
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root" || exit 2

bad=0
report() { echo "include check: $1: $2"; bad=1; }

# The engine's floors, bottom up; a room includes only rooms on floors below its own.
floors="core; pixels file input network; drawstate softrender sound; movie; d3d; graphics; font; app; include"
declare -A floor_of=()
level=0
IFS=';' read -ra floor_list <<<"$floors"
for floor in "${floor_list[@]}"; do
  level=$((level + 1))
  for name in $floor; do floor_of[$name]=$level; done
done
for dir in engine/*/; do
  [ -d "$dir" ] || continue
  name=${dir#engine/}; name=${name%/}
  [ -n "${floor_of[$name]:-}" ] || report "engine/$name" "room '$name' stands on no floor (add it to the floor list in scripts/check-includes.sh)"
done

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
        if [ -n "${floor_of[$room]:-}" ] && [ -n "${floor_of[$other]:-}" ] &&
          [ "${floor_of[$other]}" -ge "${floor_of[$room]}" ] && [ "$room:$inc" != "app:engine/include/vomur.h" ]; then
          report "$file" "includes $inc, upwards: room '$room' (floor ${floor_of[$room]}) includes only doors of rooms below it, and '$other' stands on floor ${floor_of[$other]}"
        fi
        case "$other:$room" in
          app:include) ;;
          app:*) report "$file" "includes $inc; no room includes the shell, engine/app"; continue ;;
        esac
        case "$inc" in
          "engine/$other/$other.h" | engine/core/core_shell_hooks.h | engine/include/vomur.h) ;;
          *) report "$file" "includes $inc through the wall of room '$other' (use engine/$other/$other.h)" ;;
        esac ;;
      tests/* | */tests/* | platform/testing/*) report "$file" "production code includes the test entry $inc" ;;
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
      platform/testing/* | */testing/* | tests/* | */tests/*)
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

# Test entries called from production code: functions named *ForTesting, and functions
# declared only by the test libraries (names the engine or platform also declare, such
# as test overloads of an engine entry, are left out).
production_sources() {
  sources_in engine platform | while IFS= read -r -d '' f; do
    case "$f" in platform/testing/*) ;; *) printf '%s\0' "$f" ;; esac
  done
}
declared_names() {  # the function names declared or defined at the start of a line
  sed -n -E 's/^(inline |static |extern )*[A-Za-z_][A-Za-z0-9_:<>]*[[:space:]*&]+([A-Za-z_][A-Za-z0-9_]*)\(.*/\2/p' "$@" 2>/dev/null | sort -u
}
mapfile -d '' prod_files < <(production_sources)
test_headers=$(find tests/support/engine_testing platform/testing -name '*.h' 2>/dev/null)
entries=()
if [ -n "$test_headers" ]; then
  prod_headers=()
  for f in "${prod_files[@]}"; do case "$f" in *.h) prod_headers+=("$f") ;; esac; done
  # shellcheck disable=SC2086
  mapfile -t entries < <(comm -23 <(declared_names $test_headers) <( ((${#prod_headers[@]})) && declared_names "${prod_headers[@]}"))
fi
pattern='[A-Za-z_][A-Za-z0-9_]*ForTesting'
((${#entries[@]})) && pattern="$pattern|$(IFS='|'; echo "${entries[*]}")"
if ((${#prod_files[@]})); then
  while IFS=: read -r file line text; do
    name=$(grep -oE "\b($pattern)[[:space:]]*\(" <<<"$text" | head -1 | tr -d '( ')
    report "$file:$line" "production code calls the test entry $name"
  done < <(grep -nE "(^|[^A-Za-z0-9_])($pattern)[[:space:]]*\(" "${prod_files[@]}" /dev/null)
fi

[ "$bad" = 0 ] && echo "include check: every include goes through a door"
exit "$bad"
