#!/usr/bin/env bash
# Configures and builds everything twice: the 32-bit build into $PAGELENS_BUILD (default: build/)
# and the 64-bit build into $PAGELENS_BUILD/x64. The 32-bit one goes first: the 64-bit packages
# carry its library too.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
: "${PAGELENS_BUILD:=$root/build}"
cmake -S "$root" -B "$PAGELENS_BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake -S "$root" -B "$PAGELENS_BUILD/x64" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" >/dev/null
cmake --build "$PAGELENS_BUILD" -j"$(nproc)"
cmake --build "$PAGELENS_BUILD/x64" -j"$(nproc)"
