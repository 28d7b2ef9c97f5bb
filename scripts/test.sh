#!/usr/bin/env bash
# Installs what is missing, builds and runs every test:
#   1. all tests in an AddressSanitizer + UndefinedBehaviorSanitizer build (build-asan/);
#   2. the concurrency tests again in a ThreadSanitizer build (build-tsan/);
#   3. each fuzz target for a short budget over its seed corpus (build-fuzz/, clang);
#   4. the Windows builds (build-win64/ and build-win32/, mingw-w64) and their tests under Wine.
# Set FUZZ_SECONDS to change the per-target budget (default 20). The stress test runs with fewer
# rounds under ThreadSanitizer (MONITOR_STRESS_ROUNDS, default here 4000) to stay near 30 seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs=$(nproc)
fuzz_seconds=${FUZZ_SECONDS:-20}

echo "== sanitizer build (address, undefined) =="
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMONITOR_BENCH=OFF \
      -DMONITOR_SANITIZE="address;undefined" >/dev/null
ninja -C build-asan -j"$jobs"
# Both libraries define the host framework members that the plug-in must export as well
# (QZ_FRAMEWORK_API), so those classes have one vtable and type_info in each: identical copies, on
# purpose. detect_odr_violation=1 lets AddressSanitizer pass identical duplicates and still report
# a global defined twice with different sizes.
export ASAN_OPTIONS=detect_odr_violation=1
ASAN_OPTIONS=$ASAN_OPTIONS:detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs" --timeout 600

echo "== thread sanitizer build (concurrency tests) =="
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMONITOR_BENCH=OFF \
      -DMONITOR_SANITIZE=thread >/dev/null
ninja -C build-tsan -j"$jobs" concurrency_tests
MONITOR_STRESS_ROUNDS=${MONITOR_STRESS_ROUNDS:-4000} TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ctest --test-dir build-tsan --output-on-failure -L concurrency --timeout 900

echo "== fuzz targets (${fuzz_seconds}s each) =="
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMONITOR_TESTS=OFF \
      -DMONITOR_BENCH=OFF -DMONITOR_FUZZ=ON -DMONITOR_SANITIZE="address;undefined" >/dev/null
ninja -C build-fuzz -j"$jobs" fuzz_targets
fuzzed=0
for target in build-fuzz/fuzz/*_fuzz; do
  [ -x "$target" ] || continue
  name=$(basename "$target" _fuzz)
  corpus="fuzz/corpus/$name"
  work=$(mktemp -d)
  # The target's own scratch files, in memory where there is /dev/shm; removed with the target.
  scratch=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
  echo "-- $name"
  # fuzz/NAME.options: the target's own flags, one per line (an input size bound, say).
  options=()
  if [ -f "fuzz/$name.options" ]; then mapfile -t options < <(grep -v '^#' "fuzz/$name.options" | sed '/^$/d'); fi
  FUZZ_SCRATCH="$scratch" "$target" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 "${options[@]}" \
            "$work" "$corpus" > "build-fuzz/$name.log" 2>&1 || { tail -40 "build-fuzz/$name.log"; exit 1; }
  rm -rf "$work" "$scratch"
  fuzzed=$((fuzzed + 1))
done
echo "fuzz: $fuzzed passed, 0 failed"

echo "== Windows build (x86_64, mingw-w64) and its tests under Wine =="
bash scripts/build-windows.sh x86_64
# The tests listed in tests/wine-known-failures.txt do not pass under Wine yet (each line says why).
known=$({ grep -v '^#' tests/wine-known-failures.txt || true; } | sed 's/ *#.*//; /^$/d' | paste -sd'|' -)
ctest --test-dir build-win64 --output-on-failure -j"$jobs" --timeout 300 ${known:+-E "$known"}
# The files the Windows host writes are those the Linux host writes: each decoder reads both alike.
bash scripts/windows-crosscheck.sh build-win64 build-asan

echo "== Windows build (i686, mingw-w64): everything, and the DLL's export table =="
# The i686 programs are built but not run: 32-bit Wine needs a kernel that runs 32-bit x86
# programs, which this kind of machine does not have (see README, Windows).
MONITOR_WINDOWS_CMAKE_ARGS="-DMONITOR_REGISTER_TESTS=OFF" bash scripts/build-windows.sh i686
ctest --test-dir build-win32 --output-on-failure -R 'PluginExports\.WindowsDll'
