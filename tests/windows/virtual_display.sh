# Sourced by the Wine scripts: a Wine prefix and an X display of their own, under a scratch folder,
# both taken down on exit. Sets WINEPREFIX and DISPLAY; needs $tmp set to that folder first.
export WINEPREFIX="$tmp/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
xvfb_pid=""
stop_virtual_display() {
  wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$tmp"
}

# A display numbered by the server; waits up to a minute for it on a busy machine. A command given as
# arguments runs on the display before Wine starts, which reads the keyboard map once.
start_virtual_display() {
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$tmp/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 1 240); do
    [ -s "$tmp/display" ] && break
    sleep 0.25
  done
  [ -s "$tmp/display" ] || { echo "no virtual display started" >&2; return 1; }
  export DISPLAY=":$(head -1 "$tmp/display")"
  if [ $# -gt 0 ]; then "$@"; fi
  wineboot -i >/dev/null 2>&1 || true
}
