#!/usr/bin/env bash
# Installs the Debian packages the build, the game and the tests need, when missing.
set -euo pipefail
packages=(build-essential cmake pkg-config freeglut3-dev libgl1-mesa-dev libgl1-mesa-dri
          libx11-dev libgtest-dev libgmock-dev googletest libbenchmark-dev clang libclang-rt-14-dev
          xvfb xdotool x11-apps x11-utils imagemagick)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
