#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan+UBSan) in build-fuzz and runs each one for a bounded
# number of inputs, starting from its seed corpus in fuzz/corpus/<name>/.
#
#   scripts/fuzz.sh                 every fuzzer, FUZZ_RUNS inputs each (default 20000)
#   scripts/fuzz.sh translate abi   only these
#   FUZZ_RUNS=-1 FUZZ_SECONDS=600 scripts/fuzz.sh textform   a longer session, by time only
#
# New inputs found during the run go to build-fuzz/corpus/<name>/ (the seeds in the repository
# are never changed); a crash leaves its input in build-fuzz/artifacts/ and makes the script
# fail. Add the input as fuzz/corpus/<name>/regression-<what>, which the fuzz.replay tests run.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

runs=${FUZZ_RUNS:-20000}
seconds=${FUZZ_SECONDS:-30}   # upper bound per fuzzer, whatever the run count
build=${FUZZ_BUILD_DIR:-build-fuzz}
[[ $build = /* ]] || build=$top/$build

CC=${FUZZ_CC:-clang} CXX=${FUZZ_CXX:-clang++} \
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKORVANDA_FUZZ=ON -DKORVANDA_TESTS=OFF >/dev/null

if (($#)); then
  names=("$@")
else
  names=()
  for src in fuzz/*_fuzz.cpp; do
    n=$(basename "$src" _fuzz.cpp)
    names+=("$n")
  done
fi
ninja -C "$build" "${names[@]/#/fuzz_}"

mkdir -p "$build/artifacts"
# Fuzzed calls may write files wherever the input names (exports, logs): they land in a scratch
# directory, emptied after every fuzzer, not in the source tree.
scratch=$build/scratch
status=0
for n in "${names[@]}"; do
  mkdir -p "$build/corpus/$n"
  seeds=()
  [ -d "fuzz/corpus/$n" ] && seeds=("$top/fuzz/corpus/$n")
  dict=()
  [ -f "fuzz/$n.dict" ] && dict=("-dict=$top/fuzz/$n.dict")
  rm -rf "$scratch" && mkdir -p "$scratch"
  echo "== fuzz_$n: ${runs} runs, at most ${seconds} s"
  if ! (cd "$scratch" && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$build/bin/fuzz_$n" -runs="$runs" -max_total_time="$seconds" -max_len=4096 -timeout=20 \
      -rss_limit_mb=2048 -print_final_stats=1 "${dict[@]}" \
      -artifact_prefix="$build/artifacts/$n-" "$build/corpus/$n" "${seeds[@]}" \
      >"$build/fuzz_$n.log" 2>&1); then
    echo "fuzz_$n FAILED: see $build/fuzz_$n.log and $build/artifacts/"
    tail -n 40 "$build/fuzz_$n.log"
    status=1
  else
    grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)' "$build/fuzz_$n.log" | tr '\n' ' '
    echo
  fi
done
rm -rf "$scratch"
exit $status
