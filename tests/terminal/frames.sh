#!/usr/bin/env bash
# What reaches the terminal after a key: the changes of a frame in one write, never a frame sent in
# pieces the terminal could show half drawn. The editor runs under strace, which logs its writes.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

if ! strace -o /dev/null true 2>/dev/null; then
  echo "SKIP: strace cannot trace here"
  exit 77
fi

printf 'first line\r\nsecond line\r\nthird line\r\n' > "$work/root/frames.txt"
log="$work/writes.log"
editor_runner="strace -e trace=write -e signal=none -o '$log'"
start_editor "'$work/root/frames.txt'"
wait_for "Scrivel - frames.txt"
sleep 0.5

screen_writes() { grep -c '^write(1,' "$log" || true; }

# A key, the screen it should lead to, and how many writes it may take.
expect_writes() {
  local writes=$1 shown=$2; shift 2
  local before after
  before=$(screen_writes)
  tmux send-keys -t "$session" "$@"
  wait_for "$shown"
  sleep 0.3
  after=$(screen_writes)
  [ $((after - before)) = "$writes" ] || fail "$* took $((after - before)) writes, not $writes"
}

# The caret moving, a letter typed and a line joined: each a frame of its own, in one write.
expect_writes 1 "Ln 1, Col 2" Right
expect_writes 1 "Ln 2, Col 2" Down
expect_writes 1 "sxecond line" x
expect_writes 1 "Ln 2, Col 1" Home
expect_writes 1 "first linesxecond line" BSpace
# A menu hides the cursor before it is drawn and shows it again once it is gone: one write more.
expect_writes 2 "Quit" F2
expect_writes 2 "Ln 1, Col 11" Escape
tmux send-keys -t "$session" F2 1 4
wait_gone "frames.txt *"
tmux send-keys -t "$session" F2 6
wait_for "exit=0"
echo "PASS: one write a frame"
