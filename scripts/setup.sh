#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when any is missing.
set -euo pipefail

packages=(build-essential cmake ninja-build pkg-config libboost-dev
          libcurl4-openssl-dev libgtest-dev libgmock-dev libbenchmark-dev
          clang libclang-rt-14-dev iputils-ping python3 nlohmann-json3-dev libsqlite3-dev)

# The Windows cross build (scripts/build-windows.sh) needs mingw-w64 and Wine as well.
if [ -n "${MONITOR_WINDOWS:-}" ]; then
  packages+=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools wine64 googletest)
fi
# The i686 tests run under 32-bit Wine, a package of the i386 architecture.
if [ "${MONITOR_WINDOWS:-}" = all ]; then
  packages+=(wine32:i386)
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
if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
