#!/usr/bin/env bash
# Catches install rules that do not give a host what it needs: installs the
# build into a temporary prefix, checks the installed files, then builds and
# runs a small host (install_test/) against it twice, through
# find_package(qxexpc) and through pkg-config.
#
# Usage: install_test.sh BUILD_DIR VERSION C_COMPILER [TOOLCHAIN_FILE EMULATOR]
# With a toolchain file (the Windows cross build) the host is cross-built
# too and run under the emulator.
set -euo pipefail
build=$1 version=$2 cc=$3 toolchain=${4:-} run=${5:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

fail() { echo "install_test: $*" >&2; exit 1; }
expect_file() { for f in "$@"; do [ -e "$prefix/$f" ] || fail "not installed: $f"; done; }

cmake --install "$build" --prefix "$prefix" >/dev/null
expect_file include/qxexpc/qxexpc.h include/qxexpc/qxexpc_version.h include/qxexpc/qxldra.h \
            lib/cmake/qxexpc/qxexpcConfig.cmake lib/cmake/qxexpc/qxexpcConfigVersion.cmake \
            lib/pkgconfig/qxexpc.pc lib/pkgconfig/qxldra.pc
if [ -n "$toolchain" ]; then
  expect_file bin/w64qxexpc.dll bin/w64qxldra.dll bin/w64qxsample.dll bin/qxexp.exe lib/libw64qxexpc.dll.a \
              lib/w64qxexpc.lib
  for dll in "$prefix"/bin/*.dll; do
    # The version resource holds its strings in UTF-16, each key padded to
    # a 4-byte boundary before its value.
    python3 -c 'import re, sys; u = lambda t: t.encode("utf-16-le")
sys.exit(not re.search(re.escape(u("ProductVersion")) + b"(\0\0)+" + re.escape(u(sys.argv[2])), open(sys.argv[1], "rb").read()))' \
      "$dll" "$version" || fail "no version resource with $version in $dll"
  done
  # The host finds the DLLs through wine's search path, in DOS form.
  host_run() { WINEPATH="Z:$prefix/bin" $run "$1.exe"; }
  rpath=()
  package=(-DCMAKE_TOOLCHAIN_FILE="$toolchain" -Dqxexpc_DIR="$prefix/lib/cmake/qxexpc")
else
  expect_file bin/qxexp "lib/libqxexpc.so.$version" lib/libqxsample.so
  soname=$(readelf -d "$prefix/lib/libqxexpc.so" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
  [ "$soname" = "libqxexpc.so.${version%%.*}" ] || fail "SONAME is '$soname'"
  "$prefix/bin/qxexp" help >/dev/null || fail "the installed tool does not start"
  host_run() { "$1"; }
  rpath=(-Wl,-rpath,"$prefix/lib")
  package=(-DCMAKE_C_COMPILER="$cc" -DCMAKE_PREFIX_PATH="$prefix")
fi

check_host() {
  local out
  out=$(host_run "$1") || fail "$2: the host failed"
  out=${out%$'\r'}  # a Windows host ends its line with CR LF
  [ "$out" = "qxexpc $version $(echo "$version" | awk -F. '{ print $1 * 10000 + $2 * 100 + $3 }')" ] ||
    fail "$2: the host printed '$out'"
}

cmake -S "$here/install_test" -B "$work/package" -G Ninja -DQX_EXPECTED_VERSION="$version" \
      "${package[@]}" >/dev/null
cmake --build "$work/package" >/dev/null
check_host "$work/package/consumer" "find_package"

export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_PATH=
flags=$(pkg-config --cflags --libs qxexpc)
[ "$(pkg-config --modversion qxexpc)" = "$version" ] || fail "pkg-config gives another version"
# shellcheck disable=SC2086  # the flags are words
"$cc" "$here/install_test/consumer_test.c" $flags "${rpath[@]}" -o "$work/consumer_pc"
check_host "$work/consumer_pc" "pkg-config"
echo "install_test: installed tree, find_package and pkg-config hosts all work"
