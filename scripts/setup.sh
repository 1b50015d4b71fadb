#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Safe to run again:
# it only calls apt-get when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  qt6-base-dev qt6-charts-dev qt6-multimedia-dev qt6-svg-dev
  qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  qt6-httpserver-dev qt6-websockets-dev libqt6opengl6-dev
  qt6-qpa-plugins libgl-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  libhidapi-dev libssl-dev libpulse-dev libudev-dev
  pulseaudio
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool
  fonts-wqy-microhei
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "[setup] all packages present"
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

echo "[setup] installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
