#!/bin/sh
# Peak memory of the heavy jobs, measured with /usr/bin/time -v (maximum resident set size):
#   1. the bulk import of a generated year (solvane-cli import);
#   2. backtests over one month, one year and all the generated years (solvane-cli backtest), to show
#      whether memory grows with the period;
#   3. run-day replays of a live day over longer and longer spans, to show whether memory grows over
#      a race day.
# Usage: bench/resources/run.sh [BUILD_DIR] [YEARS]   (defaults: build-bench-resources, 10)
# The generated feeds and homes are kept in $BUILD_DIR/resources-work and reused on later runs.
set -eu

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-build-bench-resources}
years=${2:-10}
case $build in /*) ;; *) build=$root/$build ;; esac

if [ ! -x "$build/tools/cli/solvane-cli" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSOLVANE_BENCH=OFF -DSOLVANE_GUI=OFF >/dev/null
    cmake --build "$build" -j2 --target solvane-cli solvane-feedgen >/dev/null
fi
cli=$build/tools/cli/solvane-cli
gen=$build/tools/feedgen/solvane-feedgen
work=$build/resources-work
mkdir -p "$work"

# Runs a command under /usr/bin/time -v and prints: label, max RSS in MB, elapsed wall time.
measure() {
    label=$1
    shift
    /usr/bin/time -v "$@" >"$work/out.txt" 2>"$work/time.txt" || {
        echo "$label: failed" >&2
        tail -5 "$work/time.txt" >&2
        return 1
    }
    rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt")
    wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$work/time.txt")
    printf '%-44s %8.1f MB  %s\n' "$label" "$(echo "$rss / 1024" | bc -l)" "$wall"
}

# The years up to 2023, generated as seen on 2024-01-10: every race run, no real-time snapshots and no
# sibling files (compi, time series), which the import and this rule do not use.
first=$((2024 - years))
last=2023
feed=$work/feed-$years
if [ ! -d "$feed" ]; then
    "$gen" --out "$feed" --from "$first-01-01" --to "$last-12-31" --seed 1 --rt-days 0 --today 2024-01-10 --now 09:00 \
        --no-siblings >/dev/null
    printf '[Download]\ntime=0\n' >"$feed/faults.ini"
fi
echo "feed: $(du -sh "$feed" | cut -f1) for $first-$last"

home=$work/home-$years
rm -rf "$home" && mkdir -p "$home"
export SOLVANE_FEED=$feed
measure "import $last (one year)" "$cli" --home "$home" import --from "$((last - 1))1231000000" --setup --final-odds
if [ "$years" -gt 1 ]; then
    # Then every year from the start: the store ends up with all of them.
    measure "import all $years years ($first-$last)" "$cli" --home "$home" import --from "$((first - 1))1231000000" \
        --setup --final-odds
fi
echo "store: $(du -sh "$home/Data" | cut -f1)"

# A rule on popularity only (the feed has no compi files with --rt-days 0 and no siblings needed).
printf '[◎]\r\nTanninki=1\r\n[○]\r\nTanninki=2,3\r\n[▲]\r\nTanninki=4,5,6\r\n' >"$work/rule.ini"
measure "backtest one month (2023-01)" "$cli" --home "$home" backtest --from 20230101 --to 20230131 \
    --rule "$work/rule.ini" --yes
measure "backtest one year (2023)" "$cli" --home "$home" backtest --from 20230101 --to 20231231 \
    --rule "$work/rule.ini" --yes
if [ "$years" -gt 1 ]; then
    measure "backtest $years years ($first-$last)" "$cli" --home "$home" backtest --from "${first}0101" \
        --to "${last}1231" --rule "$work/rule.ini" --yes
fi

# A live day: run-day over longer and longer spans of the same day.
live=$work/live
if [ ! -d "$live" ]; then
    "$gen" --out "$live/feed" --from 2024-01-06 --to 2024-01-06 --live-today --today 2024-01-06 --now 09:30 \
        --no-siblings >/dev/null
    printf '[Download]\ntime=0\n' >"$live/feed/faults.ini"
fi
export SOLVANE_FEED=$live/feed
for to in 10:30:00 13:00:00 16:45:00; do
    rm -rf "$live/home" && mkdir -p "$live/home"
    "$cli" --home "$live/home" --now "2024-01-06 09:30:00" import --from 20240101000000 >/dev/null
    measure "run-day 09:30:00-$to" "$cli" --home "$live/home" run-day 20240106 --from 09:30:00 --to "$to"
done
