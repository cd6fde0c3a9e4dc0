#!/usr/bin/env bash
# Installs everything Borvane needs to build, run and test on Debian 12.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
PKGS=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools libqt6svg6 qt6-qpa-plugins libgl-dev
  firebird3.0-server-core firebird3.0-utils firebird-dev libfbclient2
  libtiff-dev libpng-dev libjpeg-dev zlib1g-dev
  libsane-dev sane-utils libsane1
  fonts-thai-tlwg fonts-dejavu-core
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  xvfb xauth poppler-utils imagemagick netpbm xdotool libvips-tools
  clang libclang-rt-14-dev
)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
