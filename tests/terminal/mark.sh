#!/usr/bin/env bash
# Selecting with the Mark key (F1 held, and Shift+arrows), Cut, Copy and Paste, and Undo in the real
# editor, checked on screen and in the saved file.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

esc=$'\e'
# The screen with its attributes, for reverse video and dimmed items.
screen_attributes() { tmux capture-pane -p -e -t "$session"; }
# Waits until the screen, attributes included, shows the text.
wait_for_attributes() {
  for _ in $(seq 150); do
    screen_attributes | grep -qF -- "$1" && return 0
    sleep 0.1
  done
  fail "the screen never showed (with attributes): $(printf '%q' "$1")"
}
keys() { tmux send-keys -t "$session" "$@"; }

printf 'alpha beta gamma' > "$work/root/notes.txt"
start_editor "'$work/root/notes.txt'"
wait_for "Scrivel - notes.txt"

# Nothing to undo yet: the item is dimmed. Right soft key closes the menu.
keys F2 2
wait_for "Paste"
wait_for_attributes "${esc}[2m 1  Undo"
keys F2
wait_gone "Paste"

# F1 holds Mark through the arrows: "beta" is selected, in reverse video, and the label shows the hold.
keys Right Right Right Right Right Right F1 Right Right Right Right
wait_for_attributes "alpha ${esc}[7mbeta${esc}[0m"
screen_attributes | tail -1 | grep -qF "${esc}[1;4;7m F1 Mark " || fail "the held Mark label"

# Copy, then Paste at the end; Save writes the pasted text.
keys F2 2 3 C-End F2 2 4
wait_for "alpha beta gammabeta"
keys F2 1 4
wait_gone "notes.txt *"
[ "$(cat "$work/root/notes.txt")" = "alpha beta gammabeta" ] || fail "the saved file: $(cat "$work/root/notes.txt")"

# Shift+arrows select too; Cut takes the selection out and a later Paste puts it back.
keys C-Home Right Right Right Right Right Right S-Right S-Right S-Right S-Right
wait_for_attributes "alpha ${esc}[7mbeta${esc}[0m"
keys F2 2 2
wait_for "alpha  gammabeta"
keys C-End F2 2 4
wait_for "alpha  gammabetabeta"

# Typing can be undone through the menu; the item is offered, not dimmed.
keys -l "xyz"
wait_for "gammabetabetaxyz"
keys F2 2
wait_for "Paste"
screen_attributes | grep -qF "${esc}[2m 1  Undo" && fail "Undo dimmed after typing"
keys 1
wait_gone "xyz"
screen | grep -qF "alpha  gammabetabeta" || fail "the text after Undo"

# F1 as the Find dialog's left soft key finds and closes the dialog; it holds nothing afterwards: the next
# arrow in the editor is a plain one and drops the found selection.
keys C-Home F2 3
wait_for "Cancel"
keys -l "gamma"
keys F1
wait_for_attributes "alpha  ${esc}[7mgamma${esc}[0m"
keys Right
wait_for_attributes "alpha  gammabetabeta"
screen_attributes | tail -1 | grep -qF "${esc}[1;4;7m F1 Mark " && fail "Mark still shown held"

# Quit without saving.
keys F2 6
wait_for "discard"
keys F1
wait_for "exit=0"
echo "PASS: Mark, Cut, Copy, Paste and Undo"
