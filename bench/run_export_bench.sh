#!/usr/bin/env bash
# Builds and runs the export benchmark: the agricultural subscription file (63 fields) for
# 200,000 generated records, next to the sqlite3 shell and Python's csv module on the same rows.
#   bench/run_export_bench.sh [ROWS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KORVANDA_BENCH_BUILD:-$root/build-bench}"
rows="${1:-200000}"

command -v sqlite3 >/dev/null || { echo "the sqlite3 shell is needed (apt-get install sqlite3)" >&2; exit 1; }
command -v python3 >/dev/null || { echo "python3 is needed" >&2; exit 1; }

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVANDA_BENCH=ON \
      -DKORVANDA_TESTS=OFF >/dev/null
ninja -C "$build" bench_export >/dev/null

work="$(mktemp -d /tmp/korvanda-bench-XXXXXX)"
trap 'rm -rf "$work"' EXIT
"$build/bin/bench_export" --rows "$rows" --dir "$work"
