#!/usr/bin/env bash
# The demo: a generated season of a few weeks ending with a live race day today, imported into a demo
# application folder, then the program on it. Without a display the same season runs headless.
# The automatic schedule works only between 09:00 and 18:00, so the program runs on a clock of its own
# (SOLVANE_NOW) that starts on the live day's morning, shortly before the first automatic odds fetch,
# and runs in real time from there: at any hour the first minutes show the countdown, a fetch and the alarm.
set -euo pipefail
BUILD="$1"
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
HOME_DIR="${SOLVANE_DEMO_HOME:-$ROOT/demo-home}"
mkdir -p "$HOME_DIR"
HOME_DIR="$(cd "$HOME_DIR" && pwd)"
FEED="$HOME_DIR/feed"
CLI="$BUILD/tools/cli/solvane-cli"
FEEDGEN="$BUILD/tools/feedgen/solvane-feedgen"
PROGRAM="$BUILD/src/gui/solvane"

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
# The manual beside the settings, where "ヘルプ" and F1 look for it.
cp -f "$BUILD/src/gui/Solvane.pdf" "$HOME_DIR/Solvane.pdf"
export SOLVANE_FEED="$FEED"

# The live day is generated as if it were 09:00, so its posts run from 09:20, one every ten minutes (the
# three venues in turn); with the default of ten minutes before each post the first odds fetch is due at
# 09:10:00. The program's clock starts three minutes before that.
today="$(date +%F)"
FEED_NOW="09:00"
START="09:07:00"
FIRST_FETCH="09:10"
SIM_NOW="$today $START"

# A new season each day: four weeks back to today, today's races from 09:20 on, with the time-series odds
# of every day run (the last half hour before each post), which add a few seconds and about 110 MB.
stamp="$FEED/.demo-season-$today-${FEED_NOW/:/}-series"
if [ ! -f "$stamp" ]; then
  say "Generating the demo season ($(date -d '-28 days' +%F) to $today, live today)"
  rm -rf "$FEED"
  "$FEEDGEN" --out "$FEED" --from "$(date -d '-28 days' +%F)" --to "$today" --live-today --today "$today" \
    --now "$FEED_NOW" --seed 2026 --series-all
  touch "$stamp"
  # The stored days of an older demo season would mix with the new one.
  rm -rf "$HOME_DIR/Data" "$HOME_DIR/solvane.ini"
fi

say "Importing the season (solvane-cli import)"
if ! "$CLI" settings get JvDataGet LastTime | grep -q .; then
  "$CLI" --now "$SIM_NOW" import --from "$(date -d '-29 days' +%Y%m%d)000000" --setup
else
  "$CLI" --now "$SIM_NOW" import
fi

# Files of the application folder are named relative to it, so that the folder can be copied or moved (an
# earlier demo wrote full paths; those are written again).
# The alarm after each automatic odds fetch: a chime of our own in the demo's Media folder.
[ -f "$HOME_DIR/Media/Ring08.wav" ] || { mkdir -p "$HOME_DIR/Media" && write_chime "$HOME_DIR/Media/Ring08.wav"; }
case "$("$CLI" settings get InfoSettings OzAlarm)" in
  "" | */Media/Ring08.wav) "$CLI" settings set InfoSettings OzAlarm "Media/Ring08.wav" >/dev/null ;;
esac
# The generated compi-index and time-series files stand where the compi box and the time-series viewer
# would keep them ("時系列オッズより取得" and backtests at bet-time odds read the latter).
for sibling in harunire jikeiretu; do
  case "$("$CLI" settings get Dir "$sibling" | tr -d ' ')" in
    "" | "$HOME_DIR" | */feed/"$sibling") "$CLI" settings set Dir "$sibling" "feed/$sibling" >/dev/null ;;
  esac
done

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  say "Starting Solvane on $HOME_DIR, its clock at $START today and running on in real time"
  cat >&2 <<TXT
Choose today ($(date +%Y年%m月%d日)) in the date box, then press "直前ﾚｰｽ": the card shows the next race to post
and its header counts down to the post. At $FIRST_FETCH on the program's clock (three minutes after it starts)
the automatic odds fetch of that race runs, its odds fill the card and the alarm sounds; another race's
fetch follows every ten minutes, ten minutes before its post.
TXT
  exec env SOLVANE_NOW="$SIM_NOW" "$PROGRAM"
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
# What the windows would do in their first minutes on today's morning, replayed on a simulated clock.
if has run-day; then
  echo "--- solvane-cli run-day $(date +%Y%m%d) --from $START --to 09:12:00"
  "$CLI" run-day "$(date +%Y%m%d)" --from "$START" --to 09:12:00
fi
cat >&2 <<TXT

To open the windows, run the demo where there is a display (a desktop session), or under a virtual one:
  xvfb-run -a ./solvane demo
The program then runs on a clock that starts at $START today: within three minutes it counts down to the
next post, runs its first automatic odds fetch at $FIRST_FETCH and sounds the alarm (run-day above replays it).
The demo's application folder is $HOME_DIR; to start the program on it again:
  SOLVANE_HOME=$HOME_DIR SOLVANE_NOW="$SIM_NOW" $PROGRAM
TXT
