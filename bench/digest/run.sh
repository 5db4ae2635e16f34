#!/usr/bin/env bash
# Digest speed against md5sum on the same file: usage run.sh [build-dir] [megabytes].
# Builds nothing: expects digest_bench.exe in the build dir (default $PAGELENS_BUILD).
# Each side runs three times and its best time counts. The program times its own digest, and
# the main ratio uses that time; the time with Wine's process start-up is shown beside it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-${PAGELENS_BUILD:?give the build dir or set PAGELENS_BUILD}}" && pwd)
megabytes=${2:-200}
program="$build/bench/digest/digest_bench.exe"
[ -f "$program" ] || { echo "missing $program: build the digest_bench target first" >&2; exit 1; }
export WINEPREFIX="$build/wineprefix" WINEARCH=win32 WINEDEBUG=-all
wine_run="$here/../../cmake/wine-run.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
file="$work/data.bin"
head -c $((megabytes * 1048576)) /dev/urandom >"$file"
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
least() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }

# Starts the Wine server and its services outside the timed runs, with no pipe of ours open.
printf x >"$work/tiny.bin"
"$wine_run" "$program" "$(windows_path "$work/tiny.bin")" >/dev/null 2>&1 </dev/null || true

peer_best="" ours_best="" ours_wall_best=""
for _ in 1 2 3; do
    start=$(now)
    peer_digest=$(md5sum "$file" | cut -d' ' -f1)
    peer_best=$(least "$peer_best" "$(elapsed "$start" "$(now)")")

    start=$(now)
    "$wine_run" "$program" "$(windows_path "$file")" >"$work/ours.txt" </dev/null
    ours_wall_best=$(least "$ours_wall_best" "$(elapsed "$start" "$(now)")")
    read -r ours_digest ours_seconds <"$work/ours.txt"
    ours_best=$(least "$ours_best" "$ours_seconds")

    if [ "${ours_digest,,}" != "$peer_digest" ]; then
        echo "DIGESTS DIFFER: md5sum $peer_digest, ours $ours_digest" >&2
        exit 1
    fi
done

echo "file: $megabytes MB of random bytes, digest $peer_digest (both agree)"
echo "md5sum:       $peer_best s"
echo "digest_bench: $ours_best s inside the program, $ours_wall_best s with Wine start-up"
awk -v p="$peer_best" -v o="$ours_best" -v w="$ours_wall_best" 'BEGIN {
    printf "ratio md5sum/ours: %.2f inside the program (target 0.8), %.2f with start-up\n", p / o, p / w
}'
