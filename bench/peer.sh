#!/usr/bin/env bash
# The terminal editor next to vim on the same generated files, in one run: open to first screen, save
# after one typed character, and resident memory after the open (and the peak up to then, and after the
# save). Both run in 80 x 24 tmux sessions, alternating run by run, and the medians and their ratios are
# printed. Files are lines of words in the 8-bit code page, LF line breaks.
#
#   bench/peer.sh [BUILD_DIR] [RUNS] [SIZES_MB...]      e.g. bench/peer.sh build 7 1 16 64
#
# vim runs without a vimrc or viminfo and without a swap file (-n), as this editor keeps none; its
# 'fsync' is off by default here (PEER_FSYNC=1 turns it on) because the editor's Save does not flush the
# file to the disk. SCRIVEL_FLUSH is passed on untouched for a build whose Save can be told to flush.
set -euo pipefail
build=${1:-build}
runs=${2:-7}
shift $(($# >= 2 ? 2 : $#))
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1 16 64)
binary=$(realpath "$build/scrivel")
[ -x "$binary" ] || { echo "build $build/scrivel first"; exit 1; }

if ! command -v vim >/dev/null; then
  sudo=""
  [ "$(id -u)" = 0 ] || sudo="sudo"
  $sudo apt-get install -y vim-nox >/dev/null 2>&1 || $sudo apt-get install -y vim >/dev/null
fi
fsync_setting="set nofsync"
[ "${PEER_FSYNC:-0}" = 1 ] && fsync_setting="set fsync"

work=$(mktemp -d)
session="peer-bench-$$"
trap 'tmux kill-session -t "$session" 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/root" "$work/run"
export XDG_RUNTIME_DIR="$work/run"

now_ms() { echo $(($(date +%s%N) / 1000000)); }
screen() { tmux capture-pane -p -t "$session" 2>/dev/null || true; }
# Waits until the screen shows every given text; false after sixty seconds.
wait_for() {
  local deadline=$(($(now_ms) + 60000)) text ok
  while [ "$(now_ms)" -lt "$deadline" ]; do
    local shown
    shown=$(screen)
    ok=1
    for text in "$@"; do
      grep -qF -- "$text" <<<"$shown" || { ok=0; break; }
    done
    [ $ok = 1 ] && return 0
    sleep 0.005
  done
  echo "never shown: $* ---"; screen; return 1
}
wait_gone() {
  local deadline=$(($(now_ms) + 60000))
  while [ "$(now_ms)" -lt "$deadline" ]; do
    screen | grep -qF -- "$1" || return 0
    sleep 0.005
  done
  echo "still shown: $1 ---"; screen; return 1
}
editor_pid() { tmux display -p -t "$session" '#{pane_pid}'; }
status_kb() { awk -v key="$2:" '$1 == key { print $2 }' "/proc/$1/status"; }

# Lines of 60 to 80 characters of words; the first and the twentieth carry marks the screen shows.
make_file() {
  local mb=$1 path=$2
  awk -v bytes=$((mb << 20)) 'BEGIN {
    split("edit control line of text with words that wrap at the edge a screen caret moves down through large document typing in middle fast", w, " ")
    srand(7); total = 0; n = 0
    while (total < bytes) {
      n++
      line = (n == 1) ? "FIRSTMARK" : (n == 20) ? "TWENTIETHMARK" : "l" n
      target = 60 + int(rand() * 20)
      while (length(line) < target) line = line " " w[1 + int(rand() * 24)]
      if (total + length(line) + 1 > bytes) line = substr(line, 1, bytes - total - 1)
      print line; total += length(line) + 1
    }
  }' > "$path"
}

# One run of one editor on one file: prints "open_ms save_ms rss_kb hwm_open_kb hwm_save_kb".
run_scrivel() {
  local file=$1 start opened saved pid rss hwm_open hwm_save
  tmux new-session -d -s "$session" -x 80 -y 24 \
    "exec '$binary' --root '$work/root' --registry '$work/registry.reg' '$file'"
  wait_for "FIRSTMARK" "TWENTIETHMARK" "Scrivel - "
  opened=$(now_ms)
  pid=$(editor_pid)
  sleep 0.3
  rss=$(status_kb "$pid" VmRSS)
  hwm_open=$(status_kb "$pid" VmHWM)
  tmux send-keys -t "$session" -l "x"
  wait_for ".txt *"
  start=$(now_ms)
  tmux send-keys -t "$session" F2 1 4
  wait_gone ".txt *"
  saved=$(now_ms)
  hwm_save=$(status_kb "$pid" VmHWM)
  tmux send-keys -t "$session" F2 6
  tmux kill-session -t "$session" 2>/dev/null || true
  echo "$((opened - open_start)) $((saved - start)) $rss $hwm_open $hwm_save"
}

run_vim() {
  local file=$1 start opened saved pid rss hwm_open hwm_save
  tmux new-session -d -s "$session" -x 80 -y 24 \
    "exec vim --clean -n -i NONE -c '$fsync_setting' '$file'"
  wait_for "FIRSTMARK" "TWENTIETHMARK" "$(basename "$file")"
  opened=$(now_ms)
  pid=$(editor_pid)
  sleep 0.3
  rss=$(status_kb "$pid" VmRSS)
  hwm_open=$(status_kb "$pid" VmHWM)
  tmux send-keys -t "$session" "ix" Escape
  tmux send-keys -t "$session" ":echo 'edited'" Enter
  wait_for "edited"
  start=$(now_ms)
  tmux send-keys -t "$session" ":w" Enter
  wait_for "written"
  saved=$(now_ms)
  hwm_save=$(status_kb "$pid" VmHWM)
  tmux send-keys -t "$session" ":q!" Enter
  tmux kill-session -t "$session" 2>/dev/null || true
  echo "$((opened - open_start)) $((saved - start)) $rss $hwm_open $hwm_save"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

printf '%-5s %-7s %9s %9s %11s %11s %11s\n' size editor "open ms" "save ms" "rest B/B" "peak open" "peak save"
for mb in "${sizes[@]}"; do
  file="$work/root/file$mb.txt"
  make_file "$mb" "$work/pristine.txt"
  for r in $(seq "$runs"); do
    for editor in scrivel vim; do
      cp "$work/pristine.txt" "$file"
      sync "$file" 2>/dev/null || true
      cat "$file" >/dev/null
      open_start=$(now_ms)
      "run_$editor" "$file" >>"$work/$editor-$mb" || exit 1
    done
  done
  bytes=$((mb << 20))
  for editor in scrivel vim; do
    f="$work/$editor-$mb"
    open=$(cut -d' ' -f1 "$f" | median)
    save=$(cut -d' ' -f2 "$f" | median)
    rest=$(cut -d' ' -f3 "$f" | median)
    hwo=$(cut -d' ' -f4 "$f" | median)
    hws=$(cut -d' ' -f5 "$f" | median)
    printf '%-5s %-7s %9s %9s %11.2f %11.2f %11.2f\n' "${mb}M" "$editor" "$open" "$save" \
      "$(echo "$rest * 1024 / $bytes" | bc -l)" "$(echo "$hwo * 1024 / $bytes" | bc -l)" \
      "$(echo "$hws * 1024 / $bytes" | bc -l)"
    eval "${editor}_open=$open ${editor}_save=$save ${editor}_rest=$rest"
  done
  printf '%-5s %-7s %9.2f %9.2f %11.2f   (scrivel / vim, medians of %d)\n' "${mb}M" ratio \
    "$(echo "$scrivel_open / $vim_open" | bc -l)" "$(echo "$scrivel_save / $vim_save" | bc -l)" \
    "$(echo "$scrivel_rest / $vim_rest" | bc -l)" "$runs"
done
