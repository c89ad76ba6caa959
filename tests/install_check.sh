#!/usr/bin/env bash
# cmake --install puts the editor and its manual page under the prefix, and both work from there.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
[ -x "$prefix/bin/scrivel" ] || { echo "FAIL: no bin/scrivel"; exit 1; }
"$prefix/bin/scrivel" --version | grep -q '^Scrivel ' || { echo "FAIL: the installed editor"; exit 1; }
page=$(find "$prefix" -name scrivel.1)
[ -n "$page" ] || { echo "FAIL: no scrivel.1"; exit 1; }
text=$(MANWIDTH=100 man -l "$page" 2>/dev/null || cat "$page")
for section in SYNOPSIS OPTIONS KEYS FILES; do
  grep -q "$section" <<<"$text" || { echo "FAIL: the manual page has no $section"; exit 1; }
done
grep -q "registry.reg" <<<"$text" || { echo "FAIL: the manual page does not name the settings file"; exit 1; }
echo "PASS: installed editor and manual page"
