#!/usr/bin/env bash
# The three transforms against ImageMagick on the same page image: usage run.sh [build-dir].
# Builds nothing: expects transforms_bench.exe in the build dir (default $PAGELENS_BUILD).
# Each job is load PNG + transform + save PNG. The program reports the best of three rounds of
# each stage, and the ratio uses their sum; convert runs each job three times and its best wall
# time counts (its process start-up is a few milliseconds; Wine's is not, so it is left out).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-${PAGELENS_BUILD:?give the build dir or set PAGELENS_BUILD}}" && pwd)
program="$build/bench/transforms/transforms_bench.exe"
[ -f "$program" ] || { echo "missing $program: build the transforms_bench target first" >&2; exit 1; }
export WINEPREFIX="$build/wineprefix" WINEARCH=win32 WINEDEBUG=-all
wine_run="$here/../../cmake/wine-run.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
least() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }

page="$work/page.png"
"$here/make_page.sh" "$page"
mkdir "$work/ours" "$work/peer"

# Starts the Wine server and its services outside the timed run, with no pipe of ours open.
"$wine_run" "$program" >/dev/null 2>&1 </dev/null || true

"$wine_run" "$program" "$(windows_path "$page")" "$(windows_path "$work/ours")" 3 \
    >"$work/ours.txt" </dev/null
cat "$work/ours.txt"

peer_time() {  # best of three: convert page.png <operation...> out.png
    local best="" start
    for _ in 1 2 3; do
        start=$(now)
        convert "$page" "$@" "$work/peer/out.png"
        best=$(least "$best" "$(elapsed "$start" "$(now)")")
    done
    echo "$best"
}
ours_time() { awk -v job="$1" '$1 == job { print $9 }' "$work/ours.txt"; }

echo "convert (ImageMagick $(convert -version | awk 'NR == 1 { print $3 }'), best of three, load + work + save):"
report() {  # job, target ratio, convert operation...
    local job=$1 target=$2
    shift 2
    local peer ours
    peer=$(peer_time "$@")
    ours=$(ours_time "$job")
    awk -v j="$job" -v op="$*" -v p="$peer" -v o="$ours" -v t="$target" 'BEGIN {
        printf "  %-6s convert %-16s %6.3f s   ours %6.3f s   ratio %5.2f (target %s)\n",
               j, op, p, o, p / o, t
    }'
    echo "         saved by convert: $(identify -format '%[type], %[png:IHDR.bit-depth-orig]-bit samples, %b' "$work/peer/out.png")"
    echo "         saved by ours:    $(identify -format '%[type], %[png:IHDR.bit-depth-orig]-bit samples, %b' "$work/ours/$job.png")"
}
report gray 3 -colorspace Gray
report bw 3 -threshold 50%
report bw 3 -monochrome
report resize 2 -resize 50%
