#!/usr/bin/env bash
# Runs a Windows program under 64-bit Wine (which runs 32-bit programs too) in a win64 prefix.
# WINEPREFIX may be set by the caller; otherwise the prefix sits beside the program's build tree.
# Debian's `wine` command always starts the 32-bit loader, which fails where the machine cannot
# run 32-bit Linux programs: the 64-bit loader is called by its own name.
set -euo pipefail
: "${WINEPREFIX:=${PAGELENS_WINEPREFIX:-$PWD/wineprefix}}"
export WINEPREFIX WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all}
wine64=$(command -v wine64 || echo /usr/lib/wine/wine64)
exec "$wine64" "$@"
