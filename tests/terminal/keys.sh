#!/usr/bin/env bash
# The keys a terminal user reaches for: Esc that closes and never deletes, Alt with a letter, Enter that
# confirms a dialog, the soft-key row naming F1 and F2, the caret's line and column on the title row, and
# Ctrl+arrows and Shift+End in the text.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

printf 'alpha beta\r\ngamma\r\n' > "$work/root/keys.txt"
start_editor "'$work/root/keys.txt'"
wait_for "Scrivel - keys.txt"
# Keys sent apart, so that none is taken as Alt with the Esc before it.
key() {
  tmux send-keys -t "$session" "$@"
  sleep 0.3
}
title() { screen | head -n 1; }

# The soft keys are named by the keys that press them; the caret starts at line 1, column 1.
last=$(screen | tail -n 1)
[[ "$last" == " F1 Mark "* ]] || fail "F1 beside Mark: $last"
[[ "$last" == *" Menu F2"* ]] || fail "F2 beside Menu: $last"
title | grep -q "Ln 1, Col 1 *$" || fail "the caret's place at the title's right end"

# The place follows the arrows, and Ctrl+Right goes by words.
key Down Right Right
wait_for "Ln 2, Col 3"
key Up C-Right
wait_for "Ln 1, Col 7"

# Esc in the editor changes nothing; Alt+x types x and deletes nothing.
key Escape
key Escape
sleep 0.5
screen | grep -qF "alpha beta" || fail "Esc changed the text"
title | grep -qF "keys.txt *" && fail "Esc marked the document changed"
key M-x
wait_for "alpha xbeta"

# Esc closes one menu level at a time.
key F2
wait_for "1  File"
key 1
wait_for "1  Open"
key Escape
wait_gone "1  Open"
screen | grep -qF "1  File" || fail "Esc closed more than one level"
key Escape
wait_gone "1  File"

# The menu's and a box's soft keys are named too.
key F2
wait_for "1  File"
screen | tail -n 1 | grep -q "^ F1 " || fail "F1 in the menu's soft-key row"
key Escape
wait_gone "1  File"

# Enter in the Find dialog finds; Esc in it closes it and keeps the text.
key F2 3
wait_for "Search for:"
key -l gamma
wait_for "gamma"
key Enter
wait_gone "Search for:"
wait_for "Ln 2, Col 6"
key F2 3
wait_for "Search for:"
key Escape
wait_gone "Search for:"
screen | grep -qF "alpha xbeta" || fail "the text after Esc in the dialog"

# Shift+End selects to the line's end: typing replaces what it selected.
key Home S-End
key -l Z
wait_for "Ln 2, Col 2"
screen | grep -q "^Z *" || fail "Shift+End did not select the line"

# Quit, answering the question with Esc first (No), then Yes.
key F2 6
wait_for "discard"
key Escape
wait_gone "discard"
key F2 6
wait_for "discard"
key F1
wait_for "exit=0"
echo "PASS: Esc, Alt, Enter in a dialog, named soft keys, the caret's place, word and selection keys"
