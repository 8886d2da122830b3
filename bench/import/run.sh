#!/bin/sh
# Generates one season with final odds and a two-week sample (once), then times the import.
# Usage: bench/import/run.sh [BUILD_DIR]   (default: build-bench-import, Release)
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build-bench-import}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSOLVANE_GUI=OFF >/dev/null
cmake --build "$build" -j2 --target solvane-bench-import solvane-feedgen >/dev/null
work=$build/bench-import
mkdir -p "$work"
if [ ! -d "$work/feed-year" ]; then
  "$build/tools/feedgen/solvane-feedgen" --out "$work/feed-year" --from 2023-01-01 --to 2023-12-31 --no-siblings --rt-days 0 >/dev/null
fi
if [ ! -d "$work/feed-sample" ]; then
  "$build/tools/feedgen/solvane-feedgen" --out "$work/feed-sample" --from 2023-01-01 --to 2023-01-15 --no-siblings --rt-days 0 >/dev/null
fi
"$build/bench/import/solvane-bench-import" --feed "$work/feed-year" --sample "$work/feed-sample" --work "$work/out"
