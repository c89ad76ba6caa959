#!/usr/bin/env bash
# The shared platform tests on both sides: over our own platform (build/) and over the real Win32 under
# Wine (build-windows/), each test under a time limit. Prints how many ran, passed and were marked for one
# side only on each. Run after scripts/test.sh has built build/, or alone: it builds what it needs.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)

# Prints one line of counts from a GoogleTest run's output; fails when a test failed or none ran.
summarize() {
  local side=$1 log=$2
  local ran passed skipped failed
  ran=$(sed -n 's/^\[==========\] \([0-9]*\) tests\? from .* ran\..*/\1/p' "$log" | tail -1)
  passed=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p' "$log" | tail -1)
  skipped=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\?, listed below:.*/\1/p' "$log" | tail -1)
  failed=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\?, listed below:.*/\1/p' "$log" | tail -1)
  echo "shared platform tests, $side: ${ran:-0} ran, ${passed:-0} passed, ${skipped:-0} marked for the other side only, ${failed:-0} failed"
  [ -n "$ran" ] && [ "$ran" -gt 0 ] && [ -z "$failed" ] && ! grep -q '^\[  TIMEOUT \]' "$log"
}

[ -x build/tests/shared_platform_tests ] || {
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build -j "$jobs" --target shared_platform_tests
}
cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS=-Werror -DSCRIVEL_WINDOWS_TESTS=ON >/dev/null
cmake --build build-windows -j "$jobs" --target shared_platform_tests

tmp=$(mktemp -d)
source tests/windows/virtual_display.sh
trap stop_virtual_display EXIT
start_virtual_display

status=0
build/tests/shared_platform_tests --gtest_color=no >"$tmp/ours.log" 2>&1 || true
summarize "our platform" "$tmp/ours.log" || { grep -E '^\[  FAILED|^\[  TIMEOUT|Failure' "$tmp/ours.log" || true; status=1; }
# Each test has a minute; a longer one ends the run with its name.
TEST_TIME_LIMIT=60 timeout 1200 wine "$root/build-windows/shared_platform_tests.exe" --gtest_color=no \
  >"$tmp/win32.log" 2>&1 || true
tr -d '\r' <"$tmp/win32.log" >"$tmp/win32.txt"
summarize "Win32 under Wine" "$tmp/win32.txt" || {
  grep -E -B3 '^\[  FAILED|^\[  TIMEOUT' "$tmp/win32.txt" | head -200 || true
  status=1
}
if [ -n "${SHARED_TEST_LOG:-}" ]; then cp "$tmp/win32.txt" "$SHARED_TEST_LOG"; fi
exit $status
