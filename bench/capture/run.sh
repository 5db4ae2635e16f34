#!/usr/bin/env bash
# Capture speed against a Playwright full-page screenshot of the same page with the same
# Chromium, both written as JPEG at the window's quality (100): usage run.sh [build-dir] [page].
# Builds nothing: expects capture_bench.exe in the build dir (default $PAGELENS_BUILD; a 64-bit
# tree such as build/x64 runs under 64-bit Wine) and playwright-core installed beside this
# script (npm ci here, with PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1: it must never download a browser).
# Each round runs, one after the other: our cold capture (a browser started for it), our warm
# one (the same page a second time in the same window, whose browser is running already), the
# peer, and, for reference, the same browser rendering just our bands from Node (no Wine, none
# of our code): a floor under our warm time, shown beside the peer's own screenshot step. Best
# and median of $PAGELENS_BENCH_ROUNDS rounds (default 5) count; the images must have the same
# size. Ours have the page's lazily loaded parts, the peer's not: an untimed capture of ours
# without the lazy-content scroll must agree with the peer's pixels within the JPEG bound of the
# save benchmark, and the timed ones are told how far they differ. Ours is timed from CaptureUrl
# to the final status (when the window shows the image), the peer from the browser's launch to
# its close; for reference, ours is also given up to the end of its clean-up (capture browser
# closed, profile removed). Wine's own process start-up is outside our time.
# Targets: cold at most 0.9x the peer, warm at most 0.5x the peer.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-${PAGELENS_BUILD:?give the build dir or set PAGELENS_BUILD}}" && pwd)
page=${2:-$(cd "$here/../.." && pwd)/samples/long-page.html}
rounds=${PAGELENS_BENCH_ROUNDS:-5}
program="$build/bench/capture/capture_bench.exe"
[ -f "$program" ] || { echo "missing $program: build the capture_bench target first" >&2; exit 1; }
[ -d "$here/node_modules/playwright-core" ] || {
    echo "missing playwright-core: run 'PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci' in $here" >&2; exit 1; }
export PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1
source "$here/../wine_session.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
stats() {  # numbers on standard input: "best median"
    sort -n | awk '{ v[NR] = $1 } END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
                                      printf "%d %d\n", v[1], m }'
}
ours() {  # mode (cold, warm or no-scroll), image; its stage times go to $work/stages.<mode>
    PAGELENS_CAPTURE_TIMES=1 wine_run "$program" $([ "$1" != cold ] && echo "--$1") \
        "$(windows_path "$page")" "$(windows_path "$2")" \
        >"$work/ours.txt" 2>"$work/stderr.txt" </dev/null
    tr -d '\r' <"$work/stderr.txt" | sed -n 's/^stage //p' >>"$work/stages.$1"
    tr -d '\r' <"$work/stderr.txt" | grep -v '^stage ' >>"$work/browser.log" || true
    tr -d '\r' <"$work/ours.txt"
}

# Starts the Wine server outside the timed runs.
wine_run "$program" >/dev/null 2>&1 </dev/null || true

for round in $(seq "$rounds"); do
    read -r cold_ms width height cold_closed < <(ours cold "$work/ours.jpg")
    read -r warm_ms warm_width warm_height _ < <(ours warm "$work/warm.jpg")
    node "$here/playwright_peer.mjs" "file://$page" "$work/peer.jpg" 100 >"$work/peer.txt" \
        2>>"$work/browser.log"
    read -r peer_ms peer_width peer_height peer_shot_ms <"$work/peer.txt"
    bands_ms=$(node "$here/playwright_peer.mjs" "file://$page" --bands-only 2>>"$work/browser.log")
    echo "$cold_ms" >>"$work/cold"; echo "$cold_closed" >>"$work/closed"
    echo "$warm_ms" >>"$work/warm"; echo "$peer_ms" >>"$work/peer"
    echo "$peer_shot_ms" >>"$work/peer_shot"; echo "$bands_ms" >>"$work/bands"
    echo "round $round: ours cold ${cold_ms} ms (${cold_closed} ms with the clean-up), warm" \
         "${warm_ms} ms; playwright ${peer_ms} ms (its screenshot ${peer_shot_ms} ms);" \
         "the browser's render of our bands alone ${bands_ms} ms"
done

read -r cold_best cold_median < <(stats <"$work/cold")
read -r warm_best warm_median < <(stats <"$work/warm")
read -r peer_best peer_median < <(stats <"$work/peer")
read -r closed_best closed_median < <(stats <"$work/closed")
read -r shot_best shot_median < <(stats <"$work/peer_shot")
read -r bands_best bands_median < <(stats <"$work/bands")
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo "capture of $(basename "$page"), $rounds rounds, best / median (ms):"
echo "  playwright cold  $peer_best / $peer_median"
echo "  ours cold        $cold_best / $cold_median   ratio $(ratio "$cold_best" "$peer_best") /" \
     "$(ratio "$cold_median" "$peer_median") (target at most 0.9)"
echo "  ours warm        $warm_best / $warm_median   ratio $(ratio "$warm_best" "$peer_best") /" \
     "$(ratio "$warm_median" "$peer_median") (target at most 0.5)"
echo "  ours cold with the clean-up  $closed_best / $closed_median"
echo "  playwright's screenshot step alone     $shot_best / $shot_median"
echo "  the browser's render of our bands alone $bands_best / $bands_median   ratio" \
     "$(ratio "$bands_best" "$peer_best") / $(ratio "$bands_median" "$peer_median")" \
     "(a floor under the warm capture, which also loads and scrolls the page)"
for mode in cold warm; do
    echo "where our $mode time goes (median of the rounds, ms):"
    awk '{ t = $NF; $NF = ""; sub(/ $/, ""); if (!($0 in n)) order[++k] = $0; v[$0, ++n[$0]] = t }
         END { for (i = 1; i <= k; i++) { s = order[i]; c = n[s]
                   for (a = 1; a <= c; a++) for (b = a + 1; b <= c; b++)
                       if (v[s, b] < v[s, a]) { x = v[s, a]; v[s, a] = v[s, b]; v[s, b] = x }
                   printf "  %-48s %8.1f\n", s, c % 2 ? v[s, (c + 1) / 2] : (v[s, c / 2] + v[s, c / 2 + 1]) / 2 } }' \
        "$work/stages.$mode"
done

# Debian's ImageMagick policy refuses images over 16,000 pixels high: a copy of it allows them.
for policy in /etc/ImageMagick-*/policy.xml; do
    [ -f "$policy" ] && sed 's/"16KP"/"64KP"/g' "$policy" >"$work/policy.xml"
done
export MAGICK_CONFIGURE_PATH="$work"
read -r _ < <(ours no-scroll "$work/plain.jpg")
status=0
for image in plain ours warm; do
    read -r w h < <(identify -format '%w %h\n' "$work/$image.jpg")
    if [ "$w" != "$peer_width" ] || [ "$h" != "$peer_height" ]; then
        echo "image sizes differ: $image ${w}x${h}, playwright ${peer_width}x${peer_height}" >&2
        status=1
        continue
    fi
    rmse=$(compare -metric RMSE "$work/$image.jpg" "$work/peer.jpg" null: 2>&1 |
        sed 's/.*(\(.*\))/\1/') || true
    if [ "$image" = plain ]; then
        awk -v r="$rmse" -v w="$w" -v h="$h" 'BEGIN {
            printf "image %sx%s without the lazy-content scroll, pixels against playwright'"'"'s: rmse %.4f (bound 0.05)\n", w, h, r
            exit !(r + 0 <= 0.05) }' || status=1
    else
        awk -v r="$rmse" -v i="$image" 'BEGIN {
            printf "%s image, with the lazily loaded parts that playwright'"'"'s lacks: rmse %.4f\n", i, r }'
    fi
done
exit $status
