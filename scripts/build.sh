#!/usr/bin/env bash
# Configures and builds everything into $PAGELENS_BUILD (default: build/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
: "${PAGELENS_BUILD:=$root/build}"
cmake -S "$root" -B "$PAGELENS_BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$PAGELENS_BUILD" -j"$(nproc)"
