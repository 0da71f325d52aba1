#!/usr/bin/env bash
# Builds the command-line tool (Linux preset) and runs its demo.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target qxexp
./build/linux/bin/qxexp demo "$@"
