# Shared by the MinGW-w64 toolchain files; SOLVANE_MINGW_TRIPLE names the target.
set(CMAKE_C_COMPILER ${SOLVANE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SOLVANE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${SOLVANE_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${SOLVANE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Unicode Windows APIs by default, Windows 7 as the oldest target, and no min/max macros.
add_compile_definitions(UNICODE _UNICODE WINVER=0x0601 _WIN32_WINNT=0x0601 NOMINMAX WIN32_LEAN_AND_MEAN)

# The programs run on a plain Windows (and under Wine) without MinGW's DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests and the CLI run the programs they build through Wine when asked to (ctest on the build host).
find_program(SOLVANE_WINE NAMES wine wine64)
if(SOLVANE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${SOLVANE_WINE})
endif()
