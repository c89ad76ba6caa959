#!/usr/bin/env bash
# Builds the editor and starts it in this terminal. Arguments go to the editor (see --help); relative
# paths among them are taken from the folder you start this script in.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
"$repo/scripts/setup.sh"
cmake -S "$repo" -B "$repo/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$repo/build" --target scrivel >/dev/null
exec "$repo/build/scrivel" "$@"
