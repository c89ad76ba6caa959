#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the Windows check need, when any is missing.
set -euo pipefail

packages=(g++ cmake ninja-build pkgconf llvm libncurses-dev libfontconfig-dev libgtest-dev libbenchmark-dev
          tmux strace g++-mingw-w64-x86-64 clang-format clang libclang-rt-14-dev
          wine wine64 xvfb xdotool x11-xserver-utils)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null; then
    echo "setup: these Debian packages are missing and installing them needs root: ${missing[*]}" >&2
    echo "setup: run this script as root, or install sudo" >&2
    exit 1
  fi
  sudo="sudo"
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
