#!/usr/bin/env bash
# Boxes and menus in the real editor: Shift+arrows over them only move, a short terminal keeps them
# off the soft-key row, and a long title keeps its end (the unsaved-changes mark) in sight.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

name="a rather long name for a file that goes on and on.txt"
printf 'kept text\r\n' > "$work/root/$name"
start_editor "'$work/root/$name'"
wait_for "kept text"
tmux send-keys -t "$session" -l "more "
wait_for "on and on.txt *"

# Shift+Down over the question about unsaved changes neither answers it nor quits.
tmux send-keys -t "$session" F2 6
wait_for "discard"
tmux send-keys -t "$session" S-Down
sleep 1
if screen | grep -qF "exit="; then fail "Shift+Down answered the box and the editor quit"; fi
screen | grep -qF "discard" || fail "Shift+Down closed the box"
tmux send-keys -t "$session" Escape
wait_gone "discard"
wait_for "more kept text"

# In the menu Shift+Down moves to Edit as Down would, and chooses nothing.
tmux send-keys -t "$session" F2 S-Down
sleep 0.5
tmux send-keys -t "$session" Enter
wait_for "1  Undo"
tmux send-keys -t "$session" F2
wait_gone "1  Undo"

# Forty by ten: the title shows its end, the menu scrolls above the soft-key row.
tmux resize-window -t "$session" -x 40 -y 10
wait_for "on.txt *"
title=$(screen | head -n 1)
[[ "$title" == " …"* || "$title" == " ..."* ]] || fail "the cut title does not start with an ellipsis"
[[ "$title" == *"on and on.txt *" ]] || fail "the end of the title"
tmux send-keys -t "$session" F2
wait_for "1  File"
[[ "$(screen | sed -n 10p)" == *"Cancel"* ]] || fail "the menu covers the soft-key row"
[[ "$(screen | sed -n 9p)" == *"┘"* || "$(screen | sed -n 9p)" == *"+"* ]] || fail "the menu's bottom border"
tmux send-keys -t "$session" Up
wait_for "6  Quit"
[[ "$(screen | sed -n 10p)" == *"Cancel"* ]] || fail "the scrolled menu covers the soft-key row"

# F1 over a box is a plain press: it says Yes, and the editor quits.
tmux send-keys -t "$session" 6
wait_for "discard"
tmux send-keys -t "$session" F1
wait_for "exit=0"
echo "PASS: Shift+arrows over boxes and menus, a short terminal, a long title"
