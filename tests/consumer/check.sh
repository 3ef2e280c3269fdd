#!/usr/bin/env bash
# Installs the built library, then builds and runs a consumer against it, once through
# find_package(Brindlewood) and once through pkg-config, and builds the README's first program
# both ways too.
#   check.sh BUILD OUT                    installs with cmake --install into a scratch prefix
#   check.sh BUILD OUT package EXAMPLES   packs with scripts/package and unpacks the Debian package
#                                         into a scratch root; EXAMPLES names the example folders
#                                         whose sources it must carry
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
  cmake --install "$build" --prefix "$out/prefix" >/dev/null
  prefix="$out/prefix"
fi
first_program="$build/tests/first_program.cpp"

cmake -S "$here" -B "$out/cmake" -DCMAKE_PREFIX_PATH="$prefix" -DFIRST_PROGRAM="$first_program" >/dev/null
cmake --build "$out/cmake" >/dev/null
"$out/cmake/consumer"

export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
g++ -std=c++17 "$here/main.cpp" -o "$out/consumer-pc" $(pkg-config --cflags --libs brindlewood)
g++ -std=c++17 "$first_program" -o "$out/first-program-pc" $(pkg-config --cflags --libs brindlewood)
"$out/consumer-pc"
