#!/usr/bin/env bash
# The data files are the same on both platforms: the Windows build's reference host plays the demo
# session under Wine, the Linux build's host plays it natively, and each platform's decoder reads
# both hosts' files. For each host the two decoders must print the same text (line ends aside),
# and every decode must succeed.
#   bash scripts/windows-crosscheck.sh [WINDOWS_BUILD [LINUX_BUILD]]   (default build-win64 build)
set -euo pipefail
cd "$(dirname "$0")/.."
win_build=${1:-build-win64}
linux_build=${2:-build}
arch=x86_64
case "$win_build" in *win32*) arch=i686 ;; esac
for f in "$win_build/bin/monitor-host.exe" "$win_build/bin/monitor-decode.exe" \
         "$linux_build/bin/monitor-host" "$linux_build/bin/monitor-decode"; do
  [ -e "$f" ] || { echo "windows-crosscheck: $f is missing; build both first" >&2; exit 2; }
done

work=$(mktemp -d)
# KEEP_CROSSCHECK=1 keeps the two hosts and the decoded texts for a look.
if [ -n "${KEEP_CROSSCHECK:-}" ]; then echo "windows-crosscheck: keeping $work"; else trap 'rm -rf "$work"' EXIT; fi
root=$(pwd)
wine_run() { bash "$root/scripts/wine-run.sh" "$arch" "$@"; }

# One host installation per platform, each with its own copy of the demo session.
for platform in windows linux; do
  host="$work/$platform"
  mkdir -p "$host"
  if [ "$platform" = windows ]; then cp -a "$win_build/bin/." "$host/"; else cp -a "$linux_build/bin/." "$host/"; fi
  cp -a samples/host/. "$host/"
  cp samples/demo-session.txt "$host/"
done
(cd "$work/windows" && wine_run ./monitor-host.exe demo-session.txt > run.log 2>&1) ||
  { cat "$work/windows/run.log"; echo "windows-crosscheck: the Windows host failed" >&2; exit 1; }
(cd "$work/linux" && ./monitor-host demo-session.txt > run.log 2>&1) ||
  { cat "$work/linux/run.log"; echo "windows-crosscheck: the Linux host failed" >&2; exit 1; }

status=0
for platform in windows linux; do
  host="$work/$platform"
  "$work/linux/monitor-decode" show "$host" > "$work/$platform.by-linux" 2>&1 ||
    { echo "windows-crosscheck: the Linux decoder could not read the $platform host's files:"; cat "$work/$platform.by-linux"; status=1; }
  wine_run "$work/windows/monitor-decode.exe" show "$host" > "$work/$platform.by-windows" 2>&1 ||
    { echo "windows-crosscheck: the Windows decoder could not read the $platform host's files:"; cat "$work/$platform.by-windows"; status=1; }
  # Line ends aside: each platform's text output ends its lines its own way.
  tr -d '\r' < "$work/$platform.by-windows" > "$work/$platform.by-windows.lf"
  tr -d '\r' < "$work/$platform.by-linux" > "$work/$platform.by-linux.lf"
  if ! diff -u "$work/$platform.by-linux.lf" "$work/$platform.by-windows.lf" > "$work/$platform.diff"; then
    echo "windows-crosscheck: the decoders read the $platform host's files differently:"
    head -60 "$work/$platform.diff"
    status=1
  fi
  records=$(grep -c '^== .*: operation log' "$work/$platform.by-linux" || true)
  [ "$records" -gt 0 ] || { echo "windows-crosscheck: no operation log in the $platform host"; status=1; }
  echo "windows-crosscheck: $platform host: $(grep -c '' "$work/$platform.by-linux") lines decoded alike on both platforms"
done
exit $status
