# Cross-builds 64-bit Windows programs with Debian's MinGW-w64 (the posix
# thread model, for std::thread and std::mutex) and runs them under Wine.
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZD_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZD_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZD_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${ZD_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZD_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Only system DLLs at run time: the C++ runtime and winpthread go inside.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")

# The `wine` wrapper runs 64-bit programs; ctest and gtest_discover_tests go
# through it.
find_program(ZD_WINE NAMES wine wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${ZD_WINE})
