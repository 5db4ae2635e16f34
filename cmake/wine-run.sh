#!/usr/bin/env bash
# Runs a Windows program under 32-bit Wine in the build's private prefix.
# WINEPREFIX may be set by the caller; otherwise the prefix sits beside the program's build tree.
set -euo pipefail
: "${WINEPREFIX:=${PAGELENS_WINEPREFIX:-$PWD/wineprefix}}"
export WINEPREFIX WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all}
# A kernel built without 32-bit support cannot start 32-bit Wine at all ("Exec format error"):
# say so plainly rather than leave a failed test to explain it.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "32-bit Wine cannot start on this machine (its kernel runs no 32-bit Linux programs):" >&2
  echo "run the 64-bit build's tests instead (build/x64, under cmake/wine-run64.sh)." >&2
  exit 125
fi
exec wine "$@"
