#!/usr/bin/env bash
# Installs every Debian package that building, running and testing need.
# Safe to run again: packages already present are left alone.
set -euo pipefail
packages=(
  cmake g++ clang pkg-config make ccache
  qt6-base-dev qt6-multimedia-dev qt6-qpa-plugins libgl-dev libxcb1-dev
  libjpeg62-turbo-dev libpixman-1-dev libuemf-dev libespeak-ng-dev espeak-ng libsndfile1-dev
  libzip-dev qt6-svg-dev qt6-image-formats-plugins
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-utils x11-xserver-utils xdotool imagemagick openbox
  pulseaudio pulseaudio-utils sox
  pandoc
  shared-mime-info desktop-file-utils xdg-utils libglib2.0-bin sound-theme-freedesktop
  fonts-dejavu-core fonts-liberation2 fonts-crosextra-carlito fonts-crosextra-caladea
  dpkg-dev file lintian
  dbus at-spi2-core python3-pyatspi
  weston mutter xwayland qt6-wayland
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
