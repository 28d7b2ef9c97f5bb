#!/usr/bin/env bash
# The long fuzzing run: every target of the fuzz build (build-fuzz/, as scripts/test.sh makes it)
# until it has run FUZZ_RUNS inputs (default 10 million) or FUZZ_MAX_SECONDS (default 4 hours)
# have passed, one after the other, with its seed corpus and flags (fuzz/NAME.options). Prints a
# line per target: inputs run, seconds, inputs a second, and whether it found anything; a finding
# is left as build-fuzz/NAME-findings/crash-* (make it a seed: see README, Reliability). What the
# targets print themselves is dropped (-close_fd_mask=1): the log keeps libFuzzer's lines.
#
# A timeout is checked before it counts as a finding: the input is run again alone, and when it
# then finishes within the limit the stop was the machine's (a virtual machine paused, a host
# swapping), not the input's. The run then goes on from the corpus it had grown, for the inputs
# still to run, and the line says how many such stops there were.
#   FUZZ_TIMEOUT (default 10 s): the time one input may take.
#   bash scripts/fuzz-long.sh                 every target
#   bash scripts/fuzz-long.sh oplog markup    these targets
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${FUZZ_RUNS:-10000000}
max_seconds=${FUZZ_MAX_SECONDS:-14400}
timeout=${FUZZ_TIMEOUT:-10}
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
  log="build-fuzz/$name-long.log"
  mkdir -p "$findings"
  : > "$log"
  start=$(date +%s)
  done_runs=0
  stalls=0
  result="clean"
  while [ "$done_runs" -lt "$runs" ]; do
    left_seconds=$(( max_seconds - ($(date +%s) - start) ))
    [ "$left_seconds" -gt 0 ] || break
    part="build-fuzz/$name-part.log"
    rc=0
    FUZZ_SCRATCH="$scratch" "build-fuzz/fuzz/${name}_fuzz" -runs=$(( runs - done_runs )) -max_total_time="$left_seconds" \
        -timeout=$timeout -rss_limit_mb=2048 -close_fd_mask=1 -artifact_prefix="$findings/" "${options[@]}" \
        "$work" "fuzz/corpus/$name" > "$part" 2>&1 || rc=$?
    cat "$part" >> "$log"
    # Inputs of this part: libFuzzer's closing line, else its last status line.
    part_runs=$(grep -oE '^Done [0-9]+ runs' "$part" | grep -oE '[0-9]+' || true)
    [ -n "$part_runs" ] || part_runs=$(grep -oE '^#[0-9]+' "$part" | tail -1 | tr -d '#' || true)
    done_runs=$(( done_runs + ${part_runs:-0} ))
    [ "$rc" -ne 0 ] || break
    stalled=""
    if grep -q 'ERROR: libFuzzer: timeout' "$part"; then
      unit=$(ls -t "$findings"/timeout-* 2>/dev/null | head -1 || true)
      if [ -n "$unit" ] && FUZZ_SCRATCH="$scratch" "build-fuzz/fuzz/${name}_fuzz" -timeout=$timeout "$unit" >> "$log" 2>&1; then
        stalled=yes
        rm -f "$unit"
      fi
    fi
    if [ -z "$stalled" ]; then result="FINDING (see $log)"; failed=1; break; fi
    stalls=$((stalls + 1))
  done
  rm -f "build-fuzz/$name-part.log"
  seconds=$(( $(date +%s) - start ))
  [ "$seconds" -gt 0 ] || seconds=1
  [ "$stalls" -eq 0 ] || result="$result ($stalls timeouts not reproduced: machine stalls)"
  printf '%-20s %12s inputs %7ss %9s/s  %s\n' "$name" "$done_runs" "$seconds" "$((done_runs / seconds))" "$result"
  rm -rf "$work" "$scratch"
done
exit $failed
