#!/usr/bin/env bash
# Find and Find next in the real editor: the dialog, its soft keys, the field, and the matches it selects.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

printf 'alpha beta gamma\r\ngamma ray\r\n' > "$work/root/greek.txt"
start_editor "'$work/root/greek.txt'"
wait_for "Scrivel - greek.txt"
bottom() { screen | tail -n 1; }

# Menu, Find: the dialog with its label and the soft keys "Find" and "Cancel".
tmux send-keys -t "$session" F2 3
wait_for "Search for:"
bottom | grep -q "^ F1 Find " || fail "the left soft key of the dialog"
bottom | grep -q " Cancel F2 *$" || fail "the right soft key of the dialog"

# GAMMA finds gamma, which shows selected; a typed character then replaces it.
tmux send-keys -t "$session" -l "GAMMA"
wait_for "GAMMA"
tmux send-keys -t "$session" F1
wait_gone "Search for:"
tmux capture-pane -e -p -t "$session" | head -n 2 | grep -qF $'\e[7mgamma' || fail "gamma is not shown selected"
tmux send-keys -t "$session" -l "X"
wait_for "alpha beta X"

# Find next goes on to the next match.
tmux send-keys -t "$session" F2 4
sleep 0.3
tmux send-keys -t "$session" -l "Y"
wait_for "Y ray"

# The dialog comes back with the last text, all selected: typing replaces it. A text that is not there
# shows "Couldn't find string".
tmux send-keys -t "$session" F2 3
wait_for "GAMMA"
tmux send-keys -t "$session" -l "zzz"
wait_for "zzz"
screen | grep -qF "GAMMA" && fail "typing did not replace the selected text"
tmux send-keys -t "$session" F1
wait_for "Couldn't find string"
tmux send-keys -t "$session" Enter
wait_gone "Couldn't find string"

# Back deletes in the field; Cancel closes the dialog and keeps the text.
tmux send-keys -t "$session" F2 3
wait_for "zzz"
tmux send-keys -t "$session" -l "delta"
wait_for "delta"
tmux send-keys -t "$session" BSpace
wait_gone "delta"
screen | grep -qF "delt" || fail "Back did not delete one character in the field"
tmux send-keys -t "$session" F2
wait_gone "Search for:"
tmux send-keys -t "$session" F2 3
wait_for "zzz"
tmux send-keys -t "$session" F2
wait_gone "Search for:"

# The edits reach the file.
tmux send-keys -t "$session" F2 1 4
wait_gone "greek.txt *"
expected=$(printf 'alpha beta X\r\nY ray\r\n')
[ "$(cat "$work/root/greek.txt")" = "$expected" ] || fail "the saved file: $(od -c "$work/root/greek.txt" | head)"

tmux send-keys -t "$session" F2 6
wait_for "exit=0"
echo "PASS: Find and Find next"
