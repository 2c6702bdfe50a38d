#!/usr/bin/env bash
# Builds and runs the registration benchmark: agricultural subscription records through
# insertAgricola (100,000 in one caller transaction, 5,000 without one) beside the sqlite3
# shell running the same statements the same way, and the cost of one record at 10,000 and
# 1,000,000 rows.
#   bench/registration/run.sh [bench_registration options, e.g. --records 20000]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${KORVANDA_BENCH_BUILD:-$root/build-bench}"

command -v sqlite3 >/dev/null || { echo "the sqlite3 shell is needed (apt-get install sqlite3)" >&2; exit 1; }
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVANDA_BENCH=ON \
      -DKORVANDA_TESTS=OFF >/dev/null
ninja -C "$build" bench_registration >/dev/null

work="$(mktemp -d /tmp/korvanda-bench-registration-XXXXXX)"
trap 'rm -rf "$work"' EXIT
"$build/bin/bench_registration" --dir "$work" "$@"
