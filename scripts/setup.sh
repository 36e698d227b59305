#!/usr/bin/env bash
# Installs what Frobnik needs on Debian 12 (only what is missing), then
# configures and builds into build/. Sourced or run by run.sh and test.sh.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libcurl4-openssl-dev
  ffmpeg sox alsa-utils pulseaudio-utils
  xvfb xauth dbus dbus-x11 fonts-dejavu-core
  clang libclang-rt-14-dev clang-format python3
  appstream lintian man-db desktop-file-utils
  fonts-noto-core fonts-liberation2 qt6-translations-l10n
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing missing packages: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

BUILD_DIR="${FROBNIK_BUILD_DIR:-$ROOT/build}"
cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja ${FROBNIK_CMAKE_ARGS:-}
cmake --build "$BUILD_DIR" --parallel "$(nproc)"
