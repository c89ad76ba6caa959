#!/usr/bin/env bash
# The real scrivel.exe under Wine on a virtual display, driven by the keys a desktop user presses:
# a file whose path holds a space opens under its name; typed text with a euro sign is saved as
# Windows-1252; word wrap on and off keeps the text; the recent files are read from and written to the
# settings key; Quit with changes asks first, and No leaves the file as saved.
# Usage: tests/windows/wine_scenario.sh build-windows/scrivel.exe
set -euo pipefail
exe=$(realpath "$1")
tmp=$(mktemp -d)
source "$(dirname "$0")/virtual_display.sh"
trap stop_virtual_display EXIT

fail() {
  echo "wine scenario: $*" >&2
  if [ -n "${SCENARIO_SHOT:-}" ] && command -v import >/dev/null; then import -window root "$SCENARIO_SHOT"; fi
  exit 1
}

# Waits, up to a minute on a busy machine, for a command to succeed.
wait_until() {
  local what=$1
  shift
  for _ in $(seq 1 240); do
    if "$@" >/dev/null 2>&1; then return 0; fi
    sleep 0.25
  done
  fail "gave up waiting for $what"
}

window_named() { xdotool search --name "^$1\$" | head -1 | grep -q .; }
keys() {
  xdotool key --delay 120 "$@"
  sleep 0.3
}
same_bytes() { cmp -s "$1" "$2"; }

# A key of its own for the euro sign: a key mapped only while it is typed can reach Wine unmapped.
start_virtual_display xmodmap -e 'keycode 255 = EuroSign'

# Windows paths of our files, through Wine's Z: drive.
winpath() { echo "Z:${1//\//\\}"; }
mkdir -p "$tmp/my notes"
doc="$tmp/my notes/a.txt"
printf 'hello\r\n' >"$doc"
printf 'bee\r\n' >"$tmp/b.txt"
printf 'sea\r\n' >"$tmp/c.txt"
key='HKCU\Software\Scrivel'
wine reg add "$key" /v Recent0 /t REG_SZ /d "$(winpath "$tmp/b.txt")" /f >/dev/null 2>&1
wine reg add "$key" /v Recent1 /t REG_SZ /d "$(winpath "$tmp/c.txt")" /f >/dev/null 2>&1

# Wine quotes an argument that holds a space, as the desktop's shell does.
wine "$exe" "$(winpath "$doc")" >/dev/null 2>&1 &
program=$!
wait_until 'the window titled with the file name' window_named 'Scrivel - a.txt'
win=$(xdotool search --name '^Scrivel - a.txt$' | head -1)
xdotool windowfocus --sync "$win"
sleep 0.5

# Typed text and a save: Menu, File, Save.
keys x EuroSign y
keys F2 Down Right Down Down Down Return
printf 'x\x80yhello\r\n' >"$tmp/expected"
wait_until 'the saved file to hold the typed text in Windows-1252' same_bytes "$doc" "$tmp/expected"

# Word wrap on and off (Menu, Misc., Word wrap), then the same text saved again.
keys F2 Up Up Right Return
keys F2 Up Up Right Return
xdotool type --delay 80 'z'
keys F2 Down Right Down Down Down Return
printf 'x\x80yzhello\r\n' >"$tmp/expected"
wait_until 'the text to survive word wrap on and off' same_bytes "$doc" "$tmp/expected"

# The second recent file (Menu, File, Recent): read from the settings key, it opens and goes on top.
keys F2 Down Right Down Down Down Down Right Down Return
# After an Open the title ends in the modified marker, empty here, after a space.
wait_until "the recent file to open" window_named "Scrivel - c\\.txt ?"

# Quit with changes asks first: No goes back to the text, Yes discards it and quits.
xdotool type --delay 80 'q'
keys F2 Up Return
wait_until 'the question before quitting' window_named Warning
keys n
wait_until 'the question to close' bash -c '! xdotool search --name "^Warning\$" | grep -q .'
kill -0 "$program" 2>/dev/null || fail "No quit anyway"
keys F2 Up Return
wait_until 'the question before quitting, again' window_named Warning
keys y
wait_until 'the program to end' bash -c "! kill -0 $program"
cmp -s "$tmp/c.txt" <(printf 'sea\r\n') || fail "quitting without saving changed the file"

# The list written at Quit: the file chosen first, then the other.
wineserver -w
listed=$(wine reg query "$key" 2>/dev/null | tr -d '\r')
first=$(echo "$listed" | awk '$1 == "Recent0" { print $NF }')
second=$(echo "$listed" | awk '$1 == "Recent1" { print $NF }')
[[ "$first" == *c.txt* && "$second" == *b.txt* ]] ||
  fail "the recent files were not written back in their new order: $listed"

# The next start reads the list back: its first recent file is the one chosen last.
wine "$exe" >/dev/null 2>&1 &
program=$!
wait_until 'the second start' window_named 'Scrivel - untitled'
xdotool windowfocus --sync "$(xdotool search --name '^Scrivel - untitled$' | head -1)"
sleep 0.5
keys F2 Down Right Down Down Down Down Right Return
wait_until 'the first recent file of the next start to open' window_named "Scrivel - c\\.txt ?"
keys F2 Up Return
wait_until 'the program to end, again' bash -c "! kill -0 $program"
echo "wine scenario: passed"
