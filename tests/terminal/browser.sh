#!/usr/bin/env bash
# The file browser in the real editor: File, Open lists the device root sorted, folders bold with a
# button and dot-files left out; a folder expands; Open reads a file and refuses a folder; Cancel goes
# back unchanged. File, Save As proposes a folder's path, Back deletes in the name field, Save writes the
# editor's bytes, and saving over an existing file asks first.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

mkdir -p "$work/root/a" "$work/root/c"
printf 'alpha text' > "$work/root/a/notes.txt"
printf 'bee text' > "$work/root/b.txt"
printf 'secret' > "$work/root/.profile"

row() { screen | sed -n "$1p" | sed 's/ *$//'; }
# The row as tmux shows it with its attributes, to tell bold text.
row_attributes() { tmux capture-pane -e -p -t "$session" | sed -n "$1p"; }
menu_file() {
  tmux send-keys -t "$session" F2
  wait_for "1  File"
  tmux send-keys -t "$session" 1
  wait_for "3  Save As"
  tmux send-keys -t "$session" "$1"
}

start_editor
wait_for "Scrivel - untitled"

# File, Open: a, b.txt and c in that order, the folders bold with a button, no .profile.
menu_file 1
wait_for "Scrivel - Open File"
[ "$(row 2)" = "├+a" ] || fail "first row: $(row 2)"
[ "$(row 3)" = "├─b.txt" ] || fail "second row: $(row 3)"
[ "$(row 4)" = "└+c" ] || fail "third row: $(row 4)"
screen | grep -qF "profile" && fail "a dot-file is listed"
# Bold is attribute 1 among those set right before the name.
bold_before() { grep -qE $'\e\\[([0-9]+;)*1(;[0-9]+)*m'"$1"; }
row_attributes 2 | bold_before a || fail "the folder a is not bold: $(row_attributes 2 | od -c | head -3)"
row_attributes 3 | bold_before b && fail "the file b.txt is bold"
[[ "$(row 24)" == " F1 Open "* ]] || fail "the left soft key: $(row 24)"
[[ "$(row 24)" == *" Cancel F2" ]] || fail "the right soft key: $(row 24)"

# Expanding a lists its file; Enter on the file opens it.
tmux send-keys -t "$session" Right
wait_for "notes.txt"
[ "$(row 2)" = "├-a" ] || fail "a expanded: $(row 2)"
[ "$(row 3)" = "│ └─notes.txt" ] || fail "a's file: $(row 3)"
tmux send-keys -t "$session" Down Enter
wait_for "Scrivel - notes.txt"
wait_for "alpha text"

# Open on a folder says so and stays; Cancel goes back to the editor unchanged.
menu_file 1
wait_for "Scrivel - Open File"
tmux send-keys -t "$session" F1
wait_for "The selection is a directory"
tmux send-keys -t "$session" Enter
wait_gone "The selection is a directory"
screen | grep -qF "Scrivel - Open File" || fail "the browser closed after the error"
tmux send-keys -t "$session" F2
wait_for "Scrivel - notes.txt"
wait_gone "Open File"
screen | grep -qF "alpha text" || fail "the text after Cancel"

# File, Save As: Select on folder a proposes \a\, Back deletes in the name field, Save writes the file.
tmux send-keys -t "$session" z z
wait_for "zzalpha text"
menu_file 3
wait_for "Scrivel - Save File"
[[ "$(row 24)" == " F1 Select "* ]] || fail "the left soft key: $(row 24)"
tmux send-keys -t "$session" F1
wait_for "Save As :"
wait_for '\a\'
[[ "$(row 24)" == " F1 Save "* ]] || fail "the left soft key after Select: $(row 24)"
tmux send-keys -t "$session" -l "fresh.txtx"
wait_for '\a\fresh.txtx'
tmux send-keys -t "$session" BSpace
wait_gone '\a\fresh.txtx'
wait_for '\a\fresh.txt'
tmux send-keys -t "$session" F1
wait_for "Scrivel - fresh.txt"
[ "$(cat "$work/root/a/fresh.txt")" = "zzalpha text" ] || fail "the saved bytes: $(od -c "$work/root/a/fresh.txt")"

# Save As onto an existing file asks first; No keeps the browser open and the file as it was.
tmux send-keys -t "$session" y
wait_for "zzyalpha text"
menu_file 3
wait_for "Scrivel - Save File"
tmux send-keys -t "$session" Down F1
wait_for '\b.txt'
# F1 holds the left soft key until the next key; pressed again it only lets go, so once more presses it.
tmux send-keys -t "$session" F1 F1
wait_for "This file already exist, do you"
wait_for "owerwrite it ?"
tmux send-keys -t "$session" F2
wait_gone "owerwrite"
screen | grep -qF "Scrivel - Save File" || fail "the browser closed after No"
screen | grep -qF "Save As :" || fail "the strip went after No"
[ "$(cat "$work/root/b.txt")" = "bee text" ] || fail "b.txt changed"
tmux send-keys -t "$session" F2
wait_for "Scrivel - fresh.txt"
wait_gone "Save File"

tmux send-keys -t "$session" F2
wait_for "6  Quit"
tmux send-keys -t "$session" 6
wait_for "You have made changes"
tmux send-keys -t "$session" F1
wait_for "exit=0"
echo "PASS: the browser lists, expands, opens, refuses a folder, cancels, saves, asks before overwriting"
