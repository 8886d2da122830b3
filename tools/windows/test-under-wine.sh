#!/usr/bin/env bash
# Builds core, solvane-cli, solvane-feedgen, solvane-jvlink-bridge and the core tests as 64-bit
# Windows programs with MinGW-w64, then runs the tests under Wine in a Wine prefix of their own.
#   tools/windows/test-under-wine.sh [BUILD_DIR]      (default: build-mingw in the checkout)
# Needs: g++-mingw-w64-x86-64-posix googletest wine wine64 cmake ninja-build (ccache when present);
# with g++-mingw-w64-i686-posix it also builds the 32-bit bridge.
# Exit status: 0 when every test passed, non-zero otherwise.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
BUILD="${1:-$ROOT/build-mingw}"
case "$BUILD" in /*) ;; *) BUILD="$PWD/$BUILD" ;; esac
JOBS="${SOLVANE_JOBS:-2}"

say() { printf '\033[1m==> %s\033[0m\n' "$*" >&2; }

for tool in x86_64-w64-mingw32-g++-posix wine wineboot wineserver cmake ninja; do
  if ! command -v "$tool" >/dev/null; then
    echo "test-under-wine: $tool is missing; install: apt-get install -y g++-mingw-w64-x86-64-posix wine wine64 googletest cmake ninja-build" >&2
    exit 1
  fi
done
if [ ! -f /usr/src/googletest/CMakeLists.txt ]; then
  echo "test-under-wine: GoogleTest's sources are missing; install: apt-get install -y googletest" >&2
  exit 1
fi

start=$(date +%s)
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR="$ROOT" CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

say "Building the Windows programs and tests in ${BUILD#$ROOT/}"
# -O1 without debug information: the cross build is compile-bound, the tests run fast enough with it.
cmake -S "$ROOT" -B "$BUILD" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchains/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O1 -DNDEBUG" \
  -DSOLVANE_GUI=OFF -DSOLVANE_BENCH=OFF -DSOLVANE_WERROR=ON "${launcher[@]}" >/dev/null
# Left out under Windows: hardening_tests starts, stops and kills the programs with posix_spawn and
# signals, which Windows does not have.
EXCLUDED='^(hardening_tests)$'
# Each GoogleTest executable is registered under its target's name.
mapfile -t tests < <(ctest --test-dir "$BUILD" -N | sed -n 's/^ *Test *#[0-9]*: //p' | grep -Ev "$EXCLUDED")
cmake --build "$BUILD" -j "$JOBS" --target solvane-cli solvane-feedgen solvane-jvlink-bridge "${tests[@]}"

# The bridge as it ships, 32-bit beside JV-Link: built so that it keeps building. It is not run here
# (Debian's wine64 runs 64-bit programs only); its 64-bit twin above is what the tests talk to.
if command -v i686-w64-mingw32-g++-posix >/dev/null; then
  say "Building the 32-bit bridge in ${BUILD#$ROOT/}/bridge32"
  cmake -S "$ROOT" -B "$BUILD/bridge32" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchains/mingw-w64-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O1 -DNDEBUG" \
    -DSOLVANE_GUI=OFF -DSOLVANE_BENCH=OFF -DSOLVANE_WERROR=ON "${launcher[@]}" >/dev/null
  cmake --build "$BUILD/bridge32" -j "$JOBS" --target solvane-jvlink-bridge
fi
built=$(date +%s)

# Wine of its own: a prefix inside the build folder, no display, no debug chatter, no Mono or Gecko
# installer prompts.
export WINEPREFIX="$BUILD/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
unset DISPLAY WAYLAND_DISPLAY
stop_wine() { wineserver -k >/dev/null 2>&1 || true; }
trap stop_wine EXIT
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  say "Creating the Wine prefix ${WINEPREFIX#$ROOT/}"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
fi


say "Running the tests under Wine ($(wine --version))"
status=0
ctest --test-dir "$BUILD" --output-on-failure -j "$JOBS" --timeout 900 -E "$EXCLUDED" || status=$?
end=$(date +%s)
say "Build $((built - start)) s, tests $((end - built)) s"
exit "$status"
