#!/usr/bin/env bash
# Installs the build into a temporary prefix and builds two tiny consumers against it: one with
# find_package(korvanda), one with pkg-config.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
here=$(cd "$(dirname "$0")" && pwd)

cmake --install "$build" --prefix "$work/prefix" >/dev/null
test -x "$work/prefix/bin/korvanda"
test -f "$work/prefix/include/korvanda/automation.h"
ls "$work"/prefix/share/korvanda/schema/*.sql >/dev/null

cmake -S "$here/consumer" -B "$work/consumer" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
ninja -C "$work/consumer" >/dev/null
"$work/consumer/consumer_c"

libdir=$(dirname "$(find "$work/prefix" -name korvanda.pc)")
export PKG_CONFIG_PATH="$libdir"
cc "$here/consumer/main.c" -o "$work/consumer_pc" $(pkg-config --cflags --libs korvanda) \
  -Wl,-rpath,"$(pkg-config --variable=libdir korvanda)"
"$work/consumer_pc"
"$work/prefix/bin/korvanda" --help >/dev/null
