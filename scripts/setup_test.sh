#!/usr/bin/env bash
# Catches a setup that passes while a command the build needs is missing:
# runs scripts/setup.sh with a PATH of stand-ins (every command of
# setup_needs.txt but one, an apt-get that installs nothing) and expects it
# to try the install, then stop naming the package of the missing command.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
fake=$(mktemp -d)
trap 'rm -rf "$fake"' EXIT

stand_in() { printf '#!%s\n%s\n' "$BASH" "$2" >"$fake/$1"; chmod +x "$fake/$1"; }
while read -r what _; do
  case "$what" in '' | '#'* | /*) continue ;; esac
  stand_in "$what" ':'
done <"$here/setup_needs.txt"
stand_in apt-get "echo \"apt-get \$*\" >>'$fake/apt.log'"
stand_in sudo 'exec "$@"'
stand_in env 'shift; exec "$@"'

fail() { echo "setup_test: $*" >&2; exit 1; }

# Everything there: nothing installed.
PATH=$fake "$BASH" "$here/setup.sh" || fail "setup failed with every command present"
[ ! -e "$fake/apt.log" ] || fail "setup ran apt-get with every command present"

# wine missing, and still missing after the install: named with its package.
rm "$fake/wine"
if errors=$(PATH=$fake "$BASH" "$here/setup.sh" 2>&1 >/dev/null); then fail "setup passed without wine"; fi
[ "$errors" = "setup: wine is missing: install the Debian package wine" ] || fail "setup said: $errors"
grep -q '^apt-get update$' "$fake/apt.log" || fail "no apt-get update before the install"
grep -q '^apt-get install -y --no-install-recommends wine$' "$fake/apt.log" || fail "wine was not installed: $(cat "$fake/apt.log")"
echo "setup_test: setup names the package of a missing command"
