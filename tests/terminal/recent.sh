#!/usr/bin/env bash
# The recent files in the real editor: five files opened through the browser leave File, Recent listing
# the newest four first, choosing one opens it and moves it to the top, and Quit stores the list so that
# the next start shows it again.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

for letter in A B C D E; do printf '%s text' "$letter" > "$work/root/$letter.txt"; done

# A stored path: its UTF-16 bytes and the low byte of the terminator (2 x length + 1 bytes).
stored_value() {
  local text=$1 out="" i
  for ((i = 0; i < ${#text}; i++)); do out+=$(printf '%02x,00,' "'${text:i:1}"); done
  echo "${out}00"
}
# The rows of the open Recent submenu, in order, as "1 E.txt" and so on.
recent_rows() { screen | grep -oE '[1-4]  .\.txt' | sed 's/  / /' | tr '\n' ' '; }
open_recent() {
  tmux send-keys -t "$session" F2
  wait_for "1  File"
  tmux send-keys -t "$session" 1
  wait_for "5  Recent"
  tmux send-keys -t "$session" 5
  wait_for "4  "
}

start_editor
wait_for "Scrivel - untitled"
# A to E opened one after another through File, Open: the list keeps the newest four.
n=0
for letter in A B C D E; do
  tmux send-keys -t "$session" F2
  wait_for "1  File"
  tmux send-keys -t "$session" 1
  wait_for "1  Open"
  tmux send-keys -t "$session" 1
  wait_for "Scrivel - Open File"
  for ((i = 0; i < n; i++)); do tmux send-keys -t "$session" Down; done
  tmux send-keys -t "$session" Enter
  wait_for "Scrivel - $letter.txt"
  n=$((n + 1))
done
open_recent
[ "$(recent_rows)" = "1 E.txt 2 D.txt 3 C.txt 4 B.txt " ] || fail "after opening A to E: $(recent_rows)"

# Choosing C opens it and puts it on top.
tmux send-keys -t "$session" 3
wait_for "Scrivel - C.txt"
screen | grep -qF "C text" || fail "C's text"
open_recent
[ "$(recent_rows)" = "1 C.txt 2 E.txt 3 D.txt 4 B.txt " ] || fail "C on top: $(recent_rows)"
tmux send-keys -t "$session" Escape Escape Escape
wait_gone "1  C.txt"

tmux send-keys -t "$session" F2 6
wait_for "exit=0"
for pair in 0:C 1:E 2:D 3:B; do
  expected="\"Recent${pair%%:*}\"=hex(1):$(stored_value "\\${pair#*:}.txt")"
  grep -qF "$expected" "$work/registry.reg" || fail "stored Recent${pair%%:*}: $(cat "$work/registry.reg")"
done
# 6 characters: 13 bytes each.
bytes=$(grep -F '"Recent0"=' "$work/registry.reg" | sed 's/.*hex(1)://' | tr -d '\r' | tr ',' '\n' | wc -l)
[ "$bytes" = 13 ] || fail "Recent0 holds $bytes bytes"

# A new start shows the same list.
tmux kill-session -t "$session"
start_editor
wait_for "Scrivel - untitled"
open_recent
[ "$(recent_rows)" = "1 C.txt 2 E.txt 3 D.txt 4 B.txt " ] || fail "after a restart: $(recent_rows)"
tmux send-keys -t "$session" Escape Escape Escape
wait_gone "1  C.txt"
tmux send-keys -t "$session" F2 6
wait_for "exit=0"
echo "PASS: recent files listed after five opens, chosen, stored at Quit and restored"
