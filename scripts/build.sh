#!/usr/bin/env bash
# Configures and builds everything twice: the 32-bit build into $PAGELENS_BUILD (default: build/)
# and the 64-bit build into $PAGELENS_BUILD/x64. The 32-bit one goes first: the 64-bit packages
# carry its library too.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
: "${PAGELENS_BUILD:=$root/build}"
# Two full builds are long on a small machine: where ccache is installed, objects that another
# checkout (or an earlier build) already compiled are reused. Paths are taken relative to the
# checkout, so that its place does not matter.
if command -v ccache >/dev/null 2>&1; then
  export CMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER:-ccache}
  export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
fi
cmake -S "$root" -B "$PAGELENS_BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake -S "$root" -B "$PAGELENS_BUILD/x64" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" >/dev/null
cmake --build "$PAGELENS_BUILD" -j"$(nproc)"
cmake --build "$PAGELENS_BUILD/x64" -j"$(nproc)"
