#!/bin/sh
# What waiting for the disk costs the import: `solvane-cli import` of one generated season (every file
# synced before its rename, the Data folder synced once per batch) beside `cp -r` of the stored files
# followed by `sync` (the same bytes written and waited for), in the same run, three times.
# Usage: bench/import/durable.sh [BUILD_DIR]   (default: build-bench-import, Release)
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build-bench-import}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSOLVANE_GUI=OFF >/dev/null
cmake --build "$build" -j2 --target solvane-cli solvane-feedgen >/dev/null
work=$build/bench-import
mkdir -p "$work"
feed=$work/feed-year
if [ ! -d "$feed" ]; then
  "$build/tools/feedgen/solvane-feedgen" --out "$feed" --from 2023-01-01 --to 2023-12-31 --no-siblings --rt-days 0 >/dev/null
fi
printf '[Download]\ntime=0\n' >"$feed/faults.ini"

now() { date +%s.%N; }
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }

printf '%-6s %12s %12s %12s %10s %10s\n' run import_s cp_s cp+sync_s MB 'import/(cp+sync)'
for run in 1 2 3; do
  home=$work/durable-home
  rm -rf "$home" "$work/durable-copy" "$feed/.downloaded"
  sync
  t0=$(now)
  SOLVANE_FEED=$feed "$build/tools/cli/solvane-cli" --home "$home" --now "2100-01-01 00:00:00" \
    import --from 19900101000000 --setup --final-odds >/dev/null
  t1=$(now)
  sync
  t2=$(now)
  cp -r "$home/Data" "$work/durable-copy"
  t3=$(now)
  sync
  t4=$(now)
  mb=$(du -sm "$home/Data" | cut -f1)
  import=$(seconds "$t0" "$t1")
  cp=$(seconds "$t2" "$t3")
  cpsync=$(seconds "$t2" "$t4")
  printf '%-6s %12.2f %12.2f %12.2f %10s %10.2f\n' "$run" "$import" "$cp" "$cpsync" "$mb" \
    "$(awk -v a="$import" -v b="$cpsync" 'BEGIN { printf "%.3f", a / b }')"
done
rm -rf "$work/durable-home" "$work/durable-copy"
