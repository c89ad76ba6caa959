#!/usr/bin/env bash
# Save keeps the file's permissions, and asks before overwriting a file another program changed since it
# was read or saved: No leaves that file and keeps the document modified; Yes saves over it.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

printf 'first' > "$work/root/notes.txt"
chmod 640 "$work/root/notes.txt"
start_editor "'$work/root/notes.txt'"
wait_for "Scrivel - notes.txt"
tmux send-keys -t "$session" C-End
tmux send-keys -t "$session" -l " line"
wait_for "Scrivel - notes.txt *"
tmux send-keys -t "$session" F2 1 4
wait_gone "notes.txt *"
[ "$(cat "$work/root/notes.txt")" = "first line" ] || fail "the first save wrote: $(cat "$work/root/notes.txt")"
[ "$(stat -c %a "$work/root/notes.txt")" = 640 ] || fail "the permissions became $(stat -c %a "$work/root/notes.txt")"
[ "$(ls "$work/root")" = notes.txt ] || fail "files left beside it: $(ls "$work/root")"

# Another program writes the file; the next Save asks first.
printf 'theirs' > "$work/root/notes.txt"
tmux send-keys -t "$session" -l "!"
wait_for "Scrivel - notes.txt *"
tmux send-keys -t "$session" F2 1 4
wait_for "changed by another program"
tmux send-keys -t "$session" F2  # No
wait_gone "changed by another program"
wait_for "Scrivel - notes.txt *"
[ "$(cat "$work/root/notes.txt")" = "theirs" ] || fail "No still wrote: $(cat "$work/root/notes.txt")"

tmux send-keys -t "$session" F2 1 4
wait_for "changed by another program"
tmux send-keys -t "$session" F1  # Yes
wait_gone "notes.txt *"
[ "$(cat "$work/root/notes.txt")" = "first line!" ] || fail "Yes wrote: $(cat "$work/root/notes.txt")"

# The file is now the editor's own: saving again asks nothing.
tmux send-keys -t "$session" -l "?"
wait_for "Scrivel - notes.txt *"
tmux send-keys -t "$session" F2 1 4
wait_gone "notes.txt *"
[ "$(cat "$work/root/notes.txt")" = "first line!?" ] || fail "the last save wrote: $(cat "$work/root/notes.txt")"
echo "PASS: Save keeps permissions and asks before overwriting a changed file"
