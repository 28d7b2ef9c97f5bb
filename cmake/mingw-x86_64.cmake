# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (posix threads), running programs and
# tests under Wine: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake ...
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MONITOR_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
