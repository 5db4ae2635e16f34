#!/usr/bin/env bash
# Save speed against ImageMagick on a 1280 x 12800 page image: usage run.sh [build-dir] [runs].
# Builds nothing: expects save_bench.exe in the build dir (default $PAGELENS_BUILD). The page is
# made once by make_page.sh. Our program loads the PNG once and times each save inside itself;
# ImageMagick's `convert` from the same PNG to the same format is timed as a whole (decoding the
# PNG included) and, for reference, less the time it takes to only decode the PNG. Each side runs
# `runs` times and its best time counts. Afterwards every file we wrote is checked with the Linux
# readers: identify and compare (raster and WMF), pdfinfo, pdftoppm and pdfimages (PDF).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-${PAGELENS_BUILD:?give the build dir or set PAGELENS_BUILD}}" && pwd)
runs=${2:-3}
program="$build/bench/save/save_bench.exe"
[ -f "$program" ] || { echo "missing $program: build the save_bench target first" >&2; exit 1; }
# Our WMF files are read back with ImageMagick's WMF reader, which Debian packs apart
# (libmagickcore-6.q16-6-extra): say so rather than count its absence as failed checks.
convert -list format 2>/dev/null | grep -qE '^ *WMF\*? ' || {
  echo "ImageMagick here has no WMF reader: run scripts/install-deps.sh" \
       "(it installs libmagickcore-6.q16-6-extra)" >&2; exit 1; }

work="$build/bench/save/run"
mkdir -p "$work/ours" "$work/peer"
page="$work/page.png"
[ -f "$page" ] || "$here/make_page.sh" "$page"

export PAGELENS_BUILD="$build"
# shellcheck source=/dev/null
source "$here/../../scripts/wine-session.sh"

windows_path() { printf 'Z:%s' "${1//\//\\}"; }
now() { date +%s.%N; }
best_of() {  # best wall time of `runs` runs of a command
  local best="" start t
  for _ in $(seq "$runs"); do
    start=$(now)
    "$@" >/dev/null 2>&1
    t=$(awk -v a="$start" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }')
    best=$(awk -v a="$best" -v b="$t" 'BEGIN { print (a == "" || b < a) ? b : a }')
  done
  echo "$best"
}

echo "page: $(identify -format '%wx%h' "$page"), $(stat -c %s "$page") bytes; best of $runs runs"
wine "$program" "$(windows_path "$page")" "$(windows_path "$work/ours")" "$runs" \
  >"$work/ours.txt" </dev/null
decode=$(best_of convert "$page" null:)
gray_decode=$(best_of convert "$work/ours/gray.png" null:)

peer_time() {  # name -> seconds of ImageMagick's convert to the same format, or "-"
  case $1 in
    png | gif | tif | bmp | pdf) best_of convert "$page" "$work/peer/page.$1" ;;
    jpg) best_of convert "$page" -quality 85 "$work/peer/page.jpg" ;;
    gray-png | gray-tif | gray-bmp) best_of convert "$work/ours/gray.png" "$work/peer/gray.${1#gray-}" ;;
    *) echo - ;;
  esac
}
target_of() {
  case $1 in png | gif | tif | bmp) echo 1.0 ;; jpg) echo 1.5 ;; *) echo - ;; esac
}

printf '\n%-11s %8s %11s %10s %14s %8s %7s\n' file ours bytes convert "convert-decode" ratio target
while read -r name seconds bytes _; do
  peer=$(peer_time "$name")
  base=$decode
  [[ $name == gray-* ]] && base=$gray_decode
  if [ "$peer" = - ]; then
    printf '%-11s %8s %11s %10s %14s %8s %7s\n' "$name" "$seconds" "$bytes" - - - -
    continue
  fi
  target=$(target_of "$name")
  awk -v n="$name" -v o="$seconds" -v b="$bytes" -v p="$peer" -v d="$base" -v t="$target" 'BEGIN {
    e = p - d; r = o / p
    verdict = (t == "-") ? "" : (r <= t ? "  ok" : "  MISSED")
    printf "%-11s %8.3f %11d %10.3f %14.3f %8.2f %7s%s\n", n, o, b, p, e, r, t, verdict
  }'
done <"$work/ours.txt"
echo "ratio = ours / convert; target = the largest ratio accepted; convert-decode = convert less"
echo "its PNG decoding ($decode s, gray $gray_decode s). No ImageMagick WMF or EMF writer exists."
awk '$1 ~ /^(gray|tinted)-/ { t[$1] = $2; s[$1] = $3 } END {
  split("png tif bmp", f, " ")
  for (i = 1; i <= 3; ++i)
    printf "gray page as %s: %.3f s, %d bytes stored gray; %.3f s, %d bytes in full colour\n",
      f[i], t["gray-" f[i]], s["gray-" f[i]], t["tinted-" f[i]], s["tinted-" f[i]]
}' "$work/ours.txt"

echo
echo "Checking our files with the Linux readers:"
failures=0
check() {  # description, command...
  local what=$1; shift
  if out=$("$@" 2>&1); then echo "  ok      $what: $out"; else echo "  FAILED  $what: $out"; failures=$((failures + 1)); fi
}
same_pixels() {  # exact for the lossless formats
  local ae
  ae=$(compare -metric AE "$1" "$2" null: 2>&1) || true
  [ "$ae" = 0 ] && echo "identical pixels" || { echo "$ae pixels differ"; return 1; }
}
close_pixels() {  # root mean square error below a bound (fraction of full scale)
  local rmse
  rmse=$(compare -metric RMSE "$1" "$2" null: 2>&1 | sed 's/.*(\(.*\))/\1/') || true
  awk -v r="$rmse" -v m="$3" 'BEGIN { printf "rmse %.4f (bound %s)\n", r, m; exit !(r + 0 <= m) }'
}
for f in page.png page.gif page.tif page.bmp page.jpg gray.png gray.tif gray.bmp; do
  check "identify $f" identify -format '%m %wx%h %[bit-depth]-bit %[type]' "$work/ours/$f"
done
check "identify page.wmf (96 dpi)" identify -density 96 -format '%m %wx%h' "$work/ours/page.wmf"
for f in page.png page.tif page.bmp; do check "compare $f" same_pixels "$page" "$work/ours/$f"; done
for f in gray.png gray.tif gray.bmp; do check "compare $f" same_pixels "$work/ours/gray.png" "$work/ours/$f"; done
check "compare page.gif" close_pixels "$page" "$work/ours/page.gif" 0.03
check "compare page.jpg" close_pixels "$page" "$work/ours/page.jpg" 0.05
convert -density 96 "$work/ours/page.wmf" "$work/wmf.png" 2>/dev/null || true
check "compare page.wmf rendered by libwmf" same_pixels "$page" "$work/wmf.png"
pdfinfo_clean() {
  local info
  info=$(pdfinfo "$1" 2>&1)
  echo "$info" | grep -qiE 'error|warning' && { echo "$info"; return 1; }
  echo "$info" | awk '/^(Pages|Page size|PDF version):/ { sub(/:  +/, ": "); printf "%s; ", $0 }'
}
check "pdfinfo page.pdf" pdfinfo_clean "$work/ours/page.pdf"
pdftoppm_clean() {
  rm -f "$work"/pdfpage*
  local err
  err=$(pdftoppm -r 96 -png "$1" "$work/pdfpage" 2>&1)
  [ -z "$err" ] || { echo "$err"; return 1; }
  echo "$(ls "$work"/pdfpage* | wc -l) page(s) rendered, $(identify -format '%wx%h ' "$work"/pdfpage*)"
}
check "pdftoppm page.pdf" pdftoppm_clean "$work/ours/page.pdf"
rm -f "$work"/pdfimage*
pdfimages -j "$work/ours/page.pdf" "$work/pdfimage"
check "compare page.pdf's embedded image" close_pixels "$page" "$(ls "$work"/pdfimage* | head -1)" 0.05
echo "  (EMF: ImageMagick here cannot read EMF; viewer_save_test plays it back through GDI)"
[ "$failures" -eq 0 ] || { echo "$failures check(s) FAILED"; exit 1; }
