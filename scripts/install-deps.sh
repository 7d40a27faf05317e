#!/usr/bin/env bash
# Installs, from Debian 12's own packages, everything the build, the tests and the
# virtual controller need. Safe to run again: apt skips what is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-serialport-dev libgl-dev
  libmodbus-dev mbpoll socat
  clang-14 libclang-rt-14-dev clang-format-14
  xvfb xauth imagemagick x11-utils xdotool procps
  fonts-dejavu-core poppler-utils
  dpkg-dev file shared-mime-info desktop-file-utils groff-base
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y --no-install-recommends "${missing[@]}"
fi
