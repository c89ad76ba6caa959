#!/usr/bin/env bash
# The command line: help, version, and the one-line refusals that end with code 2 before any drawing.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

expect_refusal() {
  local what=$1; shift
  local out rc=0
  out=$("$binary" "$@" </dev/null 2>&1) || rc=$?
  [ "$rc" = 2 ] || fail "$what: exit code $rc, not 2"
  [ "$(printf '%s\n' "$out" | wc -l)" = 1 ] || fail "$what: not one line: $out"
  [[ "$out" == "scrivel: "* ]] || fail "$what: $out"
}

"$binary" --help | grep -qF "Usage: scrivel [--root DIR] [--registry FILE] [FILE]" || fail "--help"
[ "$("$binary" --version)" = "Scrivel 1.0.0.2" ] || fail "--version"
expect_refusal "an unknown option" --frobnicate
expect_refusal "a second file" --root "$work/root" a.txt b.txt
expect_refusal "a file outside the root" --root "$work/root" /etc/hostname
expect_refusal "no terminal" --root "$work/root" --registry "$work/registry.reg"
# A terminal that cannot show the screen is refused in one line before the program starts: no lock is
# taken, no settings file is made, and nothing is drawn.
for type in dumb no-such-terminal; do
  mkdir -p "$work/run-$type" "$work/config-$type"
  tmux new-session -d -s "$session" -x 80 -y 24 \
    "TERM=$type XDG_RUNTIME_DIR=$work/run-$type XDG_CONFIG_HOME=$work/config-$type '$binary' --root '$work/root' 2>'$work/err'; echo \"exit=\$?\"; sleep 30"
  wait_for "exit=2"
  grep -qF "scrivel: the terminal type TERM=$type" "$work/err" || fail "TERM=$type: $(cat "$work/err")"
  [ "$(wc -l < "$work/err")" = 1 ] || fail "TERM=$type: not one line: $(cat "$work/err")"
  left=$(find "$work/run-$type" "$work/config-$type" -mindepth 1)
  [ -z "$left" ] || fail "TERM=$type left files behind: $left"
  tmux kill-session -t "$session"
done
# A file that is a link to a file outside the root is still named under the root.
printf 'linked text' > "$work/outside.txt"
ln -s "$work/outside.txt" "$work/root/link.txt"
start_editor "'$work/root/link.txt'"
wait_for "Scrivel - link.txt"
wait_for "linked text"
# Started again for its huge pages, the editor still goes by its own name for ps, pgrep and killall.
pid=$(pgrep -f -- "^$binary --root $work/root " | head -1)
[ -n "$pid" ] || fail "the running editor is not found by its command line"
[ "$(cat "/proc/$pid/comm")" = "$(basename "$binary")" ] || fail "the editor runs as $(cat "/proc/$pid/comm")"
tmux send-keys -t "$session" F2 6
wait_for "exit=0"
echo "PASS: the command line"
