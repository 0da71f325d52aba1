#!/usr/bin/env bash
# Makes a Debian machine ready to build and test qxexpc: every command and
# file of scripts/setup_needs.txt that is missing gets its package installed
# with apt-get (through sudo when not run as root), then every one is checked
# again and a missing one is named with its package. Does nothing when all
# is there; a command that exists is used wherever it came from (npm may come
# with a Node.js whose package conflicts with Debian's npm).
set -euo pipefail
# Bash builtins only until apt-get, so that the check runs with a bare PATH.
here=${BASH_SOURCE[0]%/*}
if [ "$here" = "${BASH_SOURCE[0]}" ]; then here=.; fi
needs_file=$here/setup_needs.txt

# Prints "WHAT PACKAGE" for each need that is missing.
missing_needs() {
  local what package
  while read -r what package; do
    case "$what" in '' | '#'*) continue ;; esac
    if [[ "$what" == /* ]]; then
      compgen -G "$what" >/dev/null && continue
    else
      command -v "$what" >/dev/null 2>&1 && continue
    fi
    echo "$what $package"
  done <"$needs_file"
}

missing=$(missing_needs)
if [ -n "$missing" ]; then
  declare -A seen=()
  packages=()
  while read -r _ package; do
    if [ -z "${seen[$package]:-}" ]; then seen[$package]=1; packages+=("$package"); fi
  done <<<"$missing"
  sudo=()
  if [ "$EUID" -ne 0 ]; then sudo=(sudo); fi
  echo "setup: installing ${packages[*]}"
  { "${sudo[@]}" apt-get update &&
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${packages[@]}"; } ||
    echo "setup: apt-get failed" >&2
fi

missing=$(missing_needs)
if [ -n "$missing" ]; then
  while read -r what package; do
    echo "setup: $what is missing: install the Debian package $package" >&2
  done <<<"$missing"
  exit 1
fi
