#!/usr/bin/env bash
# Builds and runs the export benchmarks on generated agricultural records (63 fields):
#   1. in process: the subscription file for ROWS records next to the sqlite3 shell and Python's
#      csv module on the same rows;
#   2. end to end, as a user runs it: `korvanda export dat` from a query and from CSV at each of
#      SIZES records, next to the sqlite3 shell and Python's csv module, with peak memory from
#      /usr/bin/time -v.
#   bench/run_export_bench.sh [ROWS] [SIZES]     (defaults 200000 and 200000,2000000)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KORVANDA_BENCH_BUILD:-$root/build-bench}"
rows="${1:-200000}"
sizes="${2:-200000,2000000}"

command -v sqlite3 >/dev/null || { echo "the sqlite3 shell is needed (apt-get install sqlite3)" >&2; exit 1; }
command -v python3 >/dev/null || { echo "python3 is needed" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is needed (apt-get install time)" >&2; exit 1; }

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVANDA_BENCH=ON \
      -DKORVANDA_TESTS=OFF >/dev/null
ninja -C "$build" bench_export korvanda_cli >/dev/null

work="$(mktemp -d /tmp/korvanda-bench-XXXXXX)"
trap 'rm -rf "$work"' EXIT
"$build/bin/bench_export" --rows "$rows" --dir "$work" --rounds "${ROUNDS:-5}"
echo
python3 "$root/bench/export_cli_bench.py" --korvanda "$build/bin/korvanda" \
  --generator "$build/bin/bench_export" --dir "$work" --rows "$sizes" --rounds "${ROUNDS:-3}"
