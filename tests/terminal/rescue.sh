#!/usr/bin/env bash
# A hangup, a termination or an interrupt with unsaved changes: the text is written to a rescue file, the
# terminal is given back, one line names the file, and the editor ends as the signal ends a program.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

home="$work/root/home/ann"
mkdir -p "$home"

# Starts the editor with HOME under the device root; the pane shows the exit code when it ends.
start_with_home() {
  tmux new-session -d -s "$session" -x 80 -y 24 \
    "HOME='$home' XDG_RUNTIME_DIR=$work/run '$binary' --root '$work/root' --registry '$work/registry.reg' $*; echo \"exit=\$?\"; sleep 30"
}
# The editor of this check, found by its own command line (the shell around it holds the same words later).
editor_pid() {
  for _ in $(seq 50); do
    pgrep -f -- "^$binary --root $work/root " && return 0
    sleep 0.1
  done
  fail "no editor process for this check"
}
# The pane left the editor's full screen: the shell's own lines show again.
expect_restored() {
  [ "$(tmux display-message -p -t "$session" '#{alternate_on}')" = 0 ] || fail "$1: the terminal was not given back"
}

check_signal() {
  local signal=$1 code=$2
  rm -f "$work/root/notes.save"
  printf 'hello' > "$work/root/notes.txt"
  start_with_home "'$work/root/notes.txt'"
  wait_for "Scrivel - notes.txt"
  tmux send-keys -t "$session" -l "new "
  wait_for "Scrivel - notes.txt *"
  kill "-$signal" "$(editor_pid)"
  wait_for "exit=$code"
  [ "$(cat "$work/root/notes.save")" = "new hello" ] || fail "$signal: notes.save holds: $(cat "$work/root/notes.save")"
  [ "$(cat "$work/root/notes.txt")" = "hello" ] || fail "$signal: notes.txt was changed"
  [ "$(screen | grep -c 'Scrivel: ')" = 1 ] || fail "$signal: not one line"
  screen | grep -qF 'Scrivel: the unsaved text of notes.txt was saved in \notes.save' || fail "$signal: the line"
  expect_restored "$signal"
  tmux kill-session -t "$session"
}

check_signal HUP 129
check_signal TERM 143
check_signal INT 130

# An untitled document goes to the home folder; an earlier rescue there is kept.
printf 'earlier' > "$home/untitled.save"
start_with_home
wait_for "Scrivel - untitled"
tmux send-keys -t "$session" -l "a draft"
wait_for "Scrivel - untitled *"
kill -TERM "$(editor_pid)"
wait_for "exit=143"
[ "$(cat "$home/untitled.save.1")" = "a draft" ] || fail "untitled: untitled.save.1 holds: $(cat "$home/untitled.save.1")"
[ "$(cat "$home/untitled.save")" = "earlier" ] || fail "untitled: the earlier rescue was changed"
screen | grep -qF 'Scrivel: the unsaved text was saved in \home\ann\untitled.save.1' || fail "untitled: the line"
expect_restored "untitled"
tmux kill-session -t "$session"

# Closing the terminal itself hangs the editor up.
rm -f "$work/root/notes.save"
printf 'hello' > "$work/root/notes.txt"
start_with_home "'$work/root/notes.txt'"
wait_for "Scrivel - notes.txt"
tmux send-keys -t "$session" -l "closed "
wait_for "Scrivel - notes.txt *"
pid=$(editor_pid)
tmux kill-session -t "$session"
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
[ "$(cat "$work/root/notes.save" 2>/dev/null)" = "closed hello" ] || fail "closed terminal: notes.save is missing or wrong"
echo "PASS: rescue on hangup, termination and interrupt"
