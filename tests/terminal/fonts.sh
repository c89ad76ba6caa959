#!/usr/bin/env bash
# The font chooser in the real editor: Menu, Misc., Change font fills the screen with the machine's faces
# and the sizes, Left and Right step through them with the sample naming the choice, Done stores it in
# the registry file, the next start opens on it again, and Cancel stores nothing.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

# The editor sees two of this machine's font families, through a fontconfig of its own, so that the
# lists hold names known here wherever the check runs.
command -v fc-match >/dev/null || fail "fontconfig's fc-match is needed to pick the fonts"
mkdir -p "$work/fonts"
for family in "DejaVu Sans" "DejaVu Sans Mono"; do
  ln -sf "$(fc-match -f '%{file}' "$family")" "$work/fonts/"
done
cat > "$work/fonts.conf" <<EOF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig><dir>$work/fonts</dir><cachedir>$work/fontcache</cachedir></fontconfig>
EOF
mapfile -t faces < <(for f in "$work"/fonts/*; do fc-query -f '%{family[0]}\n' "$f"; done | LC_ALL=C sort -fu)
[ ${#faces[@]} -ge 2 ] || fail "this machine offers fewer than two font families: ${faces[*]}"
editor_env="FONTCONFIG_FILE='$work/fonts.conf'"

# A face as the registry file holds it: its UTF-16 bytes and the low byte of the terminator.
stored_value() {
  local text=$1 out="" i
  for ((i = 0; i < ${#text}; i++)); do out+=$(printf '%02x,00,' "'${text:i:1}"); done
  echo "${out}00"
}
# A value of the registry file on one line, its folded lines joined.
stored() { sed -e ':a' -e '/\\$/N; s/\\\n *//; ta' "$work/registry.reg" | tr -d '\r' | grep -F "\"$1\"=" || true; }
# The one item a spinner shows, from its row "< item >".
spinner_after() { screen | grep -A1 -F "$1" | tail -n 1 | sed -E 's/^ *< ?//; s/ ?>.*$//'; }
open_chooser() {
  tmux send-keys -t "$session" F2
  wait_for "2  Edit"
  tmux send-keys -t "$session" 5
  wait_for "2  Change font"
  tmux send-keys -t "$session" 2
  wait_for "Select font"
}

start_editor
wait_for "Scrivel - untitled"

# The chooser opens full screen on the first face in sorted order and on 15, the sample naming both.
open_chooser
screen | head -n 1 | grep -q "^ Select font" || fail "the title row"
screen | tail -n 1 | grep -q "^ F1 Done .* Cancel F2 *$" || fail "the soft keys"
[ "$(spinner_after "Fontname:")" = "${faces[0]}" ] || fail "the first face: $(spinner_after "Fontname:")"
[ "$(spinner_after "Fontsize:")" = "15" ] || fail "the first size: $(spinner_after "Fontsize:")"
wait_for "Sample of selected"
wait_for "${faces[0]}, 15"

# Right steps to the next face, and Down then Right and Right to 17; the sample follows each.
tmux send-keys -t "$session" Right
wait_for "${faces[1]}, 15"
[ "$(spinner_after "Fontname:")" = "${faces[1]}" ] || fail "Right on the faces"
tmux send-keys -t "$session" Down Right Right
wait_for "${faces[1]}, 17"
[ "$(spinner_after "Fontsize:")" = "17" ] || fail "Right on the sizes"
tmux send-keys -t "$session" Left
wait_for "${faces[1]}, 16"
tmux send-keys -t "$session" Right
wait_for "${faces[1]}, 17"

# Done closes the chooser and stores the face as 2n + 1 bytes and the size as a number.
tmux send-keys -t "$session" F1
wait_gone "Select font"
wait_for "Scrivel - untitled"
[ "$(stored Font)" = "\"Font\"=hex(1):$(stored_value "${faces[1]}")" ] || fail "the stored face: $(stored Font)"
bytes=$(stored Font | sed 's/.*hex(1)://' | tr ',' '\n' | wc -l)
[ "$bytes" = $((2 * ${#faces[1]} + 1)) ] || fail "Font holds $bytes bytes"
[ "$(stored FontSize)" = '"FontSize"=dword:00000011' ] || fail "the stored size: $(stored FontSize)"
tmux send-keys -t "$session" F2 6
wait_for "exit=0"

# The next start opens the chooser on the same face and size; Cancel after moving through both lists
# leaves the registry file as it was.
cp "$work/registry.reg" "$work/stored.reg"
tmux kill-session -t "$session"
start_editor
wait_for "Scrivel - untitled"
open_chooser
[ "$(spinner_after "Fontname:")" = "${faces[1]}" ] || fail "the stored face again: $(spinner_after "Fontname:")"
[ "$(spinner_after "Fontsize:")" = "17" ] || fail "the stored size again: $(spinner_after "Fontsize:")"
wait_for "${faces[1]}, 17"
tmux send-keys -t "$session" Left Down Left Left Left
wait_for "${faces[0]}, 14"
tmux send-keys -t "$session" F2
wait_gone "Select font"
cmp -s "$work/registry.reg" "$work/stored.reg" || fail "Cancel changed the registry file: $(cat "$work/registry.reg")"

# A stored first face comes back as itself, though the next face begins with the same name.
open_chooser
tmux send-keys -t "$session" Left
wait_for "${faces[0]}, 17"
tmux send-keys -t "$session" F1
wait_gone "Select font"
tmux send-keys -t "$session" F2 6
wait_for "exit=0"
tmux kill-session -t "$session"
start_editor
wait_for "Scrivel - untitled"
open_chooser
[ "$(spinner_after "Fontname:")" = "${faces[0]}" ] || fail "the stored first face: $(spinner_after "Fontname:")"
tmux send-keys -t "$session" F2
wait_gone "Select font"

tmux send-keys -t "$session" F2 6
wait_for "exit=0"
echo "PASS: the font chooser lists, steps, stores on Done, opens on the stored choice and cancels"
