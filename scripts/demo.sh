#!/usr/bin/env bash
# Builds the command-line tool (Linux preset) and runs its demo.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target qxexp
# Without arguments the files go to ./qxdata, which is the demo's own: a
# second run replaces them.
if [ $# -eq 0 ]; then set -- --force; fi
./build/linux/bin/qxexp demo "$@"
