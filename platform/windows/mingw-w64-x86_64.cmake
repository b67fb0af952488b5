# Cross build for 64-bit Windows with Debian's MinGW-w64 tool chain; from the
# repository root, giving build/windows/platform/windows/Velkor.exe:
#   cmake -S . -B build/windows --toolchain platform/windows/mingw-w64-x86_64.cmake -DVELKOR_TESTS=OFF && cmake --build build/windows -j2
# (with the tests, the default, GoogleTest's sources must be in /usr/src/googletest;
# scripts/test-windows.sh builds and runs everything under Wine).
#
# The -posix variant of the compiler is used on purpose: the default -win32
# variant of GCC 12 has no std::mutex or std::thread, which GoogleTest needs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VELKOR_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VELKOR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELKOR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VELKOR_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VELKOR_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every program links its C and C++ run time and winpthread statically, so a
# built .exe needs nothing but system DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Lets CTest (and GoogleTest's test discovery) run the cross-built programs.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
# GoogleTest lists a program's tests when CTest runs, not at build time, so
# building needs no Wine.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
