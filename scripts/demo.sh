#!/usr/bin/env bash
# The main job: installs what is missing, builds, lays out a fresh host installation in
# out/host (program, plug-in, host library, tools, the host's configuration and UI description
# files), plays the demo session through the plug-in, and shows what it recorded.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMONITOR_TESTS=OFF -DMONITOR_BENCH=OFF >/dev/null
echo "== building (build/) =="
if ! ninja -C build -j"$(nproc)" > build/ninja.log 2>&1; then
  tail -40 build/ninja.log
  exit 1
fi

host=out/host
rm -rf "$host"
mkdir -p "$host"
cp -a build/bin/. "$host/"
if [ -d samples/host ]; then cp -a samples/host/. "$host/"; fi

script=samples/demo-session.txt
echo "== running $host/monitor-host $script =="
if [ -f "$script" ]; then
  "$host/monitor-host" "$script"
else
  "$host/monitor-host"
fi

echo
echo "== what the plug-in wrote =="
if [ -x "$host/monitor-decode" ]; then
  "$host/monitor-decode" show "$host"
else
  ls -l "$host/Data/MONDAT"
fi
