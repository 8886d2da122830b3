# Cross-compiling Solvane's core, solvane-cli, solvane-feedgen and the core tests as 64-bit Windows
# programs with Debian's MinGW-w64 (package g++-mingw-w64-x86-64-posix: the posix thread model, which
# std::thread and std::mutex need).
#   cmake -S . -B build-mingw -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake -DSOLVANE_GUI=OFF -DSOLVANE_BENCH=OFF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(SOLVANE_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
