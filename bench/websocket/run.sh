#!/usr/bin/env bash
# The loopback WebSocket and Base64 decoding of the capture's screenshots, ours against the
# platform's (WinHTTP's WebSocket, crypt32's CryptStringToBinaryA) in one program: usage
# run.sh [build-dir] [megabytes of image per answer]. Builds nothing: expects websocket_bench.exe
# in the build dir (default $PAGELENS_BUILD). Three runs; each figure is its best median.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-${PAGELENS_BUILD:?give the build dir or set PAGELENS_BUILD}}" && pwd)
megabytes=${2:-9}
program="$build/bench/websocket/websocket_bench.exe"
[ -f "$program" ] || { echo "missing $program: build the websocket_bench target first" >&2; exit 1; }
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
if grep -q 'x86_64' "$build/CMakeCache.txt"; then
    wine_run="$here/../../cmake/wine-run64.sh"
else
    wine_run="$here/../../cmake/wine-run.sh"
fi
least() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

ours="" async="" sync="" ours_decode="" crypt32=""
for round in 1 2 3; do
    read -r o a s od cd mb < <("$wine_run" "$program" "$megabytes" </dev/null | tr -d '\r')
    echo "run $round: ${mb} MB answers: ours ${o} ms, WinHTTP async ${a} ms, WinHTTP sync ${s} ms;" \
         "decoding: ours ${od} ms, crypt32 ${cd} ms"
    ours=$(least "$ours" "$o") async=$(least "$async" "$a") sync=$(least "$sync" "$s")
    ours_decode=$(least "$ours_decode" "$od") crypt32=$(least "$crypt32" "$cd")
done
echo "answer received: ours ${ours} ms, WinHTTP async ${async} ms (ratio ours/WinHTTP" \
     "$(ratio "$ours" "$async")), WinHTTP sync ${sync} ms (ratio $(ratio "$ours" "$sync"))"
echo "Base64 decoded: ours ${ours_decode} ms, crypt32 ${crypt32} ms (ratio ours/crypt32" \
     "$(ratio "$ours_decode" "$crypt32"))"
