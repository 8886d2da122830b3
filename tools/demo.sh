#!/usr/bin/env bash
# The demo: a generated season of a few weeks ending with a live race day today, imported into a demo
# application folder, then the program on it. Without a display the same season runs headless.
set -euo pipefail
BUILD="$1"
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
HOME_DIR="${SOLVANE_DEMO_HOME:-$ROOT/demo-home}"
FEED="$HOME_DIR/feed"
CLI="$BUILD/tools/cli/solvane-cli"
FEEDGEN="$BUILD/tools/feedgen/solvane-feedgen"
PROGRAM="$BUILD/src/app/solvane"

say() { printf '\033[1m==> %s\033[0m\n' "$*" >&2; }

# A short two-tone chime as an 8-bit 8 kHz WAV, written with awk alone.
write_chime() { # file
  local rate=8000 n=4000
  {
    printf 'RIFF'; le32 $((36 + n)); printf 'WAVEfmt '; le32 16; le16 1; le16 1; le32 $rate; le32 $rate; le16 1; le16 8
    printf 'data'; le32 $n
    LC_ALL=C awk -v n=$n -v rate=$rate 'BEGIN {
      for (i = 0; i < n; i++) {
        t = i / rate; f = (i < n / 2) ? 880 : 660; env = 1 - (i % (n / 2)) / (n / 2)
        printf "%c", int(128 + 100 * env * sin(2 * 3.14159265 * f * t))
      } }'
  } > "$1"
}
le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $((($1 >> 16) & 65535)); }

export SOLVANE_HOME="$HOME_DIR"
export SOLVANE_FEED="$FEED"
mkdir -p "$HOME_DIR"

# A new season each day: four weeks back to today, today's races starting about 20 minutes from now.
today="$(date +%F)"
stamp="$FEED/.demo-season-$today"
if [ ! -f "$stamp" ]; then
  say "Generating the demo season ($(date -d '-28 days' +%F) to $today, live today)"
  rm -rf "$FEED"
  "$FEEDGEN" --out "$FEED" --from "$(date -d '-28 days' +%F)" --to "$today" --live-today --seed 2026
  touch "$stamp"
  # The stored days of an older demo season would mix with the new one.
  rm -rf "$HOME_DIR/Data" "$HOME_DIR/solvane.ini"
fi

say "Importing the season (solvane-cli import)"
if ! "$CLI" settings get JvDataGet LastTime | grep -q .; then
  "$CLI" import --from "$(date -d '-29 days' +%Y%m%d)000000" --setup
else
  "$CLI" import
fi

# The alarm after each automatic odds fetch: a chime of our own in the demo's Media folder.
if [ -z "$("$CLI" settings get InfoSettings OzAlarm)" ]; then
  mkdir -p "$HOME_DIR/Media"
  write_chime "$HOME_DIR/Media/Ring08.wav"
  "$CLI" settings set InfoSettings OzAlarm "$HOME_DIR/Media/Ring08.wav" >/dev/null
fi

# The generated compi-index files stand where the compi box would keep them.
if [ -z "$("$CLI" settings get Dir harunire | tr -d ' ')" ] || [ "$("$CLI" settings get Dir harunire)" = "$HOME_DIR" ]; then
  "$CLI" settings set Dir harunire "$FEED/harunire" >/dev/null
fi

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  say "Starting Solvane on $HOME_DIR: choose today ($(date +%Y年%m月%d日)) in the date box to watch the odds arrive before each post"
  exec "$PROGRAM"
fi

say "No display: the windows cannot open here (DISPLAY is not set). The same season, headless:"
has() { "$CLI" --help 2>&1 | grep -qE "^  $1 "; }
# The newest day already run: today's races have no results yet.
day="$("$CLI" days | grep -v "^$(date +%Y年%m月%d日)\$" | head -n 1)"
echo "--- solvane-cli days"
"$CLI" days
if [ -n "$day" ] && has races; then
  echo "--- solvane-cli races $day"
  "$CLI" races "$day"
  first="$("$CLI" races "$day" | sed -n 2p | cut -f1)"
  if has card; then
    echo "--- solvane-cli card $day $first"
    "$CLI" card "$day" "$first"
  fi
  if has odds; then
    echo "--- solvane-cli odds $day $first"
    "$CLI" odds "$day" "$first"
  fi
  if has kaime; then
    echo "--- solvane-cli kaime $day $first --marks \"◎=1 ○=2,3 ▲=4,5\" --type ３連単"
    "$CLI" kaime "$day" "$first" --marks "◎=1 ○=2,3 ▲=4,5" --type ３連単
  fi
fi
cat >&2 <<TXT

To open the windows, run the demo where there is a display (a desktop session), or under a virtual one:
  xvfb-run -a ./solvane demo
The demo's application folder is $HOME_DIR; to start the program on it again:
  SOLVANE_HOME=$HOME_DIR SOLVANE_FEED=$FEED $PROGRAM
TXT
