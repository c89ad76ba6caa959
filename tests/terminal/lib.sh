# Shared by the terminal checks: a tmux session of 80 x 24 running the real editor, and ways to read it.
binary=$(realpath "$1")
work=$(mktemp -d)
session="scrivel-check-$$"
# Each check has a tmux server of its own, kept while it has no session: a new session could otherwise
# meet the server exiting, just as the editor before it was closed with the last session.
tmux() { command tmux -S "$work/tmux.socket" "$@"; }
tmux start-server \; set-option -g exit-empty off
trap 'tmux kill-server 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/root" "$work/run"
export XDG_RUNTIME_DIR="$work/run"

fail() {
  echo "FAIL: $1"
  echo "--- screen ---"
  tmux capture-pane -p -t "$session" || true
  exit 1
}
screen() { tmux capture-pane -p -t "$session"; }
# Waits until the screen shows the text, for up to fifteen seconds (a loaded machine is slow).
wait_for() {
  for _ in $(seq 150); do
    screen | grep -qF -- "$1" && return 0
    sleep 0.1
  done
  fail "the screen never showed: $1"
}
wait_gone() {
  for _ in $(seq 150); do
    screen | grep -qF -- "$1" || return 0
    sleep 0.1
  done
  fail "the screen still shows: $1"
}
# Starts the editor with the given arguments, with editor_env's assignments (quoted for the shell) in its
# environment, and under editor_runner's command when one is set; the pane shows its exit code when it ends.
start_editor() {
  tmux new-session -d -s "$session" -x 80 -y 24 \
    "${editor_env:-} XDG_RUNTIME_DIR=$work/run ${editor_runner:-} '$binary' --root '$work/root' --registry '$work/registry.reg' $*; echo \"exit=\$?\"; sleep 30"
}
