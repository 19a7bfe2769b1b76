#!/usr/bin/env bash
# Installs what the program needs to build, run and test on Debian 12. Safe to run
# again: only missing packages are installed.
set -euo pipefail

packages=(
    build-essential cmake pkg-config clang-format
    qt6-base-dev qt6-translations-l10n libgl-dev
    libsqlcipher-dev libssl-dev libfontconfig-dev
    fonts-wqy-microhei
    libbenchmark-dev libxcb1-dev
    xvfb xdotool imagemagick x11-utils twm trayer
    dbus-daemon
    libqt6svg6 libpulse0
    desktop-file-utils appstream dpkg-dev
    python3-dbus python3-gi
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
