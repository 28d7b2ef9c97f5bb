# Shared part of the mingw-w64 toolchain files: compilers, search paths, and Wine as the emulator
# that CTest and gtest_discover_tests run the test programs through (scripts/wine-run.sh sets up a
# private prefix with the mingw runtime DLLs on its path).
set(CMAKE_C_COMPILER ${MONITOR_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MONITOR_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MONITOR_MINGW_TRIPLET}-windres)
set(CMAKE_NM ${MONITOR_MINGW_TRIPLET}-nm)
set(CMAKE_FIND_ROOT_PATH /usr/${MONITOR_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh ${CMAKE_SYSTEM_PROCESSOR})
