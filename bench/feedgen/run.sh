#!/bin/sh
# Times solvane-feedgen writing whole seasons, and compares it with copying the same bytes.
# Usage: bench/feedgen/run.sh [YEARS] [FEEDGEN_BINARY]
#   YEARS: how many seasons to generate (default 1; 20 works for a long benchmark feed)
#   FEEDGEN_BINARY: a built solvane-feedgen; by default a Release build in build-bench-feedgen
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
years=${1:-1}
bin=${2:-}
if [ -z "$bin" ]; then
  build=$root/build-bench-feedgen
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSOLVANE_GUI=OFF >/dev/null
  cmake --build "$build" -j2 --target solvane-feedgen >/dev/null
  bin=$build/tools/feedgen/solvane-feedgen
fi
work=${TMPDIR:-/tmp}/solvane-bench-feedgen.$$
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
from=2001-01-01
to=$((2000 + years))-12-31

now() { date +%s.%N; }
t0=$(now)
"$bin" --out "$work/feed" --from "$from" --to "$to" --today 2099-01-01 --seed 1 --no-siblings --stats
t1=$(now)
cp -r "$work/feed" "$work/copy"
t2=$(now)
rm -rf "$work/copy"
t3=$(now)
"$bin" --check "$work/feed" | tail -1
t4=$(now)
bytes=$(du -sb "$work/feed" | cut -f1)
awk -v t0="$t0" -v t1="$t1" -v t2="$t2" -v t3="$t3" -v t4="$t4" -v b="$bytes" -v y="$years" 'BEGIN {
  g = t1 - t0; c = t2 - t1; k = t4 - t3;
  printf "seasons %d, %.1f MB\n", y, b / 1e6;
  printf "generate %.2f s (%.2f s a season), cp of the same bytes %.2f s, ratio %.1f\n", g, g / y, c, g / c;
  printf "check %.2f s\n", k }'
