#!/usr/bin/env bash
# Builds a fresh clone of the committed tree as a host project would, with
# plain CMake outside the presets (so with no warning as an error), once as
# Release and once as MinSizeRel, and starts the built tool. The tests are
# left out: the presets build them, and here they would only double the
# time. Usage: scripts/plain_build.sh
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
git clone --quiet "$PWD" "$work/src"
for type in Release MinSizeRel; do
  echo "=== plain ${type} build of a fresh clone"
  cmake -S "$work/src" -B "$work/$type" -G Ninja -DCMAKE_BUILD_TYPE="$type" -DQX_BUILD_TESTS=OFF >/dev/null
  cmake --build "$work/$type" -j 2
  "$work/$type/bin/qxexp" explain 'db 0 4 int = val 4 int 1' >/dev/null
done
echo "=== plain builds passed: Release MinSizeRel"
