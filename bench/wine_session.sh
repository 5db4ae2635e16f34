# Sourced by the benchmarks' run.sh with $build set to a build tree: starts the Wine session
# (private prefix, virtual display) and defines wine_run for that tree's programs. A 64-bit tree
# (build/x64) runs under 64-bit Wine in the win64 prefix that the session makes beside its
# 32-bit one.
bench_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if grep -q '^CMAKE_AR:.*x86_64' "$build/CMakeCache.txt" 2>/dev/null; then
    export PAGELENS_BUILD="${build%/x64}"
    source "$bench_root/scripts/wine-session.sh"
    wine_run() { WINEPREFIX="$PAGELENS_WINEPREFIX64" "$bench_root/cmake/wine-run64.sh" "$@"; }
else
    export PAGELENS_BUILD="$build"
    source "$bench_root/scripts/wine-session.sh"
    wine_run() { "$bench_root/cmake/wine-run.sh" "$@"; }
fi
