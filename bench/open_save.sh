#!/usr/bin/env bash
# Open and save times and peak memory of the program for 1, 16 and 64 MB, one size a process, next to
# the time `cat FILE > /dev/null` takes on the same machine. Usage: bench/open_save.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
bench="$build/bench/document_bench"
[ -x "$bench" ] || { echo "build $bench first (cmake --build $build --target document_bench)"; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for mb in 1 16 64; do
  head -c $((mb << 20)) /dev/urandom | base64 -w 79 > "$tmp/file.txt"
  start=$(date +%s.%N); cat "$tmp/file.txt" > /dev/null; end=$(date +%s.%N)
  printf '%3d MB: cat %.1f ms\n' "$mb" "$(echo "($end - $start) * 1000" | bc)"
  for op in Open Save; do
    "$bench" --benchmark_filter="BM_$op/$mb/" --benchmark_format=console 2>/dev/null | grep "BM_$op"
  done
done
