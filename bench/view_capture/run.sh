#!/usr/bin/env bash
# The browser capture of a 20,000-pixel stand-in page in the browser's own engine, against the
# capture browser's capture of the same page's address, in the same run, and the same for a page
# of 20,000 pixels that scroll inside an element: usage run.sh
# [build-dir]. Builds nothing: expects view_capture_bench.exe in the build dir (default
# $PAGELENS_BUILD). Each side runs three times, alternating; its best time counts. The engine's
# peak memory (above the process's before the capture) is set against the page image plus two
# tiles of the view. Wine's own process start-up is outside both times.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-${PAGELENS_BUILD:?give the build dir or set PAGELENS_BUILD}}" && pwd)
program="$build/bench/view_capture/view_capture_bench.exe"
[ -f "$program" ] || { echo "missing $program: build the view_capture_bench target first" >&2; exit 1; }
source "$here/../wine_session.sh"  # the drawn page's view needs a display

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
least() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
mb() { awk -v a="$1" 'BEGIN { printf "%.1f MB", a / 1048576 }'; }

wine_run "$program" >/dev/null 2>&1 </dev/null || true  # the Wine server, outside the runs

# One page both ways, three rounds: $1 is "" for the tall page, "inner" for the page whose
# bands scroll inside an element.
compare() {
    local page=$1 name=${1:-tall}
    local engine_best="" browser_best="" peak_best=""
    for round in 1 2 3; do
        mkdir -p "$work/engine" "$work/browser"
        wine_run "$program" engine "$(windows_path "$work/engine")" $page >"$work/engine.txt" \
            2>>"$work/log" </dev/null
        read -r engine_ms width height peak image tile way < <(tr -d '\r' <"$work/engine.txt")
        [ "$way" = engine ] || { echo "the engine did not draw the $name page" >&2; exit 1; }
        engine_best=$(least "$engine_best" "$engine_ms")
        peak_best=$(least "$peak_best" "$peak")
        wine_run "$program" browser "$(windows_path "$work/browser")" $page \
            >"$work/browser.txt" 2>>"$work/log" </dev/null
        read -r browser_ms bwidth bheight _ _ _ way < <(tr -d '\r' <"$work/browser.txt")
        [ "$way" = browser ] || { echo "the capture browser did not take the $name page" >&2; exit 1; }
        browser_best=$(least "$browser_best" "$browser_ms")
        echo "$name page, round $round: engine ${engine_ms} ms (${width}x${height}, peak" \
             "+$(mb "$peak")), capture browser ${browser_ms} ms (${bwidth}x${bheight})"
    done
    local budget=$((image + 2 * tile))
    echo "browser capture of the $name page (${height} pixels): engine ${engine_best} ms, capture" \
         "browser ${browser_best} ms, ratio engine/capture browser" \
         "$(ratio "$engine_best" "$browser_best")"
    echo "engine peak memory +$(mb "$peak_best") against image + two tiles $(mb "$budget"):" \
         "ratio $(ratio "$peak_best" "$budget")"
}
compare ""
compare inner
