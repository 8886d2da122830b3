# 32-bit Windows programs with Debian's MinGW-w64 (package g++-mingw-w64-i686-posix). JV-Link is a
# 32-bit in-process COM component, so solvane-jvlink-bridge.exe must be a 32-bit program.
#   cmake -S tools/jvlink-bridge -B build-bridge32 -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-i686.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(SOLVANE_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
