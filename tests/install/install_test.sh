#!/bin/sh
# Installs the build into a temporary prefix and uses it as a user and a host project would:
# the installed tool runs from there with its own library, and a C host finds the library
# with find_package and with pkg-config.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -eu
build=$1
src=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT INT TERM
prefix=$tmp/prefix
example=$src/examples/plane.txt

cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/quenvar include/quenvar.h include/quenvar_check.hpp share/man/man1/quenvar.1; do
  test -f "$prefix/$f" || { echo "not installed: $f" >&2; exit 1; }
done

# The tool finds the library of its own prefix.
ldd "$prefix/bin/quenvar" | grep -q "$prefix/.*libquenvar.so" || { echo "the installed tool does not use its prefix's library" >&2; ldd "$prefix/bin/quenvar" >&2; exit 1; }
"$prefix/bin/quenvar" --version | grep -q '^quenvar [0-9]'
"$prefix/bin/quenvar" --quiet adjust xy "$example" -o "$tmp/adj.db"
test -s "$tmp/adj.db"

expected="points 9 adjusted 5"
cmake -S "$src/tests/install/host" -B "$tmp/host" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$tmp/host" >/dev/null
found=$("$tmp/host/host" "$example")
[ "$found" = "$expected" ] || { echo "find_package host: '$found', expected '$expected'" >&2; exit 1; }

pcdir=$(dirname "$(find "$prefix" -name quenvar.pc)")
flags=$(PKG_CONFIG_PATH=$pcdir pkg-config --cflags --libs quenvar)
libdir=$(PKG_CONFIG_PATH=$pcdir pkg-config --variable=libdir quenvar)
# shellcheck disable=SC2086
cc -std=c99 -Wall -Werror "$src/tests/install/host/host.c" $flags -Wl,-rpath,"$libdir" -o "$tmp/pchost"
found=$("$tmp/pchost" "$example")
[ "$found" = "$expected" ] || { echo "pkg-config host: '$found', expected '$expected'" >&2; exit 1; }
echo "installed and used from $prefix"
