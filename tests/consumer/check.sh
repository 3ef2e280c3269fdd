#!/usr/bin/env bash
# Installs the built library into a scratch prefix, then builds and runs a consumer against it,
# once through find_package(Brindlewood) and once through pkg-config.
set -euo pipefail
build=$1 out=$2 here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$out" && mkdir -p "$out"
cmake --install "$build" --prefix "$out/prefix" >/dev/null
cmake -S "$here" -B "$out/cmake" -DCMAKE_PREFIX_PATH="$out/prefix" >/dev/null
cmake --build "$out/cmake" >/dev/null
"$out/cmake/consumer"
export PKG_CONFIG_PATH="$out/prefix/lib/pkgconfig"
g++ -std=c++17 "$here/main.cpp" -o "$out/consumer-pc" $(pkg-config --cflags --libs brindlewood)
"$out/consumer-pc"
