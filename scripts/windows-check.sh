#!/usr/bin/env bash
# The Windows build: scrivel.exe from the program's sources over the real Win32 (mingw-w64), with no
# warning, then the scenario that drives it under Wine on a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS=-Werror -DSCRIVEL_WINDOWS_TESTS=ON >/dev/null
cmake --build build-windows -j "$(nproc)" --target scrivel
echo "windows-check: build-windows/scrivel.exe is built, with no warning"
tests/windows/wine_scenario.sh build-windows/scrivel.exe
