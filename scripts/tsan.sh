#!/usr/bin/env bash
# Builds the library and the test programs that run threads with ThreadSanitizer in build-tsan,
# and runs the tests labelled "concurrency" (many threads and processes on one database at once)
# and the registration races between two stations.
#
#   scripts/tsan.sh
#   KORVANDA_LOAD_SECONDS=60 scripts/tsan.sh     a longer load
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TSAN_BUILD_DIR:-build-tsan}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANDA_TSAN=ON >/dev/null
ninja -C "$build" test_reliability test_registration
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
ctest --test-dir "$build" -L concurrency --output-on-failure --no-tests=error
ctest --test-dir "$build" -R '^ConcurrentStations\.' --output-on-failure --no-tests=error
