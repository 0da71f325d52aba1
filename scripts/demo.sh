#!/usr/bin/env bash
# Builds the Linux preset and runs the command-line tool's demo.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset linux >/dev/null
cmake --build --preset linux
./build/linux/bin/qxexp demo "$@"
