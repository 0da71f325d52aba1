#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks to build and test qxexpc:
# compilers (native and mingw-w64), CMake and Ninja, GoogleTest, Google
# Benchmark, SQLite, wine, python3, and npm (the Windows build takes the
# SQLite amalgamation from an npm package). Does nothing when all is there.
set -euo pipefail

packages=(cmake ninja-build g++ googletest libgtest-dev libgmock-dev libbenchmark-dev
          libsqlite3-dev g++-mingw-w64-x86-64-posix wine64 python3 npm)

missing=()
for p in "${packages[@]}"; do
  # npm may come with another Node.js package, which conflicts with Debian's.
  if [ "$p" = npm ] && command -v npm >/dev/null 2>&1; then continue; fi
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "setup: installing ${missing[*]}"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
