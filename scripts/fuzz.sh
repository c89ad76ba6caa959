#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) in
# build-fuzz/ and runs each for the given number of seconds, starting from the seeds in tests/fuzz/corpus.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]     (default 20 seconds each, every target)
#
# New inputs go to build-fuzz/corpus/TARGET, so a later run starts where the last one stopped; a crash
# leaves its input in build-fuzz/crashes/ and fails the script. The last line of each run gives the
# number of executions.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(registry resource keymap edit text)

build=build-fuzz
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DSCRIVEL_FUZZ=ON -DSCRIVEL_TESTS=OFF -DSCRIVEL_BENCH=OFF >/dev/null
names=()
for t in "${targets[@]}"; do names+=("${t}_fuzz"); done
nice cmake --build "$build" --target "${names[@]}" scrivel_res

mkdir -p "$build/crashes"
failed=0
for t in "${targets[@]}"; do
  corpus="$build/corpus/$t"
  mkdir -p "$corpus"
  # The program's own compiled resources are the richest seed the resource loader can have.
  [ "$t" = resource ] && cp "$build/scrivel.res" "$corpus/scrivel.res"
  log="$build/$t.log"
  echo "== $t: $seconds s"
  if ! UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ASAN_OPTIONS=detect_leaks=1 \
      nice "$build/tests/fuzz/${t}_fuzz" "$corpus" "tests/fuzz/corpus/$t" -max_total_time="$seconds" \
      -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/crashes/$t-" >"$log" 2>&1; then
    failed=1
    echo "$t: FAILED (see $log and $build/crashes/)"
    grep -m5 -E 'ERROR|runtime error|abort|Fail|: ' "$log" | grep -v '^INFO' | head -5 || true
    continue
  fi
  runs=$(grep -m1 'stat::number_of_executed_units' "$log" | awk '{print $2}')
  echo "$t: ${runs:-?} executions, no crash"
done
exit $failed
