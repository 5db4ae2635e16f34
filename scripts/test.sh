#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine with a virtual display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export PAGELENS_BUILD=${PAGELENS_BUILD:-$root/build}
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"
source "$root/scripts/wine-session.sh"
ctest --test-dir "$PAGELENS_BUILD" --output-on-failure "$@"
