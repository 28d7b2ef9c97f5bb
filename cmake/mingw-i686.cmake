# Cross-compiles for 32-bit Windows with Debian's mingw-w64 (posix threads), running programs and
# tests under Wine: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake ...
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MONITOR_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
