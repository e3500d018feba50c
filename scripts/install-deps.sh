#!/usr/bin/env bash
# Installs every Debian package that building, testing, fuzzing, benchmarking and the
# demo need. Idempotent: when everything is present it only checks and returns.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config make
  qt6-base-dev qt6-base-dev-tools libqt6svg6 qt6-qpa-plugins qt6-wayland libgl-dev
  libxrandr-dev libx11-dev x11-xserver-utils
  libjpeg62-turbo-dev libjpeg-turbo-progs
  libgtest-dev libgmock-dev googletest libbenchmark-dev libgif-dev libstb-dev
  clang-14 libclang-rt-14-dev
  xvfb xauth xdotool x11-utils imagemagick poppler-utils weston libimage-exiftool-perl
  fonts-liberation2 fontconfig qt6-translations-l10n
  python3 patchelf
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
