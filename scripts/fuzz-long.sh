#!/usr/bin/env bash
# The long fuzzing run: every target of the fuzz build (build-fuzz/, as scripts/test.sh makes it)
# until it has run FUZZ_RUNS inputs (default 10 million) or FUZZ_MAX_SECONDS (default 4 hours)
# have passed, one after the other, with its seed corpus and flags (fuzz/NAME.options). Prints a
# line per target: inputs run, seconds, inputs a second, and whether it found anything; a finding
# is left as build-fuzz/NAME-findings/crash-* (make it a seed: see README, Reliability). What the
# targets print themselves is dropped (-close_fd_mask=1): the log keeps libFuzzer's lines.
#   bash scripts/fuzz-long.sh                 every target
#   bash scripts/fuzz-long.sh oplog markup    these targets
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${FUZZ_RUNS:-10000000}
max_seconds=${FUZZ_MAX_SECONDS:-14400}
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_odr_violation=1}
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for target in build-fuzz/fuzz/*_fuzz; do [ -x "$target" ] && targets+=("$(basename "$target" _fuzz)"); done
fi
[ ${#targets[@]} -gt 0 ] || { echo "fuzz-long.sh: no fuzz build (run scripts/test.sh first)" >&2; exit 2; }
failed=0
for name in "${targets[@]}"; do
  options=()
  if [ -f "fuzz/$name.options" ]; then mapfile -t options < <(grep -v '^#' "fuzz/$name.options" | sed '/^$/d'); fi
  work=$(mktemp -d)
  # The target's own scratch files, in memory where there is /dev/shm; removed with the target.
  scratch=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
  findings="build-fuzz/$name-findings"
  mkdir -p "$findings"
  start=$(date +%s)
  rc=0
  FUZZ_SCRATCH="$scratch" "build-fuzz/fuzz/${name}_fuzz" -runs="$runs" -max_total_time="$max_seconds" -timeout=10 -rss_limit_mb=2048 \
      -close_fd_mask=1 -artifact_prefix="$findings/" "${options[@]}" "$work" "fuzz/corpus/$name" > "build-fuzz/$name-long.log" 2>&1 || rc=$?
  seconds=$(( $(date +%s) - start ))
  done_runs=$(grep -oE '^Done [0-9]+ runs' "build-fuzz/$name-long.log" | grep -oE '[0-9]+' || echo 0)
  [ "$seconds" -gt 0 ] || seconds=1
  result="clean"
  if [ "$rc" -ne 0 ]; then result="FINDING (see build-fuzz/$name-long.log)"; failed=1; fi
  printf '%-20s %12s inputs %7ss %9s/s  %s\n' "$name" "$done_runs" "$seconds" "$((done_runs / seconds))" "$result"
  rm -rf "$work" "$scratch"
done
exit $failed
