#!/usr/bin/env bash
# Runs a Windows program of the cross build under Wine: wine-run.sh ARCH PROGRAM.exe [ARGS...]
# (ARCH x86_64 or i686). CTest and gtest_discover_tests call it as the cross build's emulator.
#
# A private prefix per architecture and user (MONITOR_WINEPREFIX, default
# $TMPDIR/qzmonitor-wine-ARCH-UID), Wine's own loader run directly, no debug output, no Mono or
# Gecko installers. The prefix is booted once with every descriptor on /dev/null, and a Wine
# server stays up for half a minute after the last program, so that later programs start in a
# fraction of a second and no Wine process holds the caller's pipes. The program's own folder, the
# build's bin/ beside it and MONITOR_BIN_DIR are on the DLL search path, so the plug-in, the host
# library and the C++ runtime DLLs copied there are found.
set -euo pipefail
arch=${1:?usage: wine-run.sh ARCH PROGRAM [ARGS...]}
shift
program=${1:?usage: wine-run.sh ARCH PROGRAM [ARGS...]}

case "$arch" in
  x86_64) loader=/usr/lib/wine/wine64; server=/usr/lib/wine/wineserver64 ;;
  i686) loader=/usr/lib/wine/wine; server=/usr/lib/wine/wineserver32 ;;
  *) echo "wine-run.sh: unknown architecture $arch" >&2; exit 2 ;;
esac
[ -x "$loader" ] || { echo "wine-run.sh: $loader is missing (install wine64, or wine32 for i686)" >&2; exit 2; }

export WINEPREFIX=${MONITOR_WINEPREFIX:-${TMPDIR:-/tmp}/qzmonitor-wine-$arch-$(id -u)}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ "$arch" = i686 ]; then export WINEARCH=win32; fi

program_dir=$(cd "$(dirname "$program")" && pwd)
paths=("$program_dir" "$program_dir/../bin")
if [ -n "${MONITOR_BIN_DIR:-}" ]; then paths+=("$MONITOR_BIN_DIR"); fi
winepath=""
for p in "${paths[@]}"; do
  [ -d "$p" ] || continue
  winepath="${winepath:+$winepath;}Z:$(cd "$p" && pwd | sed 's|/|\\|g')"
done
export WINEPATH="$winepath"

# First use: make the prefix, detached from every descriptor of the caller, once even when
# several programs start at the same moment (a parallel build discovers tests side by side).
mkdir -p "$WINEPREFIX"
(
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$loader" wineboot --init </dev/null >/dev/null 2>&1 || true
  fi
) 9>"$WINEPREFIX.lock"
# A server that outlives each program by half a minute, and Wine's background services, started
# away from the caller's pipes: a service started by the program itself would inherit its output
# pipe and hold it open long after the program ended. Both are no-ops when they already run.
"$server" -p30 </dev/null >/dev/null 2>&1 || true
"$loader" wineboot </dev/null >/dev/null 2>&1 || true

# At a terminal the program writes to it directly. Otherwise (CTest, a pipeline) its output goes
# through files that this script copies out once the program has ended: a Wine process that the
# program starts on the way (a service, the desktop) inherits the program's descriptors and could
# otherwise hold the caller's pipe open long after the program is gone.
if [ -t 1 ] && [ -t 2 ]; then
  exec "$loader" "$program" "${@:2}"
fi
capture=$(mktemp -d)
trap 'rm -rf "$capture"' EXIT
status=0
"$loader" "$program" "${@:2}" >"$capture/out" 2>"$capture/err" || status=$?
cat "$capture/out"
cat "$capture/err" >&2
exit $status
