#!/usr/bin/env bash
# Find on a 64 MiB file, next to vim on the same machine in the same run: a text that occurs only on the
# last line, searched from the start; and the next match from one on the first line to the only other,
# on the last line. Both ignore letter case. Medians of five runs, and vim's time over ours.
# Usage: bench/find_vs_vim.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
bench="$build/bench/find_bench"
[ -x "$bench" ] || { echo "build $bench first (cmake --build $build --target find_bench)"; exit 1; }
command -v vim > /dev/null || { echo "vim is needed for the comparison"; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The same text the benchmark searches: words in lines of about 80 characters, "needle" on the last line
# (and, for Find next, in place of the first word).
python3 - "$tmp" <<'PY'
import sys
words = ["alpha", "beta", "gamma", "delta", "epsilon", "zeta", "eta", "theta"]
size = (64 << 20) - 32
parts, n, column, i = [], 0, 0, 0
while n < size:
    w = words[i % 8]; i += 1
    parts.append(w); n += len(w); column += len(w)
    if column > 75:
        parts.append("\r\n"); n += 2; column = 0
    else:
        parts.append(" "); n += 1; column += 1
text = "".join(parts)[:size] + "\r\nthe last line has the needle"
open(sys.argv[1] + "/last.txt", "w", newline="").write(text)
open(sys.argv[1] + "/both.txt", "w", newline="").write("needle" + text[6:])
PY

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# vim's own clock around the search alone: the file is loaded before the clock starts.
vim_search() {  # file, start line, start column
  for _ in 1 2 3 4 5; do
    vim -u NONE -i NONE -N -n -es \
      -c 'set ignorecase' -c "call cursor($2, $3)" -c 'let t = reltime()' -c 'call search("NEEDLE")' \
      -c "call writefile([string(reltimefloat(reltime(t)) * 1000)], '$tmp/vim.ms')" -c 'q!' "$1"
    cat "$tmp/vim.ms"
  done | median
}

# The editor always runs with glibc's huge pages for large blocks (the launcher sets the tunable), so
# the benchmark does too.
ours() {  # benchmark name
  GLIBC_TUNABLES=glibc.malloc.hugetlb=1 "$bench" --benchmark_filter="$1" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_format=csv 2>/dev/null | grep "_median" | cut -d, -f3
}

vim_last=$(vim_search "$tmp/last.txt" 1 1)
vim_next=$(vim_search "$tmp/both.txt" 1 1)
ours_last=$(ours BM_FindOnLastLine)
ours_next=$(ours BM_FindNextFarApart)
printf '%-34s %10s %10s %8s\n' "64 MiB, median of 5 (ms)" scrivel vim vim/ours
printf '%-34s %10.1f %10.1f %8.2f\n' "Find, text only on the last line" "$ours_last" "$vim_last" \
  "$(echo "$vim_last / $ours_last" | bc -l)"
printf '%-34s %10.1f %10.1f %8.2f\n' "Find next, first line to last" "$ours_next" "$vim_next" \
  "$(echo "$vim_next / $ours_next" | bc -l)"
