#!/usr/bin/env bash
# Starts the program on a demo application folder (filled in as the generator and import arrive).
set -euo pipefail
BUILD="$1"
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
HOME_DIR="${SOLVANE_DEMO_HOME:-$ROOT/demo-home}"
mkdir -p "$HOME_DIR"
export SOLVANE_HOME="$HOME_DIR"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$BUILD/src/app/solvane"
fi
echo "No display found (DISPLAY is not set): the windows cannot open here." >&2
echo "To see the windows, run ./solvane demo in a desktop session, or under a virtual display:" >&2
echo "  xvfb-run -a ./solvane demo" >&2
