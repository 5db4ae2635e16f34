#!/usr/bin/env bash
# Capture speed against a Playwright full-page screenshot of the same page with the same
# Chromium: usage run.sh [build-dir] [page]. Builds nothing: expects capture_bench.exe in the
# build dir (default $PAGELENS_BUILD) and playwright-core installed beside this script
# (npm ci here, with PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1: it must never download a browser).
# Each side runs three times, alternating, and its best time counts; the two images must have
# the same size. Ours is timed from CaptureUrl to the final status (when the window shows the
# image), the peer from the browser's launch to its close; for reference, ours is also given up
# to the end of its clean-up (capture browser closed, profile removed). Wine's own process
# start-up is outside our time.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-${PAGELENS_BUILD:?give the build dir or set PAGELENS_BUILD}}" && pwd)
page=${2:-$(cd "$here/../.." && pwd)/samples/long-page.html}
program="$build/bench/capture/capture_bench.exe"
[ -f "$program" ] || { echo "missing $program: build the capture_bench target first" >&2; exit 1; }
[ -d "$here/node_modules/playwright-core" ] || {
    echo "missing playwright-core: run 'PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci' in $here" >&2; exit 1; }
export PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1
export WINEPREFIX="$build/wineprefix" WINEARCH=win32 WINEDEBUG=-all
wine_run="$here/../../cmake/wine-run.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
least() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }

# Starts the Wine server outside the timed runs. The browser's own messages go to a log.
"$wine_run" "$program" >/dev/null 2>&1 </dev/null || true

ours_best="" closed_best="" peer_best=""
for round in 1 2 3; do
    "$wine_run" "$program" "$(windows_path "$page")" "$(windows_path "$work/ours.jpg")" \
        >"$work/ours.txt" 2>>"$work/browser.log" </dev/null
    read -r ours_ms ours_width ours_height closed_ms < <(tr -d '\r' <"$work/ours.txt")
    ours_best=$(least "$ours_best" "$ours_ms")
    closed_best=$(least "$closed_best" "$closed_ms")

    node "$here/playwright_peer.mjs" "file://$page" "$work/peer.png" >"$work/peer.txt" 2>>"$work/browser.log"
    read -r peer_ms peer_width peer_height <"$work/peer.txt"
    peer_best=$(least "$peer_best" "$peer_ms")
    echo "round $round: ours ${ours_ms} ms (${ours_width}x${ours_height} JPEG; ${closed_ms} ms with" \
         "the clean-up), playwright ${peer_ms} ms (${peer_width}x${peer_height} PNG)"
done

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo "capture of $(basename "$page"): ours ${ours_best} ms, playwright ${peer_best} ms," \
     "ratio ours/playwright $(ratio "$ours_best" "$peer_best")"
echo "with our clean-up: ${closed_best} ms, ratio $(ratio "$closed_best" "$peer_best")"
if [ "$ours_width" = "$peer_width" ] && [ "$ours_height" = "$peer_height" ]; then
    echo "image sizes match: ${ours_width}x${ours_height}"
else
    echo "image sizes differ: ours ${ours_width}x${ours_height}, playwright ${peer_width}x${peer_height}" >&2
    exit 1
fi
