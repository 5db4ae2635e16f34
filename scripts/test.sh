#!/usr/bin/env bash
# Installs what is missing, builds both trees, and runs every test under Wine with a virtual
# display: the 32-bit build's in its win32 prefix, then the 64-bit build's in its win64 prefix.
# Arguments go to both ctest runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export PAGELENS_BUILD=${PAGELENS_BUILD:-$root/build}
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"
source "$root/scripts/wine-session.sh"
status=0
echo "== 32-bit build"
if [ "$PAGELENS_WINE32" = yes ]; then
  ctest --test-dir "$PAGELENS_BUILD" --output-on-failure "$@" || status=1
else
  echo "NOT RUN: this machine cannot start 32-bit Linux programs, so 32-bit Wine cannot run the"
  echo "32-bit build's tests here (it is built all the same); the 64-bit build's tests follow."
fi
echo "== 64-bit build"
ctest --test-dir "$PAGELENS_BUILD/x64" --output-on-failure "$@" || status=1
exit $status
