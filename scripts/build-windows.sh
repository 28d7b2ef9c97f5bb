#!/usr/bin/env bash
# Cross-builds the Windows DLLs, programs and tests with mingw-w64: build-win64/ (x86_64) and
# build-win32/ (i686), each bin/ a Windows host installation. Installs what is missing first.
#   bash scripts/build-windows.sh            both architectures
#   bash scripts/build-windows.sh x86_64     one of them
#   MONITOR_WINDOWS_TARGETS="a b" ...        only these targets (default: everything)
# Run the tests under Wine with: ctest --test-dir build-win64 (Wine is the cross build's emulator).
set -euo pipefail
cd "$(dirname "$0")/.."
arches=("$@")
[ ${#arches[@]} -gt 0 ] || arches=(x86_64 i686)
# MONITOR_WINDOWS=all also installs 32-bit Wine, for running the i686 tests.
MONITOR_WINDOWS=${MONITOR_WINDOWS:-1} bash scripts/setup.sh
for arch in "${arches[@]}"; do
  case "$arch" in
    x86_64) dir=build-win64 ;;
    i686) dir=build-win32 ;;
    *) echo "build-windows.sh: unknown architecture $arch (x86_64 or i686)" >&2; exit 2 ;;
  esac
  echo "== Windows $arch build ($dir/) =="
  cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" -DCMAKE_BUILD_TYPE=Debug \
        -DMONITOR_BENCH=OFF ${MONITOR_WINDOWS_CMAKE_ARGS:-} >/dev/null
  # shellcheck disable=SC2086
  ninja -C "$dir" -j"$(nproc)" ${MONITOR_WINDOWS_TARGETS:-}
done
