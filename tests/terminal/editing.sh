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
tmux send-keys -t "$session" F2 5 1
wait_gone "5  Misc."
rows=$(screen | grep -c "word word")
[ "$rows" -ge 3 ] || fail "word wrap: the long line takes $rows rows"
tmux send-keys -t "$session" F2 5
wait_for "Word wrap"
screen | grep -qF "✓Word wrap" || screen | grep -qF "*Word wrap" || fail "the check mark of Word wrap"
tmux send-keys -t "$session" 1
wait_gone "Word wrap"
sleep 0.2
rows=$(screen | grep -c "word word")
[ "$rows" -le 1 ] || fail "without word wrap the long line takes $rows rows"

# Save writes exactly the text, and the marker goes.
tmux send-keys -t "$session" F2 1 4
wait_for "Scrivel - notes.txt "
sleep 0.2
screen | head -n 1 | grep -qF "notes.txt *" && fail "the modified marker stayed after Save"
expected=$(printf 'first line\r\ntyped here\r\nand more\r\n%s' "$long")
[ "$(cat "$work/root/notes.txt")" = "$expected" ] || fail "the saved file: $(od -c "$work/root/notes.txt" | head)"

tmux send-keys -t "$session" F2 6
wait_for "exit=0"
echo "PASS: typing, word wrap and Save"
