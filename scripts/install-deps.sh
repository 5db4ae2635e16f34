#!/usr/bin/env bash
# Installs what building, testing, the demo and the benchmarks need on Debian 12, and nothing
# when all is there. Run as root it installs directly; run as another user, through sudo.
set -euo pipefail
# libmagickcore-6.q16-6-extra holds ImageMagick's WMF reader, which the save benchmark checks our
# WMF files with; imagemagick only recommends it. wixl and msitools build and read the MSI package.
packages=(g++-mingw-w64-i686 g++-mingw-w64-x86-64-posix mingw-w64-tools libwine-dev wine
          wine32:i386 wine64 xvfb xauth chromium imagemagick libmagickcore-6.q16-6-extra
          nlohmann-json3-dev googletest cmake make libstb-dev poppler-utils zip libz-mingw-w64-dev
          wixl msitools clang-format)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
# The capture benchmark's peer runs on Node.js. A Node.js from elsewhere brings its own npm, which
# Debian's npm package would conflict with, so the command is what counts here.
command -v npm >/dev/null 2>&1 || missing+=(nodejs npm)
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null 2>&1; then
    echo "These Debian packages are missing: ${missing[*]}" >&2
    echo "Installing them needs root: run this command as root, or install sudo first." >&2
    exit 1
  fi
  as_root=(sudo)
fi
echo "Installing: ${missing[*]}"
"${as_root[@]}" dpkg --add-architecture i386
# A mirror that is half-way through a sync fails one index now and then: try again, and go on
# with the lists that did arrive (the install below says whether they were enough).
for attempt in 1 2 3; do
  "${as_root[@]}" apt-get update -qq && break
  echo "apt-get update failed (attempt $attempt); trying again" >&2
  sleep 10
done
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
