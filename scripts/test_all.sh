#!/usr/bin/env bash
# Builds and runs every test: Linux (the evaluator and store tests also
# under valgrind's memcheck), Linux under the sanitizers, and the Windows
# build under wine. Usage: scripts/test_all.sh [preset ...]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

presets=("$@")
if [ ${#presets[@]} -eq 0 ]; then presets=(linux asan windows); fi

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
for preset in "${presets[@]}"; do
  echo "=== ${preset}: configure and build"
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  echo "=== ${preset}: test"
  if [ "$preset" = windows ]; then
    # Make the wine prefix before any test starts: on a fresh machine the
    # first start creates it, and tests started while it is being made can
    # hang. Then one persistent wine server for the whole run: each test
    # start costs a fraction of a second instead of several.
    wineboot --init >/dev/null 2>&1 || true
    wineserver -p || true  # one may be running already
    trap 'wineserver -k 2>/dev/null || true' EXIT
  fi
  ctest --preset "$preset"
  if [ "$preset" = linux ]; then
    # Reads of memory never written (which AddressSanitizer does not see)
    # and leaks, in the evaluator and the stores.
    echo "=== linux: evaluator and store tests under valgrind memcheck"
    # From the build folder: the store tests make their data files in the
    # folder they run in.
    for test in evaluator_test stores_test; do
      (cd build/linux && valgrind -q --error-exitcode=1 --leak-check=full "bin/$test" --gtest_brief=1)
    done
  fi
done
echo "=== all tests passed: ${presets[*]}"
