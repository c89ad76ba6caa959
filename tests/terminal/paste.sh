#!/usr/bin/env bash
# A bracketed paste of 1 MB through the terminal lands whole: every line break is one Enter, which in a
# new document types CR LF, so the saved file is the pasted text byte for byte. Typing after it still
# works, and Esc inside the pasted text deletes nothing. (How fast it lands is bench/paste_bench's.)
set -euo pipefail
source "$(dirname "$0")/lib.sh"

text="$work/pasted.txt"
awk 'BEGIN { for (i = 0; i < 16000; i++) printf "line %d of the pasted text, with some words to fill it\r\n", i }' \
  | head -c 1048576 > "$text"
# The cut may have left half a CR LF: end on a whole one.
printf 'the end\r\n' >> "$text"
lines=$(grep -c $'\r$' "$text")

start_editor "'$work/root/p.txt'"
wait_for "Scrivel - p.txt"
tmux load-buffer -b "$session" "$text"
tmux paste-buffer -p -r -d -b "$session" -t "$session"
wait_for "Ln $((lines + 1)), Col 1"
tmux send-keys -t "$session" F2 1 4
wait_gone "p.txt *"
cmp -s "$text" "$work/root/p.txt" || fail "the saved file differs from the paste: $(cmp "$text" "$work/root/p.txt" || true)"

# A short paste with an Esc in it is typed without the Esc, and the keys after it act as keys.
printf 'ab\033cd' > "$work/short.txt"
tmux load-buffer -b "$session" "$work/short.txt"
tmux paste-buffer -p -r -d -b "$session" -t "$session"
wait_for "abcd"
tmux send-keys -t "$session" BSpace
wait_for "Ln $((lines + 1)), Col 4"
tmux send-keys -t "$session" F2 6
wait_for "discard"
tmux send-keys -t "$session" F1
wait_for "exit=0"
echo "PASS: a 1 MB bracketed paste saved byte for byte"
