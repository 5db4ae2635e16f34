#!/usr/bin/env bash
# The demo: installs what is missing, builds, registers the real iePagelens.dll in a private Wine
# prefix, and lets the stand-in browser run the extension's command over the project's long sample
# page. The snapshot window captures the page; the captured image and a screenshot of the window
# are written to out/, and their paths printed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export PAGELENS_BUILD=${PAGELENS_BUILD:-$root/build}
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"
source "$root/scripts/wine-session.sh"

out="$root/out"
mkdir -p "$out"
rm -f "$out/captured-page.jpg" "$out/snapshot-window.png"
page="file://$root/samples/long-page.html"

# The 32-bit build where 32-bit Wine can start, else the 64-bit build in its win64 prefix.
if [ "$PAGELENS_WINE32" = yes ]; then
  build=$PAGELENS_BUILD
  run() { wine "$@"; }
else
  build=$PAGELENS_BUILD/x64
  run() { WINEPREFIX="$PAGELENS_WINEPREFIX64" WINEARCH=win64 "$PAGELENS_WINE64" "$@"; }
fi
run "$build/standin/standin_browser.exe" \
  --register "$(run winepath -w "$build/extension/iePagelens.dll" | tr -d '\r')" \
  --address "$page" --title "Long sample page" --time-limit 240 \
  --wait-capture --pause 500 \
  --screenshot "$out/snapshot-window.png" \
  --copy-work-file "$out/captured-page.jpg" \
  --close

echo
echo "Captured page image:          $out/captured-page.jpg ($(identify -ping -format '%wx%h' "$out/captured-page.jpg" 2>/dev/null))"
echo "Screenshot of the window:     $out/snapshot-window.png"
