#!/usr/bin/env bash
# Installs what building, testing and the demo need on Debian 12, and nothing when all is there.
set -euo pipefail
packages=(g++-mingw-w64-i686 mingw-w64-tools libwine-dev wine wine32:i386 wine64 xvfb xauth
          chromium imagemagick nlohmann-json3-dev googletest cmake make libstb-dev poppler-utils
          zip libz-mingw-w64-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo dpkg --add-architecture i386
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
