#!/usr/bin/env bash
# Typing, word wrap and Save in the real editor, checked on screen and in the file.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

printf 'first line\r\n' > "$work/root/notes.txt"
start_editor "'$work/root/notes.txt'"
wait_for "Scrivel - notes.txt"
screen | grep -qF "first line" || fail "the file's text"

# Typing and Enter, at the end of the text.
tmux send-keys -t "$session" C-End
tmux send-keys -t "$session" -l "typed here"
tmux send-keys -t "$session" Enter
tmux send-keys -t "$session" -l "and more"
wait_for "and more"
wait_for "Scrivel - notes.txt *"

# A 300-character line of words wraps at the screen's width and comes back as one line.
long=$(printf 'word%.0s ' $(seq 60))
tmux send-keys -t "$session" Enter
tmux send-keys -t "$session" -l "$long"
# Counts the rows that show the long line, until it is the wanted number or five seconds pass.
rows_become() {
  for _ in $(seq 50); do
    rows=$(screen | grep -c "word word" || true)
    eval "[ $rows $1 ]" && return 0
    sleep 0.1
  done
  fail "the long line takes $rows rows, not $1"
}
tmux send-keys -t "$session" F2 5 1
rows_become "-ge 3"
tmux send-keys -t "$session" F2 5
wait_for "Word wrap"
screen | grep -qF "✓Word wrap" || screen | grep -qF "*Word wrap" || fail "the check mark of Word wrap"
tmux send-keys -t "$session" 1
rows_become "-le 1"

# Save writes exactly the text, and the marker goes.
tmux send-keys -t "$session" F2 1 4
wait_gone "notes.txt *"
expected=$(printf 'first line\r\ntyped here\r\nand more\r\n%s' "$long")
[ "$(cat "$work/root/notes.txt")" = "$expected" ] || fail "the saved file: $(od -c "$work/root/notes.txt" | head)"

tmux send-keys -t "$session" F2 6
wait_for "exit=0"
echo "PASS: typing, word wrap and Save"
