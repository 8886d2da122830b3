#!/usr/bin/env bash
# Takes the manual's screenshots again from the program itself: a generated season is imported into a
# scratch application folder, then solvane-manual-shots works the windows on Qt's offscreen platform
# and writes docs/manual/*.png. Look at every picture before committing it; the manual (and the PDF
# the build makes from it) shows them as they are.
#   tools/manual/screenshots.sh [BUILD_DIR]
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
BUILD="${1:-$ROOT/build}"
HOME_DIR="${SOLVANE_SHOTS_HOME:-${TMPDIR:-/tmp}/solvane-manual-home}"
OUT="$ROOT/docs/manual"

# A Saturday race day seen at 10:50, after four weekends that have been run.
TODAY=2024-03-02
PAST_DAY=20240225
IMPORTED="$TODAY 08:30:00"
NOW="$TODAY 10:50:00"

cmake --build "$BUILD" --target solvane-cli solvane-feedgen solvane-manual-shots
CLI="$BUILD/tools/cli/solvane-cli"

rm -rf "$HOME_DIR"
mkdir -p "$HOME_DIR"
export SOLVANE_HOME="$HOME_DIR" SOLVANE_FEED="$HOME_DIR/feed"
"$BUILD/tools/feedgen/solvane-feedgen" --out "$SOLVANE_FEED" --from 2024-02-03 --to "$TODAY" --seed 2026 \
  --today "$TODAY" --now 08:30 >/dev/null
"$CLI" --now "$IMPORTED" import --from 20240101000000 --setup
"$CLI" settings set Dir harunire "$SOLVANE_FEED/harunire" >/dev/null
# Two sounds for the fetch-time window to offer (their content does not matter to a picture).
mkdir -p "$HOME_DIR/Media"
for wav in Ring08 chime; do
  printf 'RIFF\x24\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x40\x1f\x00\x00\x40\x1f\x00\x00\x01\x00\x08\x00data\x00\x00\x00\x00' \
    >"$HOME_DIR/Media/$wav.wav"
done
"$CLI" settings set InfoSettings OzAlarm "$HOME_DIR/Media/Ring08.wav" >/dev/null

# The rule the pictures show is the manual's own example: the first ini block of the manual.
RULE="$HOME_DIR/example-rule.ini"
awk '/^```ini/ { inside = 1; next } inside && /^```/ { exit } inside { print }' "$OUT/manual.md" >"$RULE"
[ -s "$RULE" ] || { echo "screenshots.sh: no ini block in $OUT/manual.md" >&2; exit 1; }

# One 1366x768 screen, the smallest the windows are made for: the main window fills it and companion
# windows are placed on it as they would be there (the offscreen platform's own screen is 800x600).
SCREEN="$HOME_DIR/screen.json"
cat >"$SCREEN" <<'JSON'
{ "screens": [ { "name": "shots", "x": 0, "y": 0, "width": 1366, "height": 768, "logicalDpi": 96 } ] }
JSON
SOLVANE_NOW="$NOW" QT_QPA_PLATFORM="offscreen:configfile=$SCREEN" \
  "$BUILD/tools/manual/solvane-manual-shots" "$OUT" "$PAST_DAY" "${TODAY//-/}" "$RULE"
du -ch "$OUT"/*.png | tail -n 1
