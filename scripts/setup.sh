#!/usr/bin/env bash
# Installs every Debian package Kolmar needs to build, test and run.
# Idempotent: does nothing when everything is already there.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config clang
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libarchive-dev libzip-dev liblzma-dev libxxhash-dev
  qt6-base-dev qt6-multimedia-dev libqt6opengl6-dev
  libx11-dev libxtst-dev libxres-dev
  xvfb xauth x11-apps x11-utils fonts-noto-cjk 7zip zip unzip
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav gstreamer1.0-tools
  imagemagick
  libcli11-dev nlohmann-json3-dev openbox
  mednafen
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
