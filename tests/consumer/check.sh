#!/usr/bin/env bash
# Installs the library, checks that its documentation carries the licence and every picture its
# README shows, then builds and runs a consumer against it, once through find_package(Brindlewood)
# and once through pkg-config, and builds the README's first program (BUILD/tests/first_program.cpp)
# both ways too.
#   check.sh BUILD OUT                    builds the library from the source as the README's recipe
#                                         does, with nothing asked for: the library alone, which it
#                                         installs into a scratch prefix; the first program linked
#                                         with it must stay small
#   check.sh BUILD OUT package EXAMPLES   packs BUILD with scripts/package and unpacks the Debian
#                                         package into a scratch root; EXAMPLES names the example
#                                         folders whose sources it must carry
set -euo pipefail
build=$1 out=$2 how=${3:-install} here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$out" && mkdir -p "$out"
if [ "$how" = package ]; then
  deb=$("$here/../../scripts/package" "$build" "$out/deb")
  dpkg -x "$deb" "$out/root"
  prefix="$out/root/usr"
  for example in $4; do
    ls "$prefix/share/doc/libbrindlewood-dev/examples/$example/"*.cpp >/dev/null
  done
else
  cmake -S "$here/../.." -B "$out/library" >/dev/null
  cmake --build "$out/library" -j"$(nproc)" >/dev/null
  for part in tests example bench; do
    [ ! -e "$out/library/$part" ] || { echo "check: the library's build made $part/ too" >&2; exit 1; }
  done
  cmake --install "$out/library" --prefix "$out/prefix" >/dev/null
  prefix="$out/prefix"
fi
doc="$prefix/share/doc/libbrindlewood-dev"
grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' "$doc/copyright"
grep -qx 'License: Expat' "$doc/copyright"
for picture in $(grep -o 'docs/[A-Za-z0-9_.-]*\.png' "$doc/README.md" | sort -u); do
  [ -s "$doc/$picture" ] || { echo "check: the README shows $picture, which is not installed" >&2; exit 1; }
done
first_program="$build/tests/first_program.cpp"

cmake -S "$here" -B "$out/cmake" -DCMAKE_PREFIX_PATH="$prefix" -DFIRST_PROGRAM="$first_program" >/dev/null
cmake --build "$out/cmake" >/dev/null
"$out/cmake/consumer"

export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
g++ -std=c++17 "$here/main.cpp" -o "$out/consumer-pc" $(pkg-config --cflags --libs brindlewood)
g++ -std=c++17 "$first_program" -o "$out/first-program-pc" $(pkg-config --cflags --libs brindlewood)
"$out/consumer-pc"
if [ "$how" = install ]; then
  size=$(stat -c %s "$out/first-program-pc")
  [ "$size" -le 2000000 ] || { echo "check: the first program takes $size bytes, more than 2 MB" >&2; exit 1; }
fi
