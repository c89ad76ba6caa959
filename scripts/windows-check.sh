#!/usr/bin/env bash
# Every program source must compile unchanged against the real Windows headers.
set -euo pipefail
cd "$(dirname "$0")/.."
failed=0
for f in app/*.cpp document/*.cpp editing/*.cpp browser/*.cpp settings/*.cpp; do
  [ -e "$f" ] || continue
  if ! x86_64-w64-mingw32-g++ -std=c++20 -fsyntax-only -Wall -Wextra -DUNICODE -D_UNICODE -I. -Iresources "$f"; then
    echo "windows-check: $f does not compile against the Windows headers"
    failed=1
  fi
done
[ $failed -eq 0 ] && echo "windows-check: every program source compiles against the Windows headers"
exit $failed
