#!/usr/bin/env bash
# Builds the editor and starts it in this terminal. Arguments go to the editor (see --help).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target scrivel >/dev/null
exec build/scrivel "$@"
