#!/usr/bin/env bash
# What loading iePagelens.dll as a helper object costs a tab (load, create, SetSite(browser),
# SetSite(NULL), release, unload), median and worst of 1,000, beside the same for an empty
# in-process COM object built the same way: usage run.sh [build-dir]. Builds nothing: expects
# bho_load_bench.exe, bho_empty.dll and iePagelens.dll in the build dir (default
# $PAGELENS_BUILD; a 64-bit tree such as build/x64 runs under 64-bit Wine). Target: within 2x
# of the empty object, and under 1 ms.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-${PAGELENS_BUILD:?give the build dir or set PAGELENS_BUILD}}" && pwd)
program="$build/bench/bho_load/bho_load_bench.exe"
[ -f "$program" ] || { echo "missing $program: build the bho_load_bench target first" >&2; exit 1; }
source "$here/../wine_session.sh"  # the stand-in browser's frame needs a display
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

wine_run "$program" >/dev/null 2>&1 </dev/null || true  # the Wine server, outside the runs
out=$(wine_run "$program" "$(windows_path "$build/extension/iePagelens.dll")" \
    "$(windows_path "$build/bench/bho_load/bho_empty.dll")" 1000 </dev/null | tr -d '\r')
read -r _ ours_median ours_worst <<<"$(grep '^iePagelens ' <<<"$out")"
read -r _ empty_median empty_worst <<<"$(grep '^empty ' <<<"$out")"
echo "load as a helper object, 1,000 times (microseconds):"
echo "  iePagelens.dll  median $ours_median  worst $ours_worst"
echo "  empty object    median $empty_median  worst $empty_worst"
awk -v o="$ours_median" -v e="$empty_median" 'BEGIN {
    printf "ratio iePagelens/empty (median): %.2f (target at most 2), median %s 1 ms\n", o / e,
        (o < 1000 ? "under" : "over")
}'
