#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when any is missing.
set -euo pipefail

packages=(build-essential cmake ninja-build pkg-config libboost-dev
          libcurl4-openssl-dev libgtest-dev libgmock-dev libbenchmark-dev
          clang libclang-rt-14-dev iputils-ping python3)

# The Windows cross build (scripts/build-windows.sh) needs mingw-w64 and Wine as well.
if [ -n "${MONITOR_WINDOWS:-}" ]; then
  packages+=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools wine64 googletest)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "setup: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
