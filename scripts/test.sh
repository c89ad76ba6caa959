#!/usr/bin/env bash
# Builds everything and runs every test: the normal build, the same tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, a short run of each fuzz target, the Windows build
# and its scenario under Wine, and the shared platform tests on both sides.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs=$(nproc)

echo "== Build and test"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs")

echo "== Build and test under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSCRIVEL_SANITIZE=ON -DSCRIVEL_BENCH=OFF >/dev/null
cmake --build build-sanitize -j "$jobs"
(cd build-sanitize && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  LSAN_OPTIONS="suppressions=$PWD/../tests/support/lsan.supp" \
  ctest --output-on-failure -j "$jobs" -E '^terminal\.')

echo "== The platform's layers"
scripts/layers.sh

echo "== Fuzz targets, about 20 seconds each"
scripts/fuzz.sh 20

echo "== The Windows build, and its scenario under Wine"
scripts/windows-check.sh

echo "== The shared platform tests, over our platform and over Win32 under Wine"
scripts/wine-tests.sh

echo "== Formatting"
if ! clang-format --dry-run --Werror $(git ls-files '*.cpp' '*.h' 2>/dev/null || find . -name '*.cpp' -o -name '*.h' | grep -v '^./build'); then
  echo "format: run clang-format -i on the files above"
  exit 1
fi
echo "format: every source follows .clang-format"
