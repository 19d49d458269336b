#!/usr/bin/env bash
# The five interpreter programs of bench/programs against Lua 5.4: each program is compiled
# to an image, then the engine and Lua run it alternately RUNS times (default 5). Prints
# every run's wall-clock and CPU (user + system) seconds, the medians and the ratio
# ours / Lua of each median. Both sides must print the same result.
#   bench/interp_vs_lua.sh [BUILD_DIR] [RUNS] [PROGRAM...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
runs=${2:-5}
shift $(( $# > 2 ? 2 : $# )) || true
programs=("$@")
[ ${#programs[@]} -gt 0 ] || programs=(loop fib arrays strings floats)
lua=$(command -v lua5.4 || true)
[ -n "$lua" ] || { echo "lua5.4 is not installed (scripts/install-deps.sh installs it)"; exit 0; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Prints "wall cpu" of one run and leaves its output in $work/out.
timed() {
  /usr/bin/time -f "%e %U %S" -o "$work/time" "$@" >"$work/out"
  awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }' "$work/time"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

printf "%-8s %-6s %s\n" program side "wall / cpu seconds of each run"
for p in "${programs[@]}"; do
  "$build/ztc" -o "$work/$p.img" "$here/programs/$p.ztb"
  : >"$work/ours"; : >"$work/theirs"
  for ((i = 0; i < runs; ++i)); do
    timed "$build/zentropia" --headless --echo "$work/$p.img" >>"$work/ours"
    ours_out=$(cat "$work/out")
    timed "$lua" "$here/programs/$p.lua" >>"$work/theirs"
    theirs_out=$(cat "$work/out")
    [ "$ours_out" = "$theirs_out" ] || echo "  $p: results differ: '$ours_out' against '$theirs_out'"
  done
  printf "%-8s %-6s %s\n" "$p" ours "$(tr '\n' ' ' <"$work/ours")"
  printf "%-8s %-6s %s\n" "" lua "$(tr '\n' ' ' <"$work/theirs")"
  ow=$(cut -d' ' -f1 "$work/ours" | median); oc=$(cut -d' ' -f2 "$work/ours" | median)
  tw=$(cut -d' ' -f1 "$work/theirs" | median); tc=$(cut -d' ' -f2 "$work/theirs" | median)
  awk -v p="$p" -v ow="$ow" -v oc="$oc" -v tw="$tw" -v tc="$tc" 'BEGIN {
    printf "%-8s median ours %.3f / %.3f s, lua %.3f / %.3f s, ratio ours/lua wall %.2f, cpu %.2f\n",
      p, ow, oc, tw, tc, ow / tw, oc / tc }'
done
