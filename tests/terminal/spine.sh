#!/usr/bin/env bash
# The real editor in a real terminal (tmux, 80 x 24): the first screen, the menu, About, a second start
# that hands over without drawing, Quit with exit code 0 and the terminal given back.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

start_editor
wait_for "Scrivel - untitled"
[ "$(screen | head -n 1 | sed 's/^ *//' | cut -c1-18)" = "Scrivel - untitled" ] || fail "title row"
last=$(screen | sed -n 24p)
[[ "$last" == " F1 Mark "* ]] || fail "F1 Mark at the left of the bottom row"
[[ "$last" == *" Menu F2" || "$last" == *" Menu F2 " ]] || fail "Menu F2 at the right of the bottom row"

tmux send-keys -t "$session" F2
wait_for "1  File"
for item in "2  Edit" "3  Find" "4  Find next" "5  Misc." "6  Quit"; do screen | grep -qF "$item" || fail "menu item $item"; done
tmux send-keys -t "$session" 1
wait_for "1  Open"
for item in "2  New" "3  Save As" "4  Save" "5  Recent files"; do screen | grep -qF "$item" || fail "File item $item"; done
tmux send-keys -t "$session" Escape
# A key right after Esc would be Alt with that key.
sleep 0.3
tmux send-keys -t "$session" 5
wait_for "1  Word wrap"
tmux send-keys -t "$session" 3
wait_for "About"
screen | grep -qF "Scrivel - " || fail "About text"
tmux send-keys -t "$session" Enter
wait_gone "1.0.0.2"

# A second start while the first runs: exit code 0 at once, nothing drawn, one line saying that another
# instance runs and the file was not opened; the first keeps its text.
tmux send-keys -t "$session" -l "kept text"
wait_for "untitled *"
second_out="$work/second.out"
XDG_RUNTIME_DIR="$work/run" timeout 20 "$binary" --root "$work/root" --registry "$work/registry.reg" \
  "$work/root/other.txt" >"$second_out" 2>&1 </dev/null && second=0 || second=$?
[ "$second" = 0 ] || fail "the second start ended with $second"
[ "$(wc -l < "$second_out")" = 1 ] || fail "the second start wrote other than one line: $(cat "$second_out")"
grep -q "another instance is already running" "$second_out" || fail "the second start's line: $(cat "$second_out")"
grep -qF "other.txt was not opened" "$second_out" || fail "the line names no file: $(cat "$second_out")"
[ ! -e "$work/root/other.txt" ] || fail "the second start made the file"
screen | grep -qF "kept text" || fail "the first instance lost its text"
screen | head -n 1 | grep -qF "Scrivel - untitled *" || fail "the first instance's title"

tmux send-keys -t "$session" F2
wait_for "6  Quit"
tmux send-keys -t "$session" 6
wait_for "discard"
tmux send-keys -t "$session" F1
wait_for "exit=0"
echo "PASS: first screen, menu, About, second start and Quit"
