#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, when missing.
# Called by scripts/test.sh; safe to run again.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libsdl2-dev
  zlib1g-dev libpng-dev libjpeg62-turbo-dev
  libogg-dev libvorbis-dev libtheora-dev
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev
  libfreetype-dev libfontconfig-dev fonts-ipafont-gothic
  libmpg123-dev
  libpixman-1-dev libsdl2-ttf-dev
  libgl-dev libegl-dev libgl1-mesa-dri libegl1
  xvfb
  libx11-dev libxtst-dev xfonts-base
  zenity
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
