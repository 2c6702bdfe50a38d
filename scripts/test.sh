#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test: once as built for use (the
# end-to-end areas once more over ODBC), once under AddressSanitizer and UndefinedBehaviorSanitizer,
# the concurrency tests under ThreadSanitizer, and every fuzzer for a bounded number of inputs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc)
start=$SECONDS
stage() { echo "==== $1 (at $((SECONDS - start)) s)"; }

stage "build and test"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANDA_WERROR=ON
ninja -C build
ctest --test-dir build --output-on-failure -j"$jobs"

stage "AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKORVANDA_SANITIZE=ON -DKORVANDA_WERROR=ON
ninja -C build-asan
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp \
  ctest --test-dir build-asan --output-on-failure -j"$jobs" -LE no-sanitizer

stage "ThreadSanitizer"
bash scripts/tsan.sh

stage "fuzzing"
FUZZ_SECONDS=${FUZZ_SECONDS:-20} bash scripts/fuzz.sh

stage "all passed"
