#!/usr/bin/env bash
# Builds and runs the certificate benchmark: getConstanciasSubD and getConstanciasSinD on
# generated portfolios of 10,000 and 100,000 certificates beside the sqlite3 shell running the
# same translated statements, and how their times grow.
#   bench/certificates/run.sh [SIZES]     (default 10000,100000)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${KORVANDA_BENCH_BUILD:-$root/build-bench}"
sizes="${1:-10000,100000}"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVANDA_BENCH=ON \
      -DKORVANDA_TESTS=OFF >/dev/null
ninja -C "$build" bench_certificates >/dev/null

work="$(mktemp -d /tmp/korvanda-bench-certificates-XXXXXX)"
trap 'rm -rf "$work"' EXIT
"$build/bin/bench_certificates" --dir "$work" --sizes "$sizes"
