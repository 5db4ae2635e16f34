#!/usr/bin/env bash
# Runs a Windows program under 64-bit Wine (which runs 32-bit programs too) in a win64 prefix.
# WINEPREFIX may be set by the caller; otherwise the prefix sits beside the program's build tree.
set -euo pipefail
: "${WINEPREFIX:=${PAGELENS_WINEPREFIX:-$PWD/wineprefix}}"
export WINEPREFIX WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all}
exec wine "$@"
