#!/usr/bin/env bash
# A file named on the command line that does not exist yet: the editor opens an empty document under its
# name and the first Save creates it with exactly the typed bytes. A folder is told in an "Error" box.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

mkdir "$work/root/empty"
# Started from inside the folder with a bare name, as a shell user would.
tmux new-session -d -s "$session" -x 80 -y 24 -c "$work/root/empty" \
  "XDG_RUNTIME_DIR=$work/run '$binary' --root '$work/root' --registry '$work/registry.reg' new.txt; echo \"exit=\$?\"; sleep 30"
wait_for "Scrivel - new.txt"
[ -e "$work/root/empty/new.txt" ] && fail "the file exists before any Save"
tmux send-keys -t "$session" -l "first line"
tmux send-keys -t "$session" Enter
tmux send-keys -t "$session" -l "second"
wait_for "new.txt *"
tmux send-keys -t "$session" F2 1 4
wait_gone "new.txt *"
expected=$(printf 'first line\r\nsecond')
[ "$(cat "$work/root/empty/new.txt")" = "$expected" ] || fail "the saved file: $(od -c "$work/root/empty/new.txt" | head)"
[ "$(wc -c < "$work/root/empty/new.txt")" = 18 ] || fail "the saved file's size"
tmux send-keys -t "$session" F2 6
wait_for "exit=0"
tmux kill-session -t "$session"

# A folder is an error, shown once the window is up; the document is untitled.
start_editor "'$work/root/empty'"
wait_for "Error"
screen | grep -qF "folder or a device" || fail "the reason"
tmux send-keys -t "$session" Enter
wait_gone "Error"
wait_for "Scrivel - untitled"
tmux send-keys -t "$session" F2 6
wait_for "exit=0"
echo "PASS: a new file named on the command line, and a folder refused"
