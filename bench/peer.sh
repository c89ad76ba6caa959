#!/usr/bin/env bash
# The terminal editor next to vim on the same generated files of 1, 16 and 64 MB, in one run: open to
# first screen, save, resident memory (medians and ratios; see bench/peer.py for how each is taken).
# Installs vim when it is missing; only this benchmark needs it.
#
#   bench/peer.sh [--build DIR] [--runs N] [--sizes 1,16,64] [--fsync]
set -euo pipefail
if ! command -v vim >/dev/null; then
  sudo=""
  [ "$(id -u)" = 0 ] || sudo="sudo"
  $sudo apt-get install -y vim-nox >/dev/null 2>&1 || $sudo apt-get install -y vim >/dev/null
fi
exec python3 "$(dirname "$0")/peer.py" "$@"
