#!/usr/bin/env bash
# Runs a Windows program under 32-bit Wine in the build's private prefix.
# WINEPREFIX may be set by the caller; otherwise the prefix sits beside the program's build tree.
set -euo pipefail
: "${WINEPREFIX:=${PAGELENS_WINEPREFIX:-$PWD/wineprefix}}"
export WINEPREFIX WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all}
exec wine "$@"
